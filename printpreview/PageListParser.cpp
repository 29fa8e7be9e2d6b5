#include "PageListParser.h"

#include <limits>

QList<PageRange> PageListParser::parse(const QString& text) {
    QList<PageRange> ranges;
    QString digits;
    bool rangeOpen = false;
    qint32 start = 0;
    // Page numbers beyond what a page can be are kept at the largest one: no such page exists.
    const auto value = [&digits] {
        qint64 number = 0;
        for (QChar digit : digits)
            number = std::min<qint64>(number * 10 + digit.digitValue(), std::numeric_limits<qint32>::max());
        return qint32(number);
    };
    const auto endItem = [&] {
        if (!digits.isEmpty()) {
            const qint32 v = value();
            if (rangeOpen) {
                rangeOpen = false;
                if (v > 0)
                    ranges.append(v >= start ? PageRange{start, v} : PageRange{v, start});
            } else if (v > 0) {
                ranges.append({v, v});
            }
        }
        digits.clear();
        start = 0;
    };
    for (QChar character : text) {
        if (character == QLatin1Char(',')) {
            endItem();
        } else if (character == QLatin1Char('-')) {
            rangeOpen = true;
            if (start == 0)
                start = digits.isEmpty() ? 0 : value();
            digits.clear();
        } else if (character >= QLatin1Char('0') && character <= QLatin1Char('9')) {
            digits.append(character);
        }
    }
    endItem();
    return ranges;
}
