#include "KestrivoError.h"
#include "LogError.h"
#include "MessageBoxPrompter.h"
#include "ProgramSettings.h"
#include "ShippedFiles.h"
#include "Startup.h"
#include "WorkingAreas.h"
#include "frmSwitchboard.h"

#include <QApplication>

namespace {

int refuseStart(Prompter& prompter, const QString& text) {
    prompter.inform(text, QStringLiteral("Kestrivo"), PromptIcon::Critical);
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrivo"));
    QApplication::setOrganizationName(QStringLiteral("Halvane"));
    QApplication::setApplicationVersion(QStringLiteral(KESTRIVO_VERSION));
    MessageBoxPrompter prompter;
    setProgramPrompter(&prompter);

    try {
        Startup::loadProgramSettings(QApplication::applicationDirPath());
    } catch (const KestrivoError& error) {
        return refuseStart(prompter, QStringLiteral("Kestrivo cannot start.\n%1").arg(error.description()));
    }
    ShippedFiles::install(programSettings().AppPath);
    try {
        Startup::openDatabase();
    } catch (const KestrivoError& error) {
        AppendErrorRecord(error, QStringLiteral("Form_Load"));
        return refuseStart(prompter, error.description());
    }

    WorkingAreas::registerWindows();
    frmSwitchboard switchboard;
    QObject::connect(
        &switchboard, &frmSwitchboard::endRequested, &application, [] { QApplication::exit(0); }, Qt::QueuedConnection);
    switchboard.show();
    return application.exec();
}
