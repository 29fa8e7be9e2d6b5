#pragma once

#include <QString>

// The files that come with the program (the agreement text, the help pages and the default
// grid layouts) are built into it and written into the program folder when they are missing
// there, so a new KESTRIVO_HOME works at once. Help pages are refreshed when they differ;
// the agreement and the layouts are the installation's own once they exist.
namespace ShippedFiles {
void install(const QString& appPath);
}
