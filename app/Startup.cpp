#include "Startup.h"

#include "ConnectionString.h"
#include "DataEnvironment.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "ProgramSettings.h"
#include "Prompter.h"
#include "Settings.h"
#include "ShippedFiles.h"

namespace Startup {

void loadProgramSettings(const QString& programFolder) {
    Settings::LoadSettings(programSettings(), programFolder);
}

void openDatabase() {
    const QString connection = programSettings().DatabaseConnectionString;
    QString name = connection;
    try {
        name = ConnectionString::parse(connection).describe();
        DataEnvironment::instance().open(connection);
    } catch (const KestrivoError& error) {
        // A catalog that does not let this user in says so in a sentence of its own.
        if (error.number() == ErrorNumber::NoRights)
            throw;
        throw KestrivoError(error.number(),
                            QStringLiteral("The database %1 cannot be opened.\n%2").arg(name, error.description()),
                            error.source());
    }
}

int prepareProgram(const QString& programFolder) {
    try {
        loadProgramSettings(programFolder);
    } catch (const KestrivoError& error) {
        programPrompter().inform(QStringLiteral("Kestrivo cannot start.\n%1").arg(error.description()),
                                 QStringLiteral("Kestrivo"), PromptIcon::Critical);
        return 1;
    }
    ShippedFiles::install(programSettings().AppPath);
    try {
        openDatabase();
    } catch (const KestrivoError& error) {
        AppendErrorRecord(error, QStringLiteral("Form_Load"));
        programPrompter().inform(error.description(), QStringLiteral("Kestrivo"), PromptIcon::Critical);
        return 1;
    }
    return 0;
}

} // namespace Startup
