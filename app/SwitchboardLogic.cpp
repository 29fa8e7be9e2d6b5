#include "SwitchboardLogic.h"

#include "DataEnvironment.h"
#include "EulaLogic.h"
#include "Pause.h"
#include "ProgramSettings.h"
#include "Prompter.h"

#include <QFile>

QString SwitchboardLogic::caption() {
    return QStringLiteral("Kestrivo: Version %1.%2.%3")
        .arg(KESTRIVO_VERSION_MAJOR)
        .arg(KESTRIVO_VERSION_MINOR)
        .arg(KESTRIVO_VERSION_PATCH);
}

QList<SwitchboardLogic::NagMenuItem> SwitchboardLogic::nagMenuItems() {
    return {
        {QStringLiteral("Exit"), QStringLiteral("mnuExit"), QStringLiteral("Exit Application"),
         QStringLiteral("icoExit")},
        {QStringLiteral("Evaluations"), QStringLiteral("frmEvaluationMaintenance"),
         QStringLiteral("Evaluation Maintenance"), QStringLiteral("icoPocketPC")},
        {QStringLiteral("Templates"), QStringLiteral("frmTemplates"), QStringLiteral("Maintain Evaluation Templates"),
         QStringLiteral("icoTemplate")},
        {QStringLiteral("Reports"), QStringLiteral("frmReports"), QStringLiteral("Evaluation Reports"),
         QStringLiteral("icoReport")},
    };
}

QStringList SwitchboardLogic::imageKeys() {
    return {QStringLiteral("icoEvaluation"), QStringLiteral("icoCode"),    QStringLiteral("icoTemplate"),
            QStringLiteral("icoCustomer"),   QStringLiteral("icoReport"),  QStringLiteral("icoWebSite"),
            QStringLiteral("icoOptions"),    QStringLiteral("icoUpload"),  QStringLiteral("icoDownload"),
            QStringLiteral("icoExit"),       QStringLiteral("icoPocketPC")};
}

bool SwitchboardLogic::firstActivationNeedsAgreement() {
    if (m_activated)
        return false;
    m_activated = true;
    return !EulaLogic::acceptanceRecorded(DataEnvironment::instance().cnnConnection());
}

QString SwitchboardLogic::errorLogPath() {
    return programSettings().LogPath + QStringLiteral("ErrorLog.txt");
}

void SwitchboardLogic::deleteErrorLog() {
    if (!programPrompter().confirm(QStringLiteral("Delete the Error Log File?"), QStringLiteral("Delete Confirmation")))
        return;
    QFile::remove(errorLogPath());
}

void RunAndWait(const std::function<bool()>& isRunning) {
    while (isRunning())
        Pause(100);
}
