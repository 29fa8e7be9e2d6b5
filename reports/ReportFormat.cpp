#include "ReportFormat.h"

#include <algorithm>
#include <cmath>

namespace ReportFormat {

namespace {

// Adds one to a string of decimal digits.
QString incremented(QString digits) {
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != u'9') {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
        digits[i] = u'0';
    }
    return QLatin1Char('1') + digits;
}

// |value| × 10^(decimals + shift), rounded half away from zero, as a string of digits. The
// value is taken at 15 significant digits, the precision a double holds for certain: that
// is what a user typed or a sum of such figures means, not its binary neighbour.
QString scaledDigits(double value, int decimals, int shift) {
    const QString scientific = QString::number(std::fabs(value), 'e', 14);
    const qsizetype e = scientific.indexOf(u'e');
    const QString digits = scientific.left(1) + scientific.mid(2, e - 2);
    const int point = scientific.mid(e + 1).toInt() + 1 + decimals + shift;
    if (point <= 0)
        return point == 0 && digits[0] >= u'5' ? QStringLiteral("1") : QStringLiteral("0");
    if (point >= digits.size())
        return digits + QString(point - digits.size(), u'0');
    const QString kept = digits.left(point);
    return digits[point] >= u'5' ? incremented(kept) : kept;
}

} // namespace

QString format(double value, QStringView pattern) {
    if (!std::isfinite(value))
        return {};
    const bool percent = pattern.endsWith(u'%');
    if (percent)
        pattern.chop(1);
    const qsizetype pointAt = pattern.indexOf(u'.');
    const QStringView wholePattern = pointAt < 0 ? pattern : pattern.left(pointAt);
    const QStringView fractionPattern = pointAt < 0 ? QStringView() : pattern.mid(pointAt + 1);
    const int decimals = int(fractionPattern.size());
    const int mandatory = int(fractionPattern.lastIndexOf(u'0')) + 1;
    const int minimumWhole = int(wholePattern.count(u'0'));

    QString digits = scaledDigits(value, decimals, percent ? 2 : 0);
    if (digits.size() <= decimals)
        digits = QString(decimals + 1 - digits.size(), u'0') + digits;
    QString whole = digits.left(digits.size() - decimals);
    QString fraction = digits.right(decimals);
    const bool zero = std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c == u'0'; });

    qsizetype lead = 0;
    while (lead < whole.size() && whole[lead] == u'0')
        ++lead;
    whole = whole.mid(lead);
    if (whole.size() < minimumWhole)
        whole = QString(minimumWhole - whole.size(), u'0') + whole;
    while (fraction.size() > mandatory && fraction.endsWith(u'0'))
        fraction.chop(1);

    QString text = (value < 0 && !zero) ? QStringLiteral("-") : QString();
    text += whole;
    if (pointAt >= 0)
        text += QLatin1Char('.') + fraction;
    if (percent)
        text += QLatin1Char('%');
    return text;
}

QString str(qint64 value) {
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

int cint(double value) {
    return int(std::nearbyint(value));
}

} // namespace ReportFormat
