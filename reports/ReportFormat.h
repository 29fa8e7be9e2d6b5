#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// The number texts of the printed reports, as the classic format strings and conversions
// produce them, so a figure reads the same on every report and in every locale.
namespace ReportFormat {

// Formats value with a pattern of "#" (a digit, or nothing where it would be a leading or
// trailing zero), "0" (a digit, or a zero), one "." and a trailing "%" (the value is first
// multiplied by 100). Rounds half away from zero on the value's 15 significant digits, so
// 12.345 with "#.#0" gives "12.35", 0.5 gives ".50" and 0 gives ".00".
QString format(double value, QStringView pattern);

// A whole number as the classic Str conversion writes it: a leading blank instead of the
// sign of a number that is not negative (" 1", "-1").
QString str(qint64 value);

// A conversion to a 16-bit whole number that rounds halves to the even neighbour
// (1387.5 gives 1388, 1386.5 gives 1386).
int cint(double value);

} // namespace ReportFormat
