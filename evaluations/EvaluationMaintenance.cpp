#include "EvaluationMaintenance.h"

#include "DataEnvironment.h"
#include "Prompter.h"

EvaluationMaintenance::EvaluationMaintenance(DeviceSession& session, StatusSink& status, QObject* parent)
    : QObject(parent), m_download(session, status), m_editor(DataEnvironment::instance().cnnConnection(), &status),
      m_commands(m_editor, DataEnvironment::instance().cnnConnection(), &status) {}

void EvaluationMaintenance::ToolbarButtonClick(const QString& caption) {
    if (caption == QLatin1String("Down"))
        m_download.ListUnitEvaluations();
    else if (caption == QLatin1String("Add"))
        m_download.AddSelectedEvaluations();
    else if (caption == QLatin1String("Exit"))
        Q_EMIT unloadRequested();
}

bool EvaluationMaintenance::TabStripClick(int tab) {
    if (tab != NobrinTab && m_editor.inProgress()) {
        programPrompter().inform(QStringLiteral("You must save the current evaluation."),
                                 QStringLiteral("Selection Error"), PromptIcon::Critical);
        return false;
    }
    if (tab == NobrinTab)
        m_editor.selectTab();
    return true;
}

quint32 EvaluationMaintenance::tabMask(int tab) {
    return tab == NobrinTab ? NobrinMask : HandheldMask;
}

QString EvaluationMaintenance::helpText(const QString& controlName) {
    if (controlName == QLatin1String("cmdSelectAll"))
        return QStringLiteral("Click to select all downloaded evaluation");
    if (controlName == QLatin1String("lstEvaluations"))
        return QStringLiteral("Select files to import, press Add to begin download");
    if (controlName == QLatin1String("cmdNew"))
        return QStringLiteral("Click to add new evaluation");
    if (controlName == QLatin1String("cmdFile"))
        return QStringLiteral("Click to display other options");
    if (controlName == QLatin1String("cmdView"))
        return QStringLiteral("Click to change the evaluation entry view");
    return QString();
}
