#pragma once

#include <QString>
#include <QStringList>

struct ProgramSettings;

// The unit's template and evaluation folders as folders of the PC below the unit folder, and
// the emulated unit below the program folder that a team without a handheld sends templates
// to (its phones read them there through the web unit).
namespace UnitFolders {

// The PC folder, ending with "/", of a unit folder text (DeviceTemplatePath, "\A\B\") below
// the unit folder root. Throws KestrivoError for a text that is not a folder below it.
QString below(const QString& root, const QString& unitFolder);

// Makes the folders of the PC. Throws KestrivoError naming the first that cannot be made.
void make(const QStringList& folders);

// Makes the template and evaluation folders below root, as the handheld application does
// when it starts. Throws KestrivoError naming the folder that cannot be made.
void create(const QString& root, const QString& templateFolder, const QString& evaluationFolder);

// True when the unit folder is the emulated unit below the program folder, however its path
// is spelt.
bool isEmulated(const QString& unitPath, const QString& appPath);

// At start-up: the emulated unit gets the folders that the company parameter row names whenever
// they are missing, so that the PC alone can take templates to phones. A unit mounted elsewhere
// is a real handheld's, whose own application makes them. A folder that cannot be made goes
// to the error log without a box: the program is usable without it. True when the emulated
// unit has its folders.
bool prepareEmulatedUnit(const ProgramSettings& settings, const QString& templateFolder,
                         const QString& evaluationFolder);

} // namespace UnitFolders
