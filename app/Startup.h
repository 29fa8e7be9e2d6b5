#pragma once

#include <QString>

// The start-up steps that the program and the CLI share: read (or on the first run write)
// the settings, then open the shared connection and the company parameter row.
namespace Startup {

// Fills programSettings(). Throws KestrivoError naming the setting or file at fault.
void loadProgramSettings(const QString& programFolder);

// Opens DataEnvironment on the settings' connection string. Throws KestrivoError whose
// description names the database and the reason.
void openDatabase();

} // namespace Startup
