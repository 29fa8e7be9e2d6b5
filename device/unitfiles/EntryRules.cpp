#include "EntryRules.h"

#include <QStringList>
#include <algorithm>

namespace EntryRules {

namespace {

bool allDigits(QStringView text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// The blanks that a phone's or a PC's keyboard puts around an entry.
bool isEntryBlank(QChar c) {
    return c == u' ' || c == QChar(0x00A0);
}

// Downloaded is stored as the local time in this form on both engines, so text bounds
// compare correctly in SQLite and convert to timestamps in PostgreSQL.
QString timestampText(const QDate& day) {
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("T00:00:00");
}

} // namespace

bool isNumeric(const QString& text) {
    QStringView rest(text);
    if (rest.startsWith(u'+') || rest.startsWith(u'-'))
        rest = rest.mid(1);
    const qsizetype point = rest.indexOf(u'.');
    if (point < 0)
        return allDigits(rest);
    return allDigits(rest.left(point)) && allDigits(rest.mid(point + 1));
}

double numericValue(const QString& text) {
    if (!isNumeric(text))
        return 0;
    // Only ASCII digits, a sign and a point get here: the C conversion reads them exactly.
    return QStringView(text).startsWith(u'+') ? text.mid(1).toDouble() : text.toDouble();
}

std::optional<QDate> parseDate(const QString& text) {
    const QStringList parts = text.split(u'/');
    if (parts.size() != 3)
        return std::nullopt;
    const QString& month = parts[0];
    const QString& day = parts[1];
    const QString& year = parts[2];
    if (month.size() > 2 || day.size() > 2 || (year.size() != 2 && year.size() != 4))
        return std::nullopt;
    if (!allDigits(month) || !allDigits(day) || !allDigits(year))
        return std::nullopt;
    int fullYear = year.toInt();
    if (year.size() == 2)
        fullYear += fullYear < 30 ? 2000 : 1900;
    const QDate date(fullYear, month.toInt(), day.toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

bool isDate(const QString& text) {
    return parseDate(text).has_value();
}

QString trimmedEntry(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isEntryBlank(text.at(begin)))
        ++begin;
    while (end > begin && isEntryBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool isBlank(const QString& text) {
    return std::all_of(text.begin(), text.end(), isEntryBlank);
}

EntryCheck checkEntry(const EntryField& field, const QString& text) {
    const QString entry = trimmedEntry(text);
    if (field.maximumLength > 0 && entry.size() > field.maximumLength)
        return {EntryRefusal::Length, QStringLiteral("The entry of the field \"%1\" has %2 characters; the field "
                                                     "holds at most %3.")
                                          .arg(field.label)
                                          .arg(entry.size())
                                          .arg(field.maximumLength)};
    if (entry.isEmpty()) {
        if (field.forced)
            return {EntryRefusal::Forced,
                    QStringLiteral("Entry manditory into the ") + field.label + QStringLiteral(" field.")};
        return {};
    }
    if (field.type == FieldType::Numeric && !isNumeric(entry))
        return {EntryRefusal::Numeric, QStringLiteral("Invalid entry, must be numeric.")};
    if (field.type == FieldType::Date && !isDate(entry))
        return {EntryRefusal::Date, QStringLiteral("Invalid date entered.")};
    return {};
}

QString shortDate(const QDate& date) {
    return date.toString(QStringLiteral("MM/dd/yy"));
}

DownloadedRange downloadedRange(const QDate& begin, const QDate& end) {
    return {timestampText(begin), timestampText(end.addDays(1))};
}

} // namespace EntryRules
