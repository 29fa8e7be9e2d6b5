#include "QuestionGridRules.h"

#include "DataEnvironment.h"
#include "FieldText.h"
#include "TemplateMaintenance.h"
#include "TemplateRows.h"
#include "UnitLimits.h"

#include <QScopedValueRollback>

namespace {

const Database& db() {
    return DataEnvironment::instance().cnnConnection();
}

void numberByPosition(BoundGrid::RowWrite& row) {
    if (row.value(QStringLiteral("Sequence")).toInt() == 99)
        row.setValue(QStringLiteral("Sequence"), row.position());
}

} // namespace

QuestionGridRules::QuestionGridRules(TemplateMaintenance& editor) : m_editor(editor) {
    BoundGrid& questions = editor.jgQuestion();
    questions.beforeWrite = [this](BoundGrid::RowWrite& row) {
        if (row.isNew) {
            const int count = db().scalar(QStringLiteral("SELECT COUNT(*) FROM TemplateQuestion WHERE TemplateKey=?"),
                                          {m_editor.m_templateKey})
                                  .toInt();
            TemplateMaintenance::warnLimit(count, UnitLimits::Questions,
                                           QStringLiteral("questions can be added to template."));
        }
        if (m_editor.templateSelected())
            row.setValue(QStringLiteral("TemplateKey"), m_editor.m_templateKey);
        numberByPosition(row);
    };
    editor.jgAnswer().beforeWrite = [this](BoundGrid::RowWrite& row) { beforeDetailWrite(row, TemplateGrid::Answer); };
    editor.jgPicklist().beforeWrite = [this](BoundGrid::RowWrite& row) {
        beforeDetailWrite(row, TemplateGrid::Picklist);
    };
    QObject::connect(&questions, &BoundGrid::currentRowChanged, &editor, [this] { questionRowChanged(); });
    for (TemplateGrid which : {TemplateGrid::Answer, TemplateGrid::Picklist}) {
        QObject::connect(&editor.grid(which), &BoundGrid::currentRowChanged, &editor, [this, which] {
            if (!m_editor.m_loading && isActive(which))
                m_editor.showGridState(which);
        });
    }
}

bool QuestionGridRules::isActive(TemplateGrid which) const {
    return m_editor.m_activeControl == QLatin1String(TemplateGrids::info(which).objectName);
}

void QuestionGridRules::entered(TemplateGrid which) {
    BoundGrid& questions = m_editor.jgQuestion();
    const int row = questions.currentRow();
    if (which == TemplateGrid::Question) {
        m_editor.m_questionKey = questions.key(row).toLongLong();
        m_editor.showGridState(which);
        return;
    }
    // Answers and pick-list entries belong to a question that has text and is stored.
    if (FieldText(questions.value(row, QStringLiteral("Question"))).isEmpty()) {
        m_editor.requestFocus(questions.objectName());
        return;
    }
    if (!questions.isSaved(row) && !questions.commit()) {
        m_editor.requestFocus(questions.objectName());
        return;
    }
    m_editor.m_questionKey = questions.key(row).toLongLong();
    // Whatever the user did last, the rows typed here and every later re-read belong to it.
    if (m_detailsKey != m_editor.m_questionKey)
        LoadQuestionDetails();
    m_editor.showGridState(which);
}

void QuestionGridRules::left(TemplateGrid which) {
    BoundGrid& grid = m_editor.grid(which);
    const bool wasNew = which == TemplateGrid::Question && !grid.isSaved(grid.currentRow());
    if (!grid.commit()) {
        m_editor.requestFocus(grid.objectName());
        return;
    }
    // A question just typed gets its answers at once.
    if (wasNew && grid.isSaved(grid.currentRow()))
        LoadQuestionDetails();
}

void QuestionGridRules::questionRowChanged() {
    BoundGrid& questions = m_editor.jgQuestion();
    if (m_editor.m_loading || questions.currentRow() < 0)
        return;
    const bool answersWritten = m_editor.jgAnswer().commit();
    const bool pickListWritten = m_editor.jgPicklist().commit();
    // Rows that could not be written stay on screen rather than being read over.
    if (answersWritten && pickListWritten)
        LoadQuestionDetails();
    m_editor.m_questionKey = questions.key(questions.currentRow()).toLongLong();
    if (isActive(TemplateGrid::Question))
        m_editor.showGridState(TemplateGrid::Question);
}

void QuestionGridRules::beforeDetailWrite(BoundGrid::RowWrite& row, TemplateGrid which) {
    const bool answers = which == TemplateGrid::Answer;
    if (row.isNew) {
        const QString table = answers ? QStringLiteral("TemplateAnswer") : QStringLiteral("TemplatePicklist");
        const int count = db().scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE TemplateQuestionKey=?").arg(table),
                                      {m_editor.m_questionKey})
                              .toInt();
        if (answers)
            TemplateMaintenance::warnLimit(count, UnitLimits::Answers,
                                           QStringLiteral("answers can be added to each question."));
        else
            TemplateMaintenance::warnLimit(count, UnitLimits::PickEntries,
                                           QStringLiteral("picklist items can be added to each question."));
    }
    if (row.value(QStringLiteral("TemplateQuestionKey")).toLongLong() == 0)
        row.setValue(QStringLiteral("TemplateQuestionKey"), m_editor.m_questionKey);
    numberByPosition(row);
}

void QuestionGridRules::LoadQuestionDetails() {
    BoundGrid& questions = m_editor.jgQuestion();
    BoundGrid& answers = m_editor.jgAnswer();
    BoundGrid& pickList = m_editor.jgPicklist();
    if (!questions.isBound()) {
        answers.unbind();
        pickList.unbind();
        m_detailsKey = -1;
        return;
    }
    const QVariant key = questions.key(questions.currentRow());
    m_editor.m_questionKey = key.toLongLong();
    m_detailsKey = m_editor.m_questionKey;
    if (key.isNull()) {
        answers.bind(db(), QStringLiteral("SELECT * FROM TemplateAnswer WHERE TemplateQuestionKey=0"));
        pickList.bind(db(), QStringLiteral("SELECT * FROM TemplatePicklist WHERE TemplateQuestionKey=0"));
    } else {
        answers.bind(db(),
                     QStringLiteral("SELECT * FROM TemplateAnswer WHERE Deleted=0 AND TemplateQuestionKey=? ORDER BY "
                                    "Sequence"),
                     {key});
        pickList.bind(
            db(),
            QStringLiteral("SELECT * FROM TemplatePicklist WHERE Deleted=0 AND TemplateQuestionKey=? ORDER BY "
                           "Name"),
            {key});
    }
    m_editor.applyLayout(TemplateGrid::Answer);
    m_editor.applyLayout(TemplateGrid::Picklist);
}

void QuestionGridRules::removeQuestion() {
    BoundGrid& questions = m_editor.jgQuestion();
    if (!questions.commit())
        return;
    const int row = questions.currentRow();
    if (!questions.isSaved(row))
        return;
    if (!TemplateRows::confirmDeletion(questions.value(row, QStringLiteral("Question")), QStringLiteral("record")))
        return;
    {
        // The question list is read again as a whole; its rows passing by on the way are no
        // choice of the user's.
        const QScopedValueRollback<bool> loading(m_editor.m_loading, true);
        // Its answers and pick list stay as they are: evaluations may name them.
        db().execute(QStringLiteral("UPDATE TemplateQuestion SET Deleted=-1 WHERE TemplateQuestionKey=?"),
                     {questions.key(row)});
        questions.requery();
    }
    m_editor.applyLayout(TemplateGrid::Question);
    LoadQuestionDetails();
    if (isActive(TemplateGrid::Question))
        m_editor.showGridState(TemplateGrid::Question);
}

void QuestionGridRules::removeAnswer() {
    softDelete(TemplateGrid::Answer, QStringLiteral("Answer"));
}

void QuestionGridRules::removePickListItem() {
    softDelete(TemplateGrid::Picklist, QStringLiteral("Name"));
}

void QuestionGridRules::softDelete(TemplateGrid which, const QString& textColumn) {
    BoundGrid& grid = m_editor.grid(which);
    const int row = grid.currentRow();
    if (!grid.isSaved(row))
        return;
    if (!TemplateRows::confirmEntryDeletion(grid.value(row, textColumn)) || !grid.commit())
        return;
    db().execute(QStringLiteral("UPDATE %1 SET Deleted=-1 WHERE %2=?").arg(grid.table(), grid.keyColumn()),
                 {grid.key(row)});
    grid.requery();
    m_editor.applyLayout(which);
}
