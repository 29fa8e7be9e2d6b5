#pragma once

#include <QDate>
#include <QString>
#include <optional>

// The rules for numbers and dates typed by a user, the same in every window and command: the
// evaluation editor, the open dialog and the report window all accept exactly the same text.
namespace EntryRules {

// An optional sign, digits, and optionally "." and more digits ("-12", "+3.5", "007").
// Blanks, exponents, thousands separators and a bare "." are refused, and so is empty text.
bool isNumeric(const QString& text);
// The value of a numeric text; 0 for any other text.
double numericValue(const QString& text);

// mm/dd/yy or mm/dd/yyyy (month and day of one or two digits) naming a real calendar day.
// Two-digit years 00–29 are 2000–2029 and 30–99 are 1930–1999.
std::optional<QDate> parseDate(const QString& text);
bool isDate(const QString& text);
// "mm/dd/yy", as a new date field starts and as the date fields of the dialogs show.
QString shortDate(const QDate& date);

// The evaluations downloaded from the first moment of begin to the last moment of end: the
// whole end day is included. Bind from and before to DownloadedCondition, in that order.
struct DownloadedRange {
    QString from;
    QString before;
};
DownloadedRange downloadedRange(const QDate& begin, const QDate& end);
inline const QString DownloadedCondition = QStringLiteral("(Downloaded >= ? AND Downloaded < ?)");

} // namespace EntryRules
