#pragma once

#include "EvaluationChanges.h"

#include <QObject>
#include <QString>
#include <functional>

class Database;
class EvaluationEditor;
class StatusSink;

// The commands of the "Nobrin" tab: the "New" button, the menu entries "Open", "Cancel",
// "Delete" and "Save", and closing the window. They decide when the evaluation on the screen
// is written, and whether an edited evaluation replaces the opened one or is kept beside it.
class EvaluationEditorCommands : public QObject {
    Q_OBJECT
public:
    // Shows the open dialog modally; the EvaluationKey of the chosen line, 0 when cancelled.
    using OpenDialog = std::function<qint64()>;

    EvaluationEditorCommands(EvaluationEditor& editor, const Database& database, StatusSink* status = nullptr,
                             QObject* parent = nullptr);
    void setOpenDialog(OpenDialog dialog) { m_openDialog = std::move(dialog); }

    // True when cancelled: nothing was written, or the user stopped.
    bool SaveEvaluation();
    // The checks of a save before anything is written: forced fields and the group. True,
    // after saying why and with the focus on the field, when the evaluation cannot be saved.
    bool entriesRefused();
    // Offers to save a changed evaluation; a saved or unchanged one leaves the screen. False
    // when the user closed the question without answering: everything stays as it was.
    bool SaveIfChanged();
    void OpenEvaluation();
    // Puts the evaluation of that key on the screen; false, after saying why, when it is gone.
    bool openEvaluationKey(qint64 evaluationKey);
    void CancelEvaluation();
    void DeleteEvaluation();
    void cmdNewClick();
    // A click on an entry of the menu list, by its text.
    void lstMenuItemsClick(const QString& entry);
    // The window is about to close: false keeps it open.
    bool QueryUnload();

Q_SIGNALS:
    // "New" has cleared the screen: the add dialog should be shown.
    void addDialogRequested();

private:
    bool saveRefusedForGroup();
    void showBusy(bool busy);

    EvaluationEditor& m_editor;
    const Database& m_database;
    StatusSink* m_status;
    OpenDialog m_openDialog;
    // The opened evaluation as it was put on the screen, and its history stamp then: what a
    // save records its changes against, and how it finds that another PC changed it since.
    EvaluationChanges::View m_opened;
    qint64 m_openedStamp = 0;
};
