#include "CliCommand.h"
#include "ConsolePrompter.h"
#include "LocalTime.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <memory>

namespace {

QList<CliCommand> allCommands() {
    QList<CliCommand> commands;
    commands << setupCommands();
    commands << deviceCommands();
    commands << evaluationCommands();
    commands << templateCommands();
    commands << reportCommands();
    commands << catalogCommands();
    return commands;
}

void printHelp(const QList<CliCommand>& commands) {
    std::printf("Usage: kestrivo-cli [--home DIR] [--settings FILE] [--yes] COMMAND [ARGUMENTS]\n\n"
                "Kestrivo without windows: the same settings, database and handheld link as the program.\n\n"
                "Options:\n"
                "  --home DIR        program folder (default: $KESTRIVO_HOME, else the program's folder)\n"
                "  --settings FILE   settings file (default: $KESTRIVO_SETTINGS, else ~/.config/Halvane/Kestrivo.ini)\n"
                "  --yes             answer Yes to every confirmation\n"
                "  --help            show this help\n"
                "  --version         show the version\n\n"
                "Commands:\n");
    int width = 0;
    for (const CliCommand& command : commands)
        width = std::max(width, int(command.usage.size()));
    for (const CliCommand& command : commands)
        std::printf("  %-*s  %s\n", width, qPrintable(command.usage), qPrintable(command.summary));
}

// Reports are laid out with fonts, which need a GUI application (on no screen: the command
// line shows no window); the other commands start without one.
bool drawsReports(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray word(argv[i]);
        if (word == "--home" || word == "--settings")
            ++i;
        else if (!word.startsWith("--"))
            return word == "report";
    }
    return false;
}

// A command prints only its own lines. Qt's notes about the platform it runs on (no runtime
// folder, the offscreen screen, fonts) mean nothing to the user; a critical failure still shows.
void qtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "kestrivo-cli: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(qtMessage);
    readLocalTimeOnce();
    std::unique_ptr<QCoreApplication> application;
    if (drawsReports(argc, argv)) {
        // Qt's PDF writer takes two 16 MB buffers for every page it compresses. With the C
        // library's own limits they were mapped fresh, or the heap given back and grown again,
        // on each page: half the time of a report of many pages went to the kernel. Kept in the
        // heap, they are the same memory page after page.
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("kestrivo-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRIVO_VERSION));
    const QList<CliCommand> commands = allCommands();

    QStringList arguments = QCoreApplication::arguments().mid(1);
    bool assumeYes = false;
    while (!arguments.isEmpty() && arguments.first().startsWith(QStringLiteral("--"))) {
        const QString option = arguments.takeFirst();
        if (option == QStringLiteral("--help")) {
            printHelp(commands);
            return 0;
        }
        if (option == QStringLiteral("--version")) {
            std::printf("kestrivo-cli %s\n", KESTRIVO_VERSION);
            return 0;
        }
        if (option == QStringLiteral("--yes")) {
            assumeYes = true;
            continue;
        }
        if ((option == QStringLiteral("--home") || option == QStringLiteral("--settings")) && !arguments.isEmpty()) {
            const QString value = QDir(arguments.takeFirst()).absolutePath();
            qputenv(option == QStringLiteral("--home") ? "KESTRIVO_HOME" : "KESTRIVO_SETTINGS", value.toLocal8Bit());
            continue;
        }
        std::fprintf(stderr, "kestrivo-cli: unknown option %s (try --help)\n", qPrintable(option));
        return 2;
    }
    if (arguments.isEmpty()) {
        printHelp(commands);
        return 2;
    }
    ConsolePrompter prompter(assumeYes);
    setProgramPrompter(&prompter);
    const QString name = arguments.takeFirst();
    for (const CliCommand& command : commands) {
        if (command.name == name)
            return command.run(arguments);
    }
    std::fprintf(stderr, "kestrivo-cli: unknown command %s (try --help)\n", qPrintable(name));
    return 2;
}
