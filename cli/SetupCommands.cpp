#include "CliCommand.h"

#include "DataEnvironment.h"
#include "KestrivoError.h"
#include "ProgramSettings.h"
#include "Settings.h"
#include "Startup.h"

#include <QCoreApplication>
#include <cstdio>

bool openProgramDatabase() {
    try {
        Startup::loadProgramSettings(QCoreApplication::applicationDirPath());
        Startup::openDatabase();
        return true;
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "kestrivo-cli: %s\n", qPrintable(error.description()));
        return false;
    }
}

namespace {

int initCommand(const QStringList& arguments) {
    if (!arguments.isEmpty()) {
        std::fprintf(stderr, "kestrivo-cli: init takes no arguments\n");
        return 2;
    }
    if (!openProgramDatabase())
        return 1;
    const ProgramSettings& settings = programSettings();
    std::printf("Settings: %s\nDatabase: %s\n", qPrintable(settings.RegistryKeyPath),
                qPrintable(settings.DatabaseConnectionString));
    DataEnvironment::instance().close();
    return 0;
}

int settingsCommand(const QStringList& arguments) {
    if (!arguments.isEmpty()) {
        std::fprintf(stderr, "kestrivo-cli: settings takes no arguments\n");
        return 2;
    }
    try {
        Startup::loadProgramSettings(QCoreApplication::applicationDirPath());
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "kestrivo-cli: %s\n", qPrintable(error.description()));
        return 1;
    }
    for (const QString& name : Settings::valueNames())
        std::printf("%s=%s\n", qPrintable(name), qPrintable(Settings::readSetting(name)));
    std::printf("ConnectionString=%s\n", qPrintable(programSettings().DatabaseConnectionString));
    return 0;
}

} // namespace

QList<CliCommand> setupCommands() {
    return {
        {QStringLiteral("init"), QStringLiteral("init"),
         QStringLiteral("write the first-run settings and create an empty database"), initCommand},
        {QStringLiteral("settings"), QStringLiteral("settings"),
         QStringLiteral("print every setting and the connection string"), settingsCommand},
    };
}
