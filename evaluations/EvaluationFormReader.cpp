#include "EvaluationFormReader.h"

#include "Database.h"
#include "FieldText.h"
#include "TextOrder.h"
#include "UnitLimits.h"

#include <QHash>
#include <QSet>

namespace EvaluationFormReader {

namespace {

// Ties in Sequence keep the order the rows were added in, the same on both engines.
QString liveOnlyCondition(bool liveOnly, const char* table) {
    return liveOnly ? QString::fromLatin1(table) + QStringLiteral(".Deleted=0 AND ") : QString();
}

void readFields(const Database& database, qint64 templateKey, bool liveOnly, EvaluationForm& form) {
    QSqlQuery fileNames = database.query(
        QStringLiteral("SELECT FileNameField.TemplateFieldKey FROM TemplateField INNER JOIN FileNameField ON "
                       "TemplateField.TemplateFieldKey = FileNameField.TemplateFieldKey WHERE ") +
            liveOnlyCondition(liveOnly, "TemplateField") +
            QStringLiteral(
                "TemplateField.TemplateKey=? ORDER BY FileNameField.Sequence, FileNameField.FileNameFieldKey"),
        {templateKey});
    while (fileNames.next())
        form.fileNameFields << fileNames.value(0).toLongLong();

    // Fields for reports only never reach the screen.
    QSqlQuery fields = database.query(
        QStringLiteral("SELECT TemplateFieldKey, FieldLabel, FieldType, FieldLength, ForceEntry, GroupField FROM "
                       "TemplateField WHERE ") +
            liveOnlyCondition(liveOnly, "TemplateField") +
            QStringLiteral("UseOn<>'R' AND TemplateKey=? ORDER BY Sequence, TemplateFieldKey"),
        {templateKey});
    QHash<qint64, qsizetype> byKey;
    while (fields.next() && form.fields.size() < UnitLimits::Fields) {
        EvaluationForm::Field field;
        field.key = fields.value(0).toLongLong();
        field.label = FieldText(fields.value(1));
        field.type = FieldType(fields.value(2).toInt());
        field.length = fields.value(3).toInt();
        field.forced = fields.value(4).toInt() != 0;
        field.group = fields.value(5).toInt() != 0;
        byKey.insert(field.key, form.fields.size());
        form.fields << field;
    }

    QSqlQuery values = database.query(
        QStringLiteral("SELECT TemplateFieldValue.TemplateFieldKey, TemplateFieldValueKey, FieldValue FROM "
                       "TemplateFieldValue INNER JOIN TemplateField ON TemplateField.TemplateFieldKey = "
                       "TemplateFieldValue.TemplateFieldKey WHERE ") +
            liveOnlyCondition(liveOnly, "TemplateFieldValue") +
            QStringLiteral("TemplateField.TemplateKey=? ORDER BY TemplateFieldValueKey"),
        {templateKey});
    while (values.next()) {
        const auto slot = byKey.constFind(values.value(0).toLongLong());
        if (slot == byKey.constEnd())
            continue;
        EvaluationForm::Field& field = form.fields[*slot];
        if (field.type == FieldType::Dropdown)
            field.values << EvaluationForm::Value{values.value(1).toLongLong(), FieldText(values.value(2))};
    }
    for (EvaluationForm::Field& field : form.fields)
        TextOrder::sort(field.values, [](const EvaluationForm::Value& value) { return value.text; });
}

void readStoredFields(const Database& database, qint64 evaluationKey, EvaluationForm& form) {
    // An evaluation holds one value per field; should a file have brought two, the first counts.
    QSqlQuery stored = database.query(QStringLiteral("SELECT TemplateFieldKey, EnteredValue FROM EvaluationField "
                                                     "WHERE EvaluationKey=? ORDER BY EvaluationFieldKey"),
                                      {evaluationKey});
    QSet<qint64> seen;
    while (stored.next()) {
        const qint64 key = stored.value(0).toLongLong();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        for (EvaluationForm::Field& field : form.fields) {
            if (field.key == key)
                field.storedValue = FieldText(stored.value(1));
        }
    }
}

void readQuestions(const Database& database, qint64 templateKey, bool liveOnly, EvaluationForm& form) {
    QSqlQuery questions =
        database.query(QStringLiteral("SELECT TemplateQuestionKey, Question FROM TemplateQuestion WHERE ") +
                           liveOnlyCondition(liveOnly, "TemplateQuestion") +
                           QStringLiteral("TemplateKey=? ORDER BY Sequence, TemplateQuestionKey"),
                       {templateKey});
    QHash<qint64, qsizetype> byKey;
    while (questions.next() && form.questions.size() < UnitLimits::Questions) {
        EvaluationForm::Question question;
        question.key = questions.value(0).toLongLong();
        question.text = FieldText(questions.value(1));
        byKey.insert(question.key, form.questions.size());
        form.questions << question;
    }

    QSqlQuery answers = database.query(
        QStringLiteral("SELECT TemplateAnswer.TemplateQuestionKey, Answer FROM TemplateAnswer INNER JOIN "
                       "TemplateQuestion ON TemplateQuestion.TemplateQuestionKey = TemplateAnswer.TemplateQuestionKey "
                       "WHERE ") +
            liveOnlyCondition(liveOnly, "TemplateAnswer") +
            QStringLiteral("TemplateQuestion.TemplateKey=? ORDER BY TemplateAnswer.Sequence, TemplateAnswerKey"),
        {templateKey});
    while (answers.next()) {
        const auto index = byKey.constFind(answers.value(0).toLongLong());
        if (index == byKey.constEnd())
            continue;
        QStringList& list = form.questions[*index].answers;
        if (list.size() < UnitLimits::Answers)
            list << FieldText(answers.value(1));
    }

    QSqlQuery entries = database.query(
        QStringLiteral("SELECT TemplatePickList.TemplateQuestionKey, TemplatePickListKey, TemplatePickList.Name FROM "
                       "TemplatePickList INNER JOIN TemplateQuestion ON TemplateQuestion.TemplateQuestionKey = "
                       "TemplatePickList.TemplateQuestionKey WHERE ") +
            liveOnlyCondition(liveOnly, "TemplatePickList") +
            QStringLiteral("TemplateQuestion.TemplateKey=? ORDER BY TemplatePickList.Sequence, TemplatePickListKey"),
        {templateKey});
    while (entries.next()) {
        const auto index = byKey.constFind(entries.value(0).toLongLong());
        if (index == byKey.constEnd())
            continue;
        QList<EvaluationForm::PickEntry>& list = form.questions[*index].pickEntries;
        if (list.size() < UnitLimits::PickEntries)
            list << EvaluationForm::PickEntry{entries.value(1).toLongLong(), FieldText(entries.value(2)), false};
    }
}

void readStoredAnswers(const Database& database, qint64 evaluationKey, EvaluationForm& form) {
    QHash<qint64, qsizetype> byKey;
    for (qsizetype i = 0; i < form.questions.size(); ++i)
        byKey.insert(form.questions.at(i).key, i);

    QSqlQuery answers = database.query(QStringLiteral("SELECT TemplateQuestionKey, Answer, TBCCheck FROM "
                                                      "EvaluationQuestion WHERE EvaluationKey=? ORDER BY "
                                                      "EvaluationQuestionKey"),
                                       {evaluationKey});
    QSet<qint64> seen;
    while (answers.next()) {
        const qint64 key = answers.value(0).toLongLong();
        const auto index = byKey.constFind(key);
        if (index == byKey.constEnd() || seen.contains(key))
            continue;
        seen.insert(key);
        EvaluationForm::Question& question = form.questions[*index];
        question.answer = FieldText(answers.value(1));
        question.tbc = answers.value(2).toInt() != 0;
    }

    QSqlQuery ticks =
        database.query(QStringLiteral("SELECT EvaluationQuestion.TemplateQuestionKey, "
                                      "EvaluationPickList.TemplatePickListKey FROM EvaluationQuestion INNER JOIN "
                                      "EvaluationPickList ON EvaluationQuestion.EvaluationQuestionKey = "
                                      "EvaluationPickList.EvaluationQuestionKey WHERE EvaluationKey=?"),
                       {evaluationKey});
    while (ticks.next()) {
        const auto index = byKey.constFind(ticks.value(0).toLongLong());
        if (index == byKey.constEnd())
            continue;
        const qint64 entryKey = ticks.value(1).toLongLong();
        for (EvaluationForm::PickEntry& entry : form.questions[*index].pickEntries) {
            if (entry.key == entryKey)
                entry.ticked = true;
        }
    }
}

} // namespace

EvaluationForm read(const Database& database, qint64 templateKey, qint64 evaluationKey, bool liveOnly) {
    EvaluationForm form;
    readFields(database, templateKey, liveOnly, form);
    readQuestions(database, templateKey, liveOnly, form);
    if (evaluationKey != 0) {
        readStoredFields(database, evaluationKey, form);
        readStoredAnswers(database, evaluationKey, form);
    }
    return form;
}

} // namespace EvaluationFormReader
