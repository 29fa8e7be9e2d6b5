#include "Settings.h"

#include "KestrivoError.h"
#include "Registry.h"

#include <QDir>
#include <QStandardPaths>
#include <pwd.h>
#include <unistd.h>

namespace Settings {

namespace {

constexpr RegistryRoot Root = RegistryRoot::HKEY_LOCAL_MACHINE;

QString withSlash(QString folder) {
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}

void createDefaultFolders(const QString& appPath) {
    // The installation's own folders; without them the first run could not log or save.
    for (const char* folder : {"data", "data/Evaluations", "import", "logs", "layouts", "unit"})
        QDir().mkpath(appPath + QString::fromLatin1(folder));
}

} // namespace

QStringList valueNames() {
    return {QStringLiteral("Provider"),       QStringLiteral("DataSource"), QStringLiteral("DataServer"),
            QStringLiteral("ConnectionMisc"), QStringLiteral("ImportPath"), QStringLiteral("LogPath"),
            QStringLiteral("LayoutPath"),     QStringLiteral("DataPath"),   QStringLiteral("ReportDataPath"),
            QStringLiteral("UnitPath")};
}

std::vector<std::pair<QString, QString>> firstRunDefaults(const QString& appPath) {
    return {{QStringLiteral("DataSource"), appPath + QStringLiteral("data/kestrivo.db")},
            {QStringLiteral("DataServer"), QString()},
            {QStringLiteral("ConnectionMisc"), QStringLiteral(";Persist Security Info=False")},
            {QStringLiteral("ImportPath"), appPath + QStringLiteral("import/")},
            {QStringLiteral("LogPath"), appPath + QStringLiteral("logs/")},
            {QStringLiteral("LayoutPath"), appPath + QStringLiteral("layouts/")},
            {QStringLiteral("DataPath"), appPath + QStringLiteral("data/")},
            {QStringLiteral("ReportDataPath"), appPath + QStringLiteral("data/Report.db")},
            {QStringLiteral("UnitPath"), emulatedUnitPath(appPath)},
            {QStringLiteral("Provider"), ProviderName::SQLite}};
}

QString emulatedUnitPath(const QString& appPath) {
    return appPath + QStringLiteral("unit/");
}

QString GetLoginUserName() {
    // The effective user's login name, kept like the 25-character buffer (NUL included)
    // that the name was always read into: at most 24 characters.
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name).left(24);
    return qEnvironmentVariable("USER").left(24);
}

QString resolveAppPath(const QString& programFolder) {
    const QString fromEnvironment = qEnvironmentVariable("KESTRIVO_HOME");
    if (!fromEnvironment.isEmpty())
        return withSlash(QDir(fromEnvironment).absolutePath());
    if (programFolder.contains(QStringLiteral("Development"), Qt::CaseSensitive))
        return QStringLiteral("/opt/kestrivo/");
    // An installed program lies in a bin folder that its users may not write to, with its
    // shared files in share/kestrivo beside it: each user's data goes to their own data folder.
    const QDir folder(programFolder);
    if (folder.dirName() == QLatin1String("bin") && folder.exists(QStringLiteral("../share/kestrivo")))
        return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
               QStringLiteral("kestrivo/");
    return withSlash(programFolder);
}

QString buildConnectionString(const QString& provider, const QString& dataSource, const QString& dataServer,
                              const QString& connectionMisc) {
    QString text = QStringLiteral("Provider=") + provider;
    if (provider == ProviderName::SQLite)
        text += QStringLiteral(";Data Source=") + dataSource;
    else
        text += QStringLiteral(";Initial Catalog=") + dataSource + QStringLiteral(";Data Source=") + dataServer;
    return text + connectionMisc;
}

QString readSetting(const QString& name) {
    return GetRegistryValue(KestrivoRegistryKeyPath, name, Root).toString();
}

void writeSetting(const QString& name, const QString& value) {
    SetRegistryValue(KestrivoRegistryKeyPath, name, value, Root, RegistryType::REG_SZ);
}

void LoadSettings(ProgramSettings& settings, const QString& programFolder) {
    settings.RegistryKeyPath = KestrivoRegistryKeyPath;
    settings.UserName = GetLoginUserName();
    settings.WindowsFolder = QStringLiteral("/usr/bin/");
    settings.AppPath = resolveAppPath(programFolder);
    settings.HelpFile = settings.AppPath + QStringLiteral("help/index.html");

    checkRegistryReadable();
    if (!GetRegistryValue(KestrivoRegistryKeyPath, QStringLiteral("Provider"), Root).isValid()) {
        // Provider is what tells a first run from a later one, so it is written last, after the
        // folders: a program started at the same moment must not read the other settings empty
        // (an empty DataPath puts the certificate authority in the working folder).
        CreateRegistryKey(KestrivoRegistryKeyPath, Root);
        createDefaultFolders(settings.AppPath);
        for (const auto& [name, value] : firstRunDefaults(settings.AppPath))
            writeSetting(name, value);
    } else if (!GetRegistryValue(KestrivoRegistryKeyPath, QStringLiteral("UnitPath"), Root).isValid()) {
        // Settings written before the unit folder existed get its default too.
        writeSetting(QStringLiteral("UnitPath"), emulatedUnitPath(settings.AppPath));
    }

    settings.Provider = readSetting(QStringLiteral("Provider"));
    if (settings.Provider != ProviderName::SQLite && settings.Provider != ProviderName::PostgreSQL)
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("The setting Provider holds \"%1\"; it must be \"%2\" or \"%3\".")
                                .arg(settings.Provider, ProviderName::SQLite, ProviderName::PostgreSQL));
    settings.DatabaseConnectionString =
        buildConnectionString(settings.Provider, readSetting(QStringLiteral("DataSource")),
                              readSetting(QStringLiteral("DataServer")), readSetting(QStringLiteral("ConnectionMisc")));
    settings.ImportPath = readSetting(QStringLiteral("ImportPath"));
    settings.LogPath = readSetting(QStringLiteral("LogPath"));
    settings.LayoutPath = readSetting(QStringLiteral("LayoutPath"));
    settings.DataPath = readSetting(QStringLiteral("DataPath"));
    settings.ReportDataPath = readSetting(QStringLiteral("ReportDataPath"));
    settings.UnitPath = readSetting(QStringLiteral("UnitPath"));
}

} // namespace Settings
