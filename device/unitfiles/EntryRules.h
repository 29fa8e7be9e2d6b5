#pragma once

#include "FieldType.h"

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

// An entry field as its entries are checked: the label its messages name, its type, the
// characters it holds (0: no limit) and whether it is forced.
struct EntryField {
    QString label;
    FieldType type = FieldType::Text;
    int maximumLength = 0;
    bool forced = false;
};

enum class EntryRefusal { None, Length, Forced, Numeric, Date };

struct EntryCheck {
    EntryRefusal refusal = EntryRefusal::None;
    QString message; // shown at the field; empty when the entry is taken
};

// What is kept of a typed entry: the text without spaces and no-break spaces at either end.
QString trimmedEntry(const QString& text);
// Nothing but spaces and no-break spaces, or nothing at all: no entry, which a forced field refuses.
bool isBlank(const QString& text);
// The first rule that a typed entry of a text, numeric or date field breaks, judged on the text
// as trimmedEntry keeps it: too long, forced but blank, not a number, not a date. A blank entry of
// a field that is not forced is no entry, whatever the type. Nothing is ever cut to fit.
EntryCheck checkEntry(const EntryField& field, const QString& text);

// The evaluations downloaded from the first moment of begin to the last moment of end: the
// whole end day is included. Bind from and before to DownloadedCondition, in that order.
struct DownloadedRange {
    QString from;
    QString before;
};
DownloadedRange downloadedRange(const QDate& begin, const QDate& end);
inline const QString DownloadedCondition = QStringLiteral("(Downloaded >= ? AND Downloaded < ?)");

} // namespace EntryRules
