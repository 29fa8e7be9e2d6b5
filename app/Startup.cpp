#include "Startup.h"

#include "ConnectionString.h"
#include "DataEnvironment.h"
#include "KestrivoError.h"
#include "ProgramSettings.h"
#include "Settings.h"

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
        throw KestrivoError(error.number(),
                            QStringLiteral("The database %1 cannot be opened.\n%2").arg(name, error.description()),
                            error.source());
    }
}

} // namespace Startup
