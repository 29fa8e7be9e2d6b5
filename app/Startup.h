#pragma once

#include <QString>

// The start-up steps that the program and the CLI share: read (or on the first run write)
// the settings, then open the shared connection and the company parameter row.
namespace Startup {

// Fills programSettings(). Throws KestrivoError naming the setting or file at fault.
void loadProgramSettings(const QString& programFolder);

// Opens DataEnvironment on the settings' connection string, then gives the emulated unit
// the folders of the company parameter row that it lacks. Throws KestrivoError whose
// description names the database and the reason.
void openDatabase();

// The program's start-up before its main window: settings, the shipped files, the database.
// Returns 0 when the program can go on; otherwise the user has been told why (and the
// reason logged when the log folder is known) and the result is the exit code.
int prepareProgram(const QString& programFolder);

} // namespace Startup
