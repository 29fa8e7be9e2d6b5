#include "LocalTime.h"
#include "MessageBoxPrompter.h"
#include "ProgramCommandLine.h"
#include "Startup.h"
#include "WorkingAreas.h"
#include "frmOptions.h"
#include "frmSwitchboard.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    if (const std::optional<int> answered = ProgramCommandLine::answer(argc, argv))
        return *answered;
    readLocalTimeOnce();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrivo"));
    QApplication::setOrganizationName(QStringLiteral("Halvane"));
    QApplication::setApplicationVersion(QStringLiteral(KESTRIVO_VERSION));
    // Desktops match the windows to the installed kestrivo.desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("kestrivo"));
    MessageBoxPrompter prompter;
    setProgramPrompter(&prompter);

    const auto options = [] {
        frmOptions window;
        window.exec();
    };
    if (const int refused = Startup::prepareProgram(QApplication::applicationDirPath(), options))
        return refused;

    WorkingAreas::registerWindows();
    frmSwitchboard switchboard;
    QObject::connect(
        &switchboard, &frmSwitchboard::endRequested, &application, [] { QApplication::exit(0); }, Qt::QueuedConnection);
    switchboard.show();
    return application.exec();
}
