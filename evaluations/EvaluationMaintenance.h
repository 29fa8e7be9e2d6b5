#pragma once

#include "EvaluationDownload.h"
#include "EvaluationEditor.h"
#include "EvaluationEditorCommands.h"

#include <QObject>
#include <QString>

class DeviceSession;
class StatusSink;

// The behaviour of the evaluation window: its toolbar, its tabs ("Handheld" downloads from
// the unit, "Nobrin" edits evaluations on the PC) and the help texts of its controls.
class EvaluationMaintenance : public QObject {
    Q_OBJECT
public:
    enum Tab { HandheldTab = 0, NobrinTab = 1 };

    // Exit, Add and Down: every button the window may show.
    static constexpr quint32 ToolbarMask = 0x80012;
    static constexpr quint32 HandheldMask = ToolbarMask;
    static constexpr quint32 NobrinMask = 0x10;

    EvaluationMaintenance(DeviceSession& session, StatusSink& status, QObject* parent = nullptr);

    EvaluationDownload& download() { return m_download; }
    EvaluationEditor& editor() { return m_editor; }
    EvaluationEditorCommands& commands() { return m_commands; }

    // Runs the button of that caption.
    void ToolbarButtonClick(const QString& caption);
    // The user picks a tab: false when it is refused (an evaluation is in progress on
    // "Nobrin"), and the window stays where it is.
    bool TabStripClick(int tab);
    // The toolbar buttons a tab enables.
    static quint32 tabMask(int tab);
    // The text the status bar shows while the control has the focus.
    static QString helpText(const QString& controlName);

Q_SIGNALS:
    void unloadRequested();

private:
    EvaluationDownload m_download;
    EvaluationEditor m_editor;
    EvaluationEditorCommands m_commands;
};
