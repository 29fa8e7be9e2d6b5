#include "Startup.h"

#include "ConnectionString.h"
#include "DataEnvironment.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "ProgramSettings.h"
#include "Prompter.h"
#include "Settings.h"
#include "ShippedFiles.h"
#include "UnitFolders.h"

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
    const CompanyParameter& company = DataEnvironment::instance().rsCompanyParameter();
    UnitFolders::prepareEmulatedUnit(programSettings(), company.DeviceTemplatePath, company.DeviceEvaluationPath);
}

namespace {

bool settingsLoaded(const QString& programFolder) {
    try {
        loadProgramSettings(programFolder);
        return true;
    } catch (const KestrivoError& error) {
        programPrompter().inform(QStringLiteral("Kestrivo cannot start.\n%1").arg(error.description()),
                                 QStringLiteral("Kestrivo"), PromptIcon::Critical);
        return false;
    }
}

// True when the user chose Options over Quit.
bool offerOptions(const KestrivoError& error) {
    AppendErrorRecord(error, QStringLiteral("Form_Load"));
    Prompt question{error.description() + QStringLiteral("\n\nChoose Options to point Kestrivo to another database, "
                                                         "or Quit."),
                    QStringLiteral("Kestrivo"), PromptIcon::Critical, PromptButtons::YesNo, PromptAnswer::Yes};
    question.captions = {QStringLiteral("&Options\u2026"), QStringLiteral("&Quit")};
    return programPrompter().ask(question) == PromptAnswer::Yes;
}

} // namespace

int prepareProgram(const QString& programFolder, const OptionsWindow& options) {
    if (!settingsLoaded(programFolder))
        return 1;
    ShippedFiles::install(programSettings().AppPath);
    // Every turn waits for the user's answer.
    for (;;) {
        try {
            openDatabase();
            return 0;
        } catch (const KestrivoError& error) {
            if (!offerOptions(error))
                return 1;
        }
        options();
        if (!settingsLoaded(programFolder))
            return 1;
    }
}

} // namespace Startup
