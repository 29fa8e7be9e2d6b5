#include "EvaluationSetter.h"

#include "Database.h"
#include "EvaluationChanges.h"
#include "EvaluationEditor.h"
#include "EvaluationEditorCommands.h"
#include "HistoryChain.h"

#include <QStringList>

namespace {

// What EvaluationQuestion.Answer holds, and the answer box of the tab takes.
constexpr int AnswerLength = 50;
constexpr int TrueValue = -1;

namespace Item = EvaluationHistory::Item;

QString quotedList(const QStringList& names) {
    QStringList quoted;
    for (const QString& name : names)
        quoted << QLatin1Char('"') + name + QLatin1Char('"');
    return quoted.isEmpty() ? QStringLiteral("none") : quoted.join(QStringLiteral(", "));
}

bool applyField(EvaluationEditor& editor, const QString& label, const QString& value, QString& refusal) {
    QStringList labels;
    int index = 0;
    for (int slot = 1; slot <= editor.fieldCount(); ++slot) {
        labels << editor.slot(slot).caption;
        if (index == 0 && editor.slot(slot).caption == label)
            index = slot;
    }
    if (index == 0) {
        refusal =
            QStringLiteral("The evaluation has no field \"%1\"; its fields are %2.").arg(label, quotedList(labels));
        return false;
    }
    const EvaluationEditor::FieldSlot& slot = editor.slot(index);
    if (slot.isList()) {
        QStringList values;
        int entry = value.isEmpty() ? -1 : -2;
        for (int i = 0; i < slot.entries.size(); ++i) {
            values << slot.entries.at(i).text;
            if (entry == -2 && slot.entries.at(i).text == value)
                entry = i;
        }
        if (entry == -2) {
            refusal =
                QStringLiteral("\"%1\" is not a value of %2; its values are %3.").arg(value, label, quotedList(values));
            return false;
        }
        editor.chooseFieldEntry(index, entry);
        if (editor.ValidateListField(index)) {
            refusal = QStringLiteral("The entry for %1 was refused.").arg(label);
            return false;
        }
    } else {
        if (slot.maxLength > 0 && value.size() > slot.maxLength) {
            refusal = QStringLiteral("%1 takes at most %2 characters.").arg(label).arg(slot.maxLength);
            return false;
        }
        editor.editField(index, value);
        if (editor.ValidateTextField(index)) {
            refusal = QStringLiteral("The entry for %1 was refused.").arg(label);
            return false;
        }
    }
    editor.ComposeFileName(index, false);
    return true;
}

// Shows the page of the question; its frame, or 0 after saying there is no such question.
int showQuestion(EvaluationEditor& editor, int number, QString& refusal) {
    const int count = int(editor.questions().size());
    if (number < 1 || number > count) {
        refusal = QStringLiteral("The evaluation has no question %1; it has %2.")
                      .arg(number)
                      .arg(count == 1 ? QStringLiteral("1 question") : QStringLiteral("%1 questions").arg(count));
        return 0;
    }
    editor.scrollTo((number - 1) / EvaluationEditor::QuestionFrames + 1);
    return (number - 1) % EvaluationEditor::QuestionFrames + 1;
}

bool tick(EvaluationEditor& editor, int number, const QString& name, bool ticked, QString& refusal) {
    const int frame = showQuestion(editor, number, refusal);
    if (frame == 0)
        return false;
    const qsizetype entry = editor.frame(frame).entries.indexOf(name);
    if (entry < 0) {
        refusal = QStringLiteral("\"%1\" is not in the pick list of question %2; it holds %3.")
                      .arg(name)
                      .arg(number)
                      .arg(quotedList(editor.frame(frame).entries));
        return false;
    }
    editor.tickPickEntry(frame, int(entry), ticked);
    return true;
}

bool applyQuestions(EvaluationEditor& editor, const EvaluationSetter::Request& request, QString& refusal) {
    for (const auto& [number, answer] : request.answers) {
        const int frame = showQuestion(editor, number, refusal);
        if (frame == 0)
            return false;
        if (answer.size() > AnswerLength) {
            refusal = QStringLiteral("An answer takes at most %1 characters.").arg(AnswerLength);
            return false;
        }
        editor.editAnswer(frame, answer);
    }
    for (const auto& [number, on] : request.tbc) {
        const int frame = showQuestion(editor, number, refusal);
        if (frame == 0)
            return false;
        editor.clickTBC(frame, on);
    }
    for (const auto& [number, name] : request.ticks) {
        if (!tick(editor, number, name, true, refusal))
            return false;
    }
    for (const auto& [number, name] : request.unticks) {
        if (!tick(editor, number, name, false, refusal))
            return false;
    }
    editor.StoreQuestionPage();
    return true;
}

// The answer row of a question that the screen shows; added when the evaluation has none.
qint64 answerRow(const Database& database, qint64 evaluationKey, const EvaluationForm::Question& question) {
    const QVariant row = database.scalar(QStringLiteral("SELECT MIN(EvaluationQuestionKey) FROM EvaluationQuestion "
                                                        "WHERE EvaluationKey=? AND TemplateQuestionKey=?"),
                                         {evaluationKey, question.key});
    if (!row.isNull() && row.isValid())
        return row.toLongLong();
    return database.insert(QStringLiteral("EvaluationQuestion"),
                           {QStringLiteral("EvaluationKey"), QStringLiteral("TemplateQuestionKey"),
                            QStringLiteral("Answer"), QStringLiteral("TBCCheck")},
                           {evaluationKey, question.key, question.answer, question.tbc ? TrueValue : 0});
}

void writeField(const Database& database, qint64 evaluationKey, const EvaluationEditor& editor, qint64 fieldKey) {
    for (int index = 1; index <= editor.fieldCount(); ++index) {
        const EvaluationEditor::FieldSlot& slot = editor.slot(index);
        if (slot.key != fieldKey)
            continue;
        const QVariantList values{slot.currentText(), slot.chosenValueKey(), evaluationKey, fieldKey};
        if (database
                .query(QStringLiteral("UPDATE EvaluationField SET EnteredValue=?, TemplateFieldValueKey=? WHERE "
                                      "EvaluationKey=? AND TemplateFieldKey=?"),
                       values)
                .numRowsAffected() < 1)
            database.execute(QStringLiteral("INSERT INTO EvaluationField (EnteredValue, TemplateFieldValueKey, "
                                            "EvaluationKey, TemplateFieldKey) VALUES (?, ?, ?, ?)"),
                             values);
        if (index == editor.groupSlot() && slot.chosenValueKey() != 0)
            database.execute(QStringLiteral("UPDATE Evaluation SET EvaluationGroupKey=? WHERE EvaluationKey=?"),
                             {slot.chosenValueKey(), evaluationKey});
    }
}

void writeAnswer(const Database& database, qint64 evaluationKey, const EvaluationForm::Question& question,
                 const EvaluationHistory::Change& change) {
    const bool answer = change.item == Item::Answer;
    if (database
            .query(answer ? QStringLiteral("UPDATE EvaluationQuestion SET Answer=? WHERE EvaluationKey=? AND "
                                           "TemplateQuestionKey=?")
                          : QStringLiteral("UPDATE EvaluationQuestion SET TBCCheck=? WHERE EvaluationKey=? AND "
                                           "TemplateQuestionKey=?"),
                   {answer ? QVariant(question.answer) : QVariant(question.tbc ? TrueValue : 0), evaluationKey,
                    question.key})
            .numRowsAffected() < 1)
        answerRow(database, evaluationKey, question);
}

void writeTick(const Database& database, qint64 evaluationKey, const EvaluationForm::Question& question,
               const EvaluationHistory::Change& change) {
    if (change.newValue == EvaluationHistory::yesNo(true)) {
        database.execute(
            QStringLiteral("INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey) VALUES (?, ?)"),
            {answerRow(database, evaluationKey, question), change.itemKey});
        return;
    }
    database.execute(QStringLiteral("DELETE FROM EvaluationPickList WHERE TemplatePickListKey=? AND "
                                    "EvaluationQuestionKey IN (SELECT EvaluationQuestionKey FROM EvaluationQuestion "
                                    "WHERE EvaluationKey=? AND TemplateQuestionKey=?)"),
                     {change.itemKey, evaluationKey, question.key});
}

const EvaluationForm::Question* questionOf(const EvaluationEditor& editor, const EvaluationHistory::Change& change) {
    for (const EvaluationForm::Question& question : editor.questions()) {
        if (change.item == Item::Tick) {
            for (const EvaluationForm::PickEntry& entry : question.pickEntries) {
                if (entry.key == change.itemKey)
                    return &question;
            }
        } else if (question.key == change.itemKey) {
            return &question;
        }
    }
    return nullptr;
}

// Only the rows of the changed items are touched: what nobody changed stays as it was stored.
void writeChanges(const Database& database, qint64 evaluationKey, const EvaluationEditor& editor,
                  const QList<EvaluationHistory::Change>& changes) {
    for (const EvaluationHistory::Change& change : changes) {
        if (change.item == Item::FileName) {
            database.execute(QStringLiteral("UPDATE Evaluation SET FileName=? WHERE EvaluationKey=?"),
                             {change.newValue, evaluationKey});
        } else if (change.item == Item::Field) {
            writeField(database, evaluationKey, editor, change.itemKey);
        } else if (const EvaluationForm::Question* question = questionOf(editor, change)) {
            if (change.item == Item::Tick)
                writeTick(database, evaluationKey, *question, change);
            else
                writeAnswer(database, evaluationKey, *question, change);
        }
    }
}

} // namespace

bool EvaluationSetter::Request::isEmpty() const {
    return fields.isEmpty() && answers.isEmpty() && tbc.isEmpty() && ticks.isEmpty() && unticks.isEmpty();
}

EvaluationSetter::EvaluationSetter(const Database& database, QString means)
    : m_database(database), m_means(std::move(means)) {}

EvaluationSetter::Result EvaluationSetter::apply(qint64 evaluationKey, const Request& request) {
    Result result;
    Transaction transaction(m_database, Transaction::Writing);
    // Locked while it is read and changed: another PC's change waits, or came before.
    QSqlQuery row = m_database.query(
        QStringLiteral("SELECT TemplateKey, EvaluationGroupKey, FileName FROM Evaluation WHERE EvaluationKey=?") +
            (m_database.engine() == DatabaseEngine::PostgreSQL ? QStringLiteral(" FOR UPDATE") : QString()),
        {evaluationKey});
    if (!row.next()) {
        result.refusal = QStringLiteral("No evaluation has the key %1.").arg(evaluationKey);
        return result;
    }
    EvaluationEditor editor(m_database);
    editor.setOpenedEvaluation(evaluationKey, row.value(0).toLongLong(), row.value(1).toLongLong(),
                               row.value(2).toString());
    row.finish();
    editor.BuildEvaluation();
    if (!editor.inProgress())
        return result;
    const EvaluationChanges::View before = EvaluationChanges::of(editor);
    for (const auto& [label, value] : request.fields) {
        if (!applyField(editor, label, value, result.refusal))
            return result;
    }
    if (!applyQuestions(editor, request, result.refusal))
        return result;
    EvaluationEditorCommands commands(editor, m_database);
    if (commands.entriesRefused()) {
        result.refusal = QStringLiteral("The evaluation cannot be saved as it stands.");
        return result;
    }
    result.changes = EvaluationChanges::between(before, EvaluationChanges::of(editor));
    for (EvaluationHistory::Change& change : result.changes)
        change.evaluationKey = evaluationKey;
    writeChanges(m_database, evaluationKey, editor, result.changes);
    HistoryChain::append(m_database, m_means, result.changes);
    transaction.commit();
    result.applied = true;
    return result;
}
