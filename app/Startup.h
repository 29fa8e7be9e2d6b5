#pragma once

#include <QString>
#include <functional>

// The start-up steps that the program and the CLI share: read (or on the first run write)
// the settings, then open the shared connection and the company parameter row.
namespace Startup {

// Fills programSettings(). Throws KestrivoError naming the setting or file at fault.
void loadProgramSettings(const QString& programFolder);

// Opens DataEnvironment on the settings' connection string, then gives the emulated unit
// the folders of the company parameter row that it lacks. Throws KestrivoError whose
// description names the database and the reason.
void openDatabase();

// Shows the options window modally, where the user may point the program elsewhere.
using OptionsWindow = std::function<void()>;

// The program's start-up before its main window: settings, the shipped files, the database.
// A database that cannot be opened is reported (and logged when the log folder is known)
// with the choice of Options, after which the settings are read and the database tried
// again, or Quit. Returns 0 when the program can go on; otherwise the exit code.
int prepareProgram(const QString& programFolder, const OptionsWindow& options);

} // namespace Startup
