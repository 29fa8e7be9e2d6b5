#pragma once

#include <QString>

// Rules for the names of the files exchanged with the unit.
namespace FileNames {

// An evaluation's file name as the evaluation editor and the handheld compose it: the text
// without any of the characters `~!@#$%^&*()/?<>,.\| (blanks and all others stay).
QString CleanFileName(const QString& text);

// A bare file name as a unit listing should give it: not empty, not "." or "..", no
// folder separator, no NUL.
bool isBareFileName(const QString& name);

// A name that can become a file name on the PC and on the unit: a bare file name that holds
// no control character and none of : * ? " < > |.
bool isPortableFileName(const QString& name);

} // namespace FileNames
