#pragma once

#include "ProgramSettings.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// Start-up settings: the first-run defaults, the connection string and LoadSettings.
namespace Settings {

// The setting names in the order the first run writes them.
QStringList valueNames();

// (name, default) for every setting, in first-run order, for the given program folder.
std::vector<std::pair<QString, QString>> firstRunDefaults(const QString& appPath);

QString GetLoginUserName();

// The unit folder below the program folder: the default UnitPath, an emulated unit that the PC
// keeps itself when no handheld is docked.
QString emulatedUnitPath(const QString& appPath);

// $KESTRIVO_HOME when set; else the program folder, or "/opt/kestrivo/" when that folder
// lies below a "Development" folder, or the user's data folder + "kestrivo/" for a program
// installed as PREFIX/bin beside PREFIX/share/kestrivo. Always ends with "/".
QString resolveAppPath(const QString& programFolder);

QString buildConnectionString(const QString& provider, const QString& dataSource, const QString& dataServer,
                              const QString& connectionMisc);

// Reads the settings, writing the defaults first on the first run. Throws KestrivoError
// naming the setting or the file when they are unusable.
void LoadSettings(ProgramSettings& settings, const QString& programFolder);

QString readSetting(const QString& name);
void writeSetting(const QString& name, const QString& value);

} // namespace Settings
