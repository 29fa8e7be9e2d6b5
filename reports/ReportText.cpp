#include "ReportText.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <memory>

namespace {

// Fonts measured at this many pixels to the em, far above any device's rounding.
constexpr int MeasuredPixels = 2000;
constexpr double TwipsPerPoint = 20;
// An average Arial character, in ems, where no font can be measured.
constexpr double AverageCharacter = 0.6;
const QString Ellipsis = QStringLiteral("…");

const QFontMetricsF* metrics(bool bold) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    static std::unique_ptr<QFontMetricsF> measured[2];
    std::unique_ptr<QFontMetricsF>& slot = measured[bold ? 1 : 0];
    if (!slot) {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(MeasuredPixels);
        font.setBold(bold);
        font.setHintingPreference(QFont::PreferNoHinting);
        slot = std::make_unique<QFontMetricsF>(font);
    }
    return slot.get();
}

} // namespace

double ReportText::width(const QString& text, int points, bool bold) {
    const double em = points * TwipsPerPoint;
    const QFontMetricsF* font = metrics(bold);
    if (!font)
        return text.size() * AverageCharacter * em;
    return font->horizontalAdvance(text) * em / MeasuredPixels;
}

QString ReportText::elided(const QString& text, double available, int points, bool bold) {
    if (width(text, points, bold) <= available)
        return text;
    QString cut = text;
    while (!cut.isEmpty() && width(cut.trimmed() + Ellipsis, points, bold) > available)
        cut.chop(1);
    return cut.trimmed() + Ellipsis;
}

QStringList ReportText::wrapped(const QString& text, double available, int points, int maxLines, bool bold) {
    QStringList lines;
    QString line;
    const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString candidate = line.isEmpty() ? words.at(i) : line + QLatin1Char(' ') + words.at(i);
        if (line.isEmpty() || width(candidate, points, bold) <= available) {
            line = candidate;
            continue;
        }
        if (lines.size() + 1 == maxLines) {
            // The last line takes the rest of the text, cut where it must be.
            const QString rest = line + QLatin1Char(' ') + QStringList(words.mid(i)).join(QLatin1Char(' '));
            lines << elided(rest, available, points, bold);
            return lines;
        }
        lines << elided(line, available, points, bold);
        line = words.at(i);
    }
    if (!line.isEmpty())
        lines << elided(line, available, points, bold);
    return lines;
}
