#include "EvaluationMaintenance.h"

EvaluationMaintenance::EvaluationMaintenance(DeviceSession& session, StatusSink& status, QObject* parent)
    : QObject(parent), m_download(session, status) {}

void EvaluationMaintenance::ToolbarButtonClick(const QString& caption) {
    if (caption == QLatin1String("Down"))
        m_download.ListUnitEvaluations();
    else if (caption == QLatin1String("Add"))
        m_download.AddSelectedEvaluations();
    else if (caption == QLatin1String("Exit"))
        Q_EMIT unloadRequested();
}

quint32 EvaluationMaintenance::tabMask(int tab) {
    return tab == NobrinTab ? NobrinMask : HandheldMask;
}

QString EvaluationMaintenance::helpText(const QString& controlName) {
    if (controlName == QLatin1String("cmdSelectAll"))
        return QStringLiteral("Click to select all downloaded evaluation");
    if (controlName == QLatin1String("lstEvaluations"))
        return QStringLiteral("Select files to import, press Add to begin download");
    return QString();
}
