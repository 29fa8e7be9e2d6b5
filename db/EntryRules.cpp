#include "EntryRules.h"

#include <QStringList>

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

QString shortDate(const QDate& date) {
    return date.toString(QStringLiteral("MM/dd/yy"));
}

DownloadedRange downloadedRange(const QDate& begin, const QDate& end) {
    return {timestampText(begin), timestampText(end.addDays(1))};
}

} // namespace EntryRules
