#pragma once

#include <QString>

// Whether the file or catalog of the connection string is there, found without creating or
// changing anything. Throws KestrivoError when the server cannot be asked.
bool databaseExists(const QString& connectionString);
