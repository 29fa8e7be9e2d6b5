#include "OptionsLogic.h"

#include "DataEnvironment.h"
#include "ProgramSettings.h"
#include "Prompter.h"
#include "Settings.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString Title = QStringLiteral("Options");

struct ControlText {
    const char* name;
    const char* label;
    const char* hint;
};

const ControlText Controls[] = {
    {"optEngine0", "SQLite:", "Select to use SQLite Database"},
    {"optEngine1", "PostgreSQL:", "Select to use PostgreSQL Server"},
    {"txtFilePath", "File Path:", "Enter path to database"},
    {"cmdDataPath", "", "Press to browse for file"},
    {"txtServer", "Server:", "Enter the PostgreSQL server i.e. (localhost:5432)"},
    {"txtCatalog", "Catalog:", "Enter database catalog"},
    {"txtReportPath", "Report:", "Enter the report generator database"},
    {"cmdReportPath", "", "Press to browse for file"},
    {"txtLayoutPath", "Layout:", "Enter the layout path for the application"},
    {"cmdLayoutPath", "", "Press to browse for path"},
    {"txtLogPath", "Log:", "Enter the log path to put error log files"},
    {"cmdLogPath", "", "Press to browse for path"},
    {"txtUnitPath", "Unit:", "Enter the folder where the handheld unit is mounted"},
    {"cmdUnitPath", "", "Press to browse for path"},
    {"txtCompanyName", "Name:", "Enter the organisation name printed at the top of reports"},
    {"txtDeviceTemplatePath", "Unit templates:", "Enter the folder on the unit that receives template files"},
    {"txtDeviceEvaluationPath", "Unit evaluations:", "Enter the folder on the unit that holds evaluation files"},
    {"txtReportColumns", "Report columns:", "Enter the number of header field columns across a report page (1 to 10)"},
    {"cmdOK", "", "Press to save changes"},
    {"cmdCancel", "", "Press to cancel changes"},
};

const ControlText* find(const QString& name) {
    for (const ControlText& control : Controls) {
        if (name == QLatin1String(control.name))
            return &control;
    }
    return nullptr;
}

void ensureEnding(QString& folder, QChar separator) {
    if (!folder.isEmpty() && !folder.endsWith(separator))
        folder += separator;
}

} // namespace

QString OptionsLogic::hint(const QString& controlName) {
    const ControlText* control = find(controlName);
    return control ? QString::fromLatin1(control->hint) : QString();
}

QString OptionsLogic::label(const QString& controlName) {
    const ControlText* control = find(controlName);
    return control ? QString::fromLatin1(control->label) : QString();
}

QString OptionsLogic::firstFieldOfTab(int tab) {
    switch (tab) {
    case PathsTab:
        return QStringLiteral("txtReportPath");
    case CompanyTab:
        return QStringLiteral("txtCompanyName");
    default:
        return QStringLiteral("txtFilePath");
    }
}

QString OptionsLogic::FolderOfPath(const QString& path) {
    QString folder = path;
    while (folder.size() > 1 && !folder.endsWith('/'))
        folder.chop(1);
    return folder;
}

void OptionsLogic::writeDatabaseSettings(int engine, const QString& dataSource, const QString& dataServer) {
    if (engine == SQLiteEngine) {
        Settings::writeSetting(QStringLiteral("Provider"), ProviderName::SQLite);
        Settings::writeSetting(QStringLiteral("DataSource"), dataSource);
        Settings::writeSetting(QStringLiteral("DataServer"), QString());
        Settings::writeSetting(QStringLiteral("ConnectionMisc"), QStringLiteral(";Persist Security Info=False"));
    } else {
        Settings::writeSetting(QStringLiteral("Provider"), ProviderName::PostgreSQL);
        Settings::writeSetting(QStringLiteral("DataSource"), dataSource);
        Settings::writeSetting(QStringLiteral("DataServer"), dataServer);
        Settings::writeSetting(QStringLiteral("ConnectionMisc"), QStringLiteral(";Persist Security Info=False;"));
    }
}

QString OptionsLogic::folderSetting(QString folder) {
    ensureEnding(folder, '/');
    return folder;
}

void OptionsLogic::load() {
    m_fields = Fields();
    const bool sqlite = Settings::readSetting(QStringLiteral("Provider")) == ProviderName::SQLite;
    m_fields.optEngine = sqlite ? SQLiteEngine : PostgreSQLEngine;
    if (sqlite) {
        m_fields.txtFilePath = Settings::readSetting(QStringLiteral("DataSource"));
    } else {
        m_fields.txtServer = Settings::readSetting(QStringLiteral("DataServer"));
        m_fields.txtCatalog = Settings::readSetting(QStringLiteral("DataSource"));
    }
    m_fields.txtReportPath = Settings::readSetting(QStringLiteral("ReportDataPath"));
    m_fields.txtLayoutPath = Settings::readSetting(QStringLiteral("LayoutPath"));
    m_fields.txtLogPath = Settings::readSetting(QStringLiteral("LogPath"));
    m_fields.txtUnitPath = Settings::readSetting(QStringLiteral("UnitPath"));
    m_companyAvailable = DataEnvironment::instance().isOpen();
    if (!m_companyAvailable)
        return;
    const CompanyParameter& company = DataEnvironment::instance().rsCompanyParameter();
    m_fields.txtCompanyName = company.Name;
    m_fields.txtDeviceTemplatePath = company.DeviceTemplatePath;
    m_fields.txtDeviceEvaluationPath = company.DeviceEvaluationPath;
    m_fields.txtReportColumns = QString::number(company.ReportColumns);
    m_lastReportColumns = m_fields.txtReportColumns;
}

bool OptionsLogic::checkReportColumns() {
    bool ok = false;
    const int columns = m_fields.txtReportColumns.trimmed().toInt(&ok);
    if (ok && columns >= 1 && columns <= 10) {
        m_fields.txtReportColumns = QString::number(columns);
        m_lastReportColumns = m_fields.txtReportColumns;
        return true;
    }
    programPrompter().inform(QStringLiteral("Report columns must be a whole number from 1 to 10."),
                             QStringLiteral("Entry Error"), PromptIcon::Critical);
    m_fields.txtReportColumns = m_lastReportColumns;
    return false;
}

bool OptionsLogic::leaveField(const QString& controlName) {
    if (controlName == QLatin1String("txtLayoutPath"))
        m_fields.txtLayoutPath = folderSetting(m_fields.txtLayoutPath);
    else if (controlName == QLatin1String("txtLogPath"))
        m_fields.txtLogPath = folderSetting(m_fields.txtLogPath);
    else if (controlName == QLatin1String("txtUnitPath"))
        m_fields.txtUnitPath = folderSetting(m_fields.txtUnitPath);
    else if (controlName == QLatin1String("txtDeviceTemplatePath"))
        ensureEnding(m_fields.txtDeviceTemplatePath, '\\');
    else if (controlName == QLatin1String("txtDeviceEvaluationPath"))
        ensureEnding(m_fields.txtDeviceEvaluationPath, '\\');
    else if (controlName == QLatin1String("txtReportColumns"))
        return checkReportColumns();
    return true;
}

bool OptionsLogic::checkFolders() {
    const QString log = QDir::toNativeSeparators(m_fields.txtLogPath);
    if (!QFileInfo(m_fields.txtLogPath).isDir()) {
        m_refusedField = QStringLiteral("txtLogPath");
        // Errors would go unrecorded in a folder that is not there.
        if (m_fields.txtLogPath.isEmpty()) {
            programPrompter().inform(QStringLiteral("Enter the folder for the error log."), Title,
                                     PromptIcon::Critical);
            return false;
        }
        if (!programPrompter().confirm(QStringLiteral("The log folder %1 does not exist.\r\nCreate it?").arg(log),
                                       Title))
            return false;
        if (!QDir().mkpath(m_fields.txtLogPath)) {
            programPrompter().inform(QStringLiteral("The log folder %1 cannot be created.").arg(log), Title,
                                     PromptIcon::Critical);
            return false;
        }
    }
    // A unit that is not plugged in has no folder yet: that may be meant.
    if (!QFileInfo(m_fields.txtUnitPath).isDir()) {
        m_refusedField = QStringLiteral("txtUnitPath");
        const QString text =
            (m_fields.txtUnitPath.isEmpty()
                 ? QStringLiteral("No unit folder is given, so no unit can be reached.")
                 : QStringLiteral("The unit folder %1 does not exist, so no unit is connected there now.")
                       .arg(QDir::toNativeSeparators(m_fields.txtUnitPath))) +
            QStringLiteral("\r\nKeep it all the same?");
        if (programPrompter().ask({text, Title, PromptIcon::Exclamation, PromptButtons::YesNo, PromptAnswer::No}) !=
            PromptAnswer::Yes)
            return false;
    }
    m_refusedField.clear();
    return true;
}

bool OptionsLogic::ok() {
    m_refusedField.clear();
    QList<const char*> checked = {"txtLayoutPath", "txtLogPath", "txtUnitPath"};
    if (m_companyAvailable)
        checked << "txtDeviceTemplatePath"
                << "txtDeviceEvaluationPath"
                << "txtReportColumns";
    for (const char* field : checked) {
        if (!leaveField(QString::fromLatin1(field))) {
            m_refusedField = QString::fromLatin1(field);
            return false;
        }
    }
    if (!checkFolders())
        return false;
    if (m_fields.optEngine == SQLiteEngine)
        writeDatabaseSettings(SQLiteEngine, m_fields.txtFilePath, QString());
    else
        writeDatabaseSettings(PostgreSQLEngine, m_fields.txtCatalog, m_fields.txtServer);
    Settings::writeSetting(QStringLiteral("LayoutPath"), m_fields.txtLayoutPath);
    Settings::writeSetting(QStringLiteral("LogPath"), m_fields.txtLogPath);
    Settings::writeSetting(QStringLiteral("ReportDataPath"), m_fields.txtReportPath);
    Settings::writeSetting(QStringLiteral("UnitPath"), m_fields.txtUnitPath);
    // At a start-up without a database the program tries the new settings at once.
    if (!m_companyAvailable)
        return true;

    CompanyParameter company;
    company.Name = m_fields.txtCompanyName;
    company.DeviceTemplatePath = m_fields.txtDeviceTemplatePath;
    company.DeviceEvaluationPath = m_fields.txtDeviceEvaluationPath;
    company.ReportColumns = m_fields.txtReportColumns.toInt();
    DataEnvironment::instance().saveCompanyParameter(company);

    programPrompter().inform(QStringLiteral("Values saved, restart program to use new parameters."),
                             QStringLiteral("Saved Changes"));
    return true;
}

bool OptionsLogic::cancel() {
    return programPrompter().ask({QStringLiteral("Quit without saving changes?"), QStringLiteral("Cancel Verification"),
                                  PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::Yes}) == PromptAnswer::Yes;
}
