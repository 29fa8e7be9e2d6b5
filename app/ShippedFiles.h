#pragma once

#include <QString>

// The files that come with the program (the agreement text and the help pages) are built
// into it and written into the program folder when they are missing there, so a new
// KESTRIVO_HOME works at once. Help pages are refreshed when they differ.
namespace ShippedFiles {
void install(const QString& appPath);
}
