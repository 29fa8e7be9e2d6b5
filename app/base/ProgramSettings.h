#pragma once

#include <QString>

// The program-wide settings, filled once at start-up by LoadSettings and read everywhere.
// Folder values end with "/" and are joined to file names without a separator.
struct ProgramSettings {
    QString RegistryKeyPath;
    QString AppPath;
    QString WindowsFolder;
    QString UserName;
    QString HelpFile;
    QString DatabaseConnectionString;
    QString Provider;
    QString DataPath;
    QString ImportPath;
    QString LayoutPath;
    QString LogPath;
    QString ReportDataPath;
    QString UnitPath;
};

ProgramSettings& programSettings();

namespace ProviderName {
inline const QString SQLite = QStringLiteral("SQLite");
inline const QString PostgreSQL = QStringLiteral("PostgreSQL");
} // namespace ProviderName

inline const QString KestrivoRegistryKeyPath = QStringLiteral("Software\\Halvane\\Kestrivo");
