#include "EvaluationEditorCommands.h"

#include "Database.h"
#include "EvaluationEditor.h"
#include "EvaluationWriter.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "Prompter.h"
#include "StatusSink.h"

namespace {

const QString Verification = QStringLiteral("Verification");

// Yes or No; Dismissed when the user closed the question with Esc or the close button, which
// leaves everything as it was.
PromptAnswer askSave() {
    Prompt question{QStringLiteral("Save Current File?"), Verification, PromptIcon::Question, PromptButtons::YesNo,
                    PromptAnswer::Yes};
    question.dismissible = true;
    return programPrompter().ask(question);
}

EvaluationWriter::Evaluation onScreen(const EvaluationEditor& editor) {
    EvaluationWriter::Evaluation evaluation;
    evaluation.templateKey = editor.templateKey();
    evaluation.evaluationGroupKey = editor.slot(editor.groupSlot()).chosenValueKey();
    evaluation.fileName = editor.fileNameText();
    for (int index = 1; index <= editor.fieldCount(); ++index) {
        const EvaluationEditor::FieldSlot& slot = editor.slot(index);
        evaluation.fields.append({slot.key, slot.currentText(), slot.chosenValueKey()});
    }
    for (const EvaluationForm::Question& question : editor.questions()) {
        EvaluationWriter::Question answer{question.key, question.answer, question.tbc, {}};
        for (const EvaluationForm::PickEntry& entry : question.pickEntries) {
            if (entry.ticked)
                answer.ticked << entry.key;
        }
        evaluation.questions.append(answer);
    }
    return evaluation;
}

} // namespace

EvaluationEditorCommands::EvaluationEditorCommands(EvaluationEditor& editor, const Database& database,
                                                   StatusSink* status, QObject* parent)
    : QObject(parent), m_editor(editor), m_database(database), m_status(status) {}

void EvaluationEditorCommands::showBusy(bool busy) {
    if (m_status)
        m_status->showBusy(busy);
}

// Every evaluation belongs to a group: without a chosen group value there is nothing that
// the Evaluation row could name.
bool EvaluationEditorCommands::saveRefusedForGroup() {
    const int group = m_editor.groupSlot();
    if (group == 0 || !m_editor.slot(group).isList()) {
        programPrompter().inform(QStringLiteral("This evaluation cannot be saved: its template has no dropdown "
                                                "group field on the screen. Nothing was written."),
                                 QStringLiteral("Save Error"), PromptIcon::Critical);
        return true;
    }
    if (m_editor.slot(group).chosen >= 0)
        return false;
    m_editor.forcedEntryMessage(group);
    m_editor.requestFocus(QStringLiteral("cmbField"), group);
    return true;
}

bool EvaluationEditorCommands::entriesRefused() {
    for (int index = 1; index <= m_editor.fieldCount(); ++index) {
        const EvaluationEditor::FieldSlot& slot = m_editor.slot(index);
        if (!slot.forced)
            continue;
        if (slot.isList() ? m_editor.ValidateListField(index) : m_editor.ValidateTextField(index)) {
            m_editor.requestFocus(slot.isList() ? QStringLiteral("cmbField") : QStringLiteral("txtField"), index);
            return true;
        }
    }
    return saveRefusedForGroup();
}

bool EvaluationEditorCommands::SaveEvaluation() {
    m_editor.StoreQuestionPage();
    if (entriesRefused())
        return true;

    const qint64 opened = m_editor.openedEvaluationKey();
    qint64 replaces = 0;
    if (opened != 0) {
        const PromptAnswer update = programPrompter().ask(
            {QStringLiteral("You are editing an existing evaluation.\r\nDo you want to update the opened "
                            "evaluation with changed information?"),
             QStringLiteral("Update Verification"), PromptIcon::Question, PromptButtons::YesNoCancel,
             PromptAnswer::Yes});
        if (update == PromptAnswer::Cancel)
            return true;
        if (update == PromptAnswer::Yes)
            replaces = opened;
        else if (!programPrompter().confirm(QStringLiteral("Create new evaluation with changed information?"),
                                            Verification))
            return true;
    }

    EvaluationWriter::SaveRecord record;
    record.replaces = replaces;
    record.opened = opened;
    record.openedStamp = m_openedStamp;
    if (opened != 0)
        record.changes = EvaluationChanges::between(m_opened, EvaluationChanges::of(m_editor));
    showBusy(true);
    qint64 saved = 0;
    try {
        saved = EvaluationWriter::save(m_database, onScreen(m_editor), record);
    } catch (const KestrivoError& error) {
        showBusy(false);
        LogError(error, QStringLiteral("SaveEvaluation"));
        return true;
    }
    showBusy(false);
    if (saved == EvaluationWriter::ChangedMeanwhile || saved == EvaluationWriter::Gone) {
        programPrompter().inform(
            QStringLiteral("This evaluation was %1 on another PC after you opened it, so it cannot be updated. "
                           "Nothing was saved. To keep your changes, save again and answer No to the update "
                           "question: they are then saved as a new evaluation.")
                .arg(saved == EvaluationWriter::Gone ? QStringLiteral("replaced or deleted")
                                                     : QStringLiteral("changed")),
            QStringLiteral("Save Error"), PromptIcon::Critical);
        return true;
    }
    return false;
}

bool EvaluationEditorCommands::SaveIfChanged() {
    if (m_editor.changed()) {
        const PromptAnswer save = askSave();
        if (save == PromptAnswer::Dismissed)
            return false;
        if (save == PromptAnswer::No || SaveEvaluation())
            return true;
    }
    m_editor.ResetEvaluation();
    return true;
}

void EvaluationEditorCommands::cmdNewClick() {
    const PromptAnswer save = m_editor.changed() ? askSave() : PromptAnswer::No;
    if (save == PromptAnswer::Dismissed)
        return;
    if (save == PromptAnswer::Yes) {
        if (m_editor.fileNameText().isEmpty()) {
            programPrompter().inform(QStringLiteral("You must enter a valid file name!"), QStringLiteral("Save Error"),
                                     PromptIcon::Critical);
            m_editor.ToggleView(true);
            m_editor.requestFocus(QStringLiteral("txtFileName"));
            return;
        }
        if (SaveEvaluation())
            return;
    }
    m_editor.hidePages();
    m_editor.ResetEvaluation();
    Q_EMIT addDialogRequested();
}

void EvaluationEditorCommands::OpenEvaluation() {
    if (!SaveIfChanged())
        return;
    const qint64 chosen = m_openDialog ? m_openDialog() : 0;
    if (chosen > 0)
        openEvaluationKey(chosen);
}

bool EvaluationEditorCommands::openEvaluationKey(qint64 evaluationKey) {
    QSqlQuery row = m_database.query(
        QStringLiteral("SELECT TemplateKey, EvaluationGroupKey, FileName FROM Evaluation WHERE EvaluationKey=?"),
        {evaluationKey});
    if (!row.next()) {
        programPrompter().inform(QStringLiteral("This evaluation is no longer in the database: another PC has "
                                                "replaced or deleted it since the list was shown."),
                                 QStringLiteral("Open Error"), PromptIcon::Critical);
        return false;
    }
    m_editor.setOpenedEvaluation(evaluationKey, row.value(0).toLongLong(), row.value(1).toLongLong(),
                                 row.value(2).toString());
    row.finish();
    // Taken before the screen is built: a change after it shows when the evaluation is saved.
    m_openedStamp = EvaluationHistory::stamp(m_database, evaluationKey);
    m_editor.BuildEvaluation();
    m_opened = EvaluationChanges::of(m_editor);
    return m_editor.inProgress();
}

void EvaluationEditorCommands::CancelEvaluation() {
    if (programPrompter().confirm(QStringLiteral("Are you sure you want to cancel this evaluation?"), Verification,
                                  PromptAnswer::No))
        m_editor.ResetEvaluation();
}

void EvaluationEditorCommands::DeleteEvaluation() {
    if (!programPrompter().confirm(QStringLiteral("Delete opened evaluation?"), QStringLiteral("Delete Verification")))
        return;
    bool removed = false;
    if (!guarded(QStringLiteral("DeleteEvaluation"), [this, &removed] {
            removed =
                EvaluationWriter::remove(m_database, m_editor.openedEvaluationKey(), EvaluationHistory::Means::Editor);
        }))
        return;
    if (!removed) {
        programPrompter().inform(QStringLiteral("This evaluation was replaced or deleted on another PC after you "
                                                "opened it. Nothing was deleted."),
                                 QStringLiteral("Delete Error"), PromptIcon::Critical);
        return;
    }
    m_editor.ResetEvaluation();
}

void EvaluationEditorCommands::lstMenuItemsClick(const QString& entry) {
    if (entry == QLatin1String("Open"))
        OpenEvaluation();
    else if (entry == QLatin1String("Cancel"))
        CancelEvaluation();
    else if (entry == QLatin1String("Delete"))
        DeleteEvaluation();
    else if (entry == QLatin1String("Save"))
        SaveIfChanged();
}

bool EvaluationEditorCommands::QueryUnload() {
    if (!m_editor.changed())
        return true;
    switch (askSave()) {
    case PromptAnswer::Yes:
        return !SaveEvaluation();
    case PromptAnswer::No:
        return true;
    default:
        return false;
    }
}
