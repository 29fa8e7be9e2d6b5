#include "CliCommand.h"

#include "DataEnvironment.h"
#include "KestrivoError.h"
#include "OptionsLogic.h"
#include "ProgramSettings.h"
#include "Settings.h"
#include "Startup.h"

#include <QCoreApplication>
#include <cstdio>

// The host may itself be a socket folder, so the catalog is what follows the last "/".
bool splitServerAndCatalog(const QString& text, QString& server, QString& catalog) {
    const qsizetype slash = text.lastIndexOf('/');
    server = slash < 0 ? QString() : text.left(slash);
    catalog = text.mid(slash + 1);
    return !catalog.trimmed().isEmpty();
}

int refuse(const QString& message, int exitCode) {
    std::fprintf(stderr, "kestrivo-cli: %s\n", qPrintable(message));
    return exitCode;
}

bool openProgramDatabase() {
    try {
        Startup::loadProgramSettings(QCoreApplication::applicationDirPath());
        Startup::openDatabase();
        return true;
    } catch (const KestrivoError& error) {
        refuse(error.description(), 1);
        return false;
    }
}

namespace {

// The settings that the options window shows, in its order, then the web unit's.
const QStringList SettableNames{
    QStringLiteral("Provider"),           QStringLiteral("DataSource"),    QStringLiteral("DataServer"),
    QStringLiteral("ReportDataPath"),     QStringLiteral("LayoutPath"),    QStringLiteral("LogPath"),
    QStringLiteral("UnitPath"),           QStringLiteral("WebUnitListen"), QStringLiteral("WebUnitInstallPort"),
    QStringLiteral("WebUnitCertificate"), QStringLiteral("WebUnitKey")};

void printSettings(const QStringList& names) {
    for (const QString& name : names)
        std::printf("%s=%s\n", qPrintable(name), qPrintable(Settings::readSetting(name)));
}

// The engine of a provider name as the user typed it; -1 for one that is not known.
int engineOf(const QString& provider) {
    if (provider.compare(ProviderName::SQLite, Qt::CaseInsensitive) == 0)
        return OptionsLogic::SQLiteEngine;
    if (provider.compare(ProviderName::PostgreSQL, Qt::CaseInsensitive) == 0)
        return OptionsLogic::PostgreSQLEngine;
    return -1;
}

int showDatabase() {
    if (!openProgramDatabase())
        return 1;
    const ProgramSettings& settings = programSettings();
    std::printf("Settings: %s\nDatabase: %s\n", qPrintable(settings.RegistryKeyPath),
                qPrintable(settings.DatabaseConnectionString));
    DataEnvironment::instance().close();
    return 0;
}

int initPostgres(const QString& target) {
    QString server, catalog;
    if (!splitServerAndCatalog(target, server, catalog))
        return refuse(QStringLiteral("init --postgres needs a catalog: [HOST[:PORT]/]CATALOG"));
    try {
        Startup::loadProgramSettings(QCoreApplication::applicationDirPath());
    } catch (const KestrivoError&) {
        // A settings file that names an unknown engine is what this command replaces.
    }
    // The settings change only once the catalog answers, so a wrong server or catalog
    // leaves the installation as it was.
    const QStringList names{QStringLiteral("Provider"), QStringLiteral("DataSource"), QStringLiteral("DataServer"),
                            QStringLiteral("ConnectionMisc")};
    QStringList previous;
    try {
        for (const QString& name : names)
            previous << Settings::readSetting(name);
        OptionsLogic::writeDatabaseSettings(OptionsLogic::PostgreSQLEngine, catalog, server);
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
    const int result = showDatabase();
    if (result != 0) {
        try {
            for (qsizetype i = 0; i < names.size(); ++i)
                Settings::writeSetting(names.at(i), previous.at(i));
        } catch (const KestrivoError& error) {
            refuse(error.description(), 1);
        }
        std::fprintf(stderr, "kestrivo-cli: the settings were left as they were\n");
    }
    return result;
}

int initCommand(const QStringList& arguments) {
    if (arguments.isEmpty())
        return showDatabase();
    if (arguments.size() == 2 && arguments.first() == QStringLiteral("--postgres"))
        return initPostgres(arguments.at(1));
    return refuse(QStringLiteral("usage: init [--postgres [HOST[:PORT]/]CATALOG]"));
}

int setSetting(const QString& name, const QString& value) {
    if (!SettableNames.contains(name))
        return refuse(QStringLiteral("there is no setting %1 to set; the settings are %2")
                          .arg(name, SettableNames.join(QStringLiteral(", "))));
    const int engine = name == QStringLiteral("Provider") ? engineOf(value) : 0;
    if (engine < 0)
        return refuse(QStringLiteral("the provider \"%1\" is not known; use %2 or %3")
                          .arg(value, ProviderName::SQLite, ProviderName::PostgreSQL));
    try {
        try {
            Startup::loadProgramSettings(QCoreApplication::applicationDirPath());
        } catch (const KestrivoError&) {
            // Only a new provider may repair settings that cannot be loaded.
            if (name != QStringLiteral("Provider"))
                throw;
        }
        if (name == QStringLiteral("Provider")) {
            const QString server = engine == OptionsLogic::PostgreSQLEngine
                                       ? Settings::readSetting(QStringLiteral("DataServer"))
                                       : QString();
            OptionsLogic::writeDatabaseSettings(engine, Settings::readSetting(QStringLiteral("DataSource")), server);
            printSettings({QStringLiteral("Provider"), QStringLiteral("DataServer"), QStringLiteral("ConnectionMisc")});
            return 0;
        }
        const bool folder = name == QStringLiteral("LayoutPath") || name == QStringLiteral("LogPath") ||
                            name == QStringLiteral("UnitPath");
        Settings::writeSetting(name, folder ? OptionsLogic::folderSetting(value) : value);
        printSettings({name});
        return 0;
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
}

int settingsCommand(const QStringList& arguments) {
    if (!arguments.isEmpty()) {
        if (arguments.first() == QStringLiteral("set") && arguments.size() == 3)
            return setSetting(arguments.at(1), arguments.at(2));
        return refuse(QStringLiteral("usage: settings [set NAME VALUE]"));
    }
    try {
        Startup::loadProgramSettings(QCoreApplication::applicationDirPath());
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
    printSettings(Settings::valueNames());
    std::printf("ConnectionString=%s\n", qPrintable(programSettings().DatabaseConnectionString));
    return 0;
}

} // namespace

QList<CliCommand> setupCommands() {
    return {
        {QStringLiteral("init"), QStringLiteral("init [--postgres [HOST[:PORT]/]CATALOG]"),
         QStringLiteral("write the first-run settings and create an empty database (or a PostgreSQL catalog)"),
         initCommand},
        {QStringLiteral("settings"), QStringLiteral("settings [set NAME VALUE]"),
         QStringLiteral("print every setting and the connection string, or change one setting"), settingsCommand},
    };
}
