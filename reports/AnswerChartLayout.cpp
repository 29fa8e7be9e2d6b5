#include "AnswerChartLayout.h"

#include "ReportText.h"

#include <cmath>

namespace {

constexpr int CategoryGap = 200;
// The narrowest group of bars: its label under it still reads.
constexpr int NarrowestCategory = 900;
constexpr int WidestBar = 600;
constexpr int LabelMargin = 60;
constexpr int BarPadding = 50;
constexpr int MaxLabelLines = 2;
// Many groups make many bars: their counts take the smaller size.
constexpr int ManyGroups = 6;

} // namespace

int AnswerChartLayout::Chart::rowHeight(int row, int barArea) const {
    return CountLine + barArea + BaselineGap + labelLines.at(row) * LabelLine + RowGap;
}

AnswerChartLayout::Chart AnswerChartLayout::chart(const QList<AnswerChartData::Bar>& bars, int groups, int widest,
                                                  bool spread) {
    Chart chart;
    groups = std::max(1, groups);
    for (const AnswerChartData::Bar& bar : bars)
        chart.highest = std::max(chart.highest, bar.highest());
    chart.countPoints = groups >= ManyGroups ? 6 : 7;
    const QString widestCount(QString::number(chart.highest).size(), QLatin1Char('0'));
    const int countWidth = int(std::ceil(ReportText::width(widestCount, chart.countPoints))) + BarPadding;
    // So many groups that their bars pass the width: the bars narrow, their counts crowd.
    const int narrowest = std::min(countWidth, (Width - CategoryGap) / groups);
    if (spread) {
        chart.innerWidth = std::max(groups * narrowest, NarrowestCategory);
        chart.perRow = std::clamp(int(bars.size()), 1, (Width + CategoryGap) / (chart.innerWidth + CategoryGap));
        chart.innerWidth = (Width + CategoryGap) / chart.perRow - CategoryGap;
        chart.barWidth = std::max(narrowest, std::min(widest, chart.innerWidth / groups));
    } else {
        chart.barWidth = std::max(narrowest, std::min(widest, (Width - CategoryGap) / groups));
        chart.innerWidth = std::max(groups * chart.barWidth, NarrowestCategory);
        chart.perRow = std::max(1, (Width + CategoryGap) / (chart.innerWidth + CategoryGap));
    }
    chart.categoryWidth = chart.innerWidth + CategoryGap;
    chart.barsOffset = (chart.innerWidth - groups * chart.barWidth) / 2;
    for (qsizetype first = 0; first < bars.size(); first += chart.perRow) {
        int lines = 1;
        for (qsizetype i = first; i < std::min(bars.size(), first + chart.perRow); ++i) {
            const AnswerChartData::Bar& bar = bars.at(i);
            QString label = bar.label;
            if (bar.kind == AnswerChartData::BarKind::DeletedAnswer ||
                bar.kind == AnswerChartData::BarKind::DeletedPickEntry)
                label += QStringLiteral(" (deleted)");
            chart.labels << ReportText::wrapped(label, chart.categoryWidth - LabelMargin, LabelPoints, MaxLabelLines);
            lines = std::max(lines, int(chart.labels.last().size()));
        }
        chart.labelLines << lines;
    }
    return chart;
}

AnswerChartLayout::AnswerChartLayout(const AnswerChartData::Question& question, int groups)
    : m_answers(chart(question.answers, groups, WidestBar, true)) {
    m_lines << Line{Line::Heading, 0};
    for (int row = 0; row < m_answers.rows(); ++row)
        m_lines << Line{Line::AnswerRow, row};
    if (question.picks.isEmpty())
        return;
    m_picks = chart(question.picks, groups, m_answers.barWidth, false);
    m_lines << Line{Line::PickHeading, 0};
    for (int row = 0; row < m_picks->rows(); ++row)
        m_lines << Line{Line::PickRow, row};
}

int AnswerChartLayout::barArea(Line::Kind kind, double scale) const {
    return int(std::lround((kind == Line::PickRow ? PickBars : AnswerBars) * scale));
}

int AnswerChartLayout::lineHeight(const Line& line, double scale) const {
    switch (line.kind) {
    case Line::Heading:
        return HeadingLine;
    case Line::PickHeading:
        return PickHeadingLine;
    case Line::AnswerRow:
        return m_answers.rowHeight(line.row, barArea(line.kind, scale));
    case Line::PickRow:
        return m_picks->rowHeight(line.row, barArea(line.kind, scale));
    }
    return 0;
}

int AnswerChartLayout::height(double scale) const {
    int total = 0;
    for (const Line& line : m_lines)
        total += lineHeight(line, scale);
    return total;
}

double AnswerChartLayout::scaleToFit(int available) const {
    const int full = height(1.0);
    if (full <= available)
        return 1.0;
    // The height grows with the scale in a straight line (but for rounding).
    const int fixed = height(0.0);
    double scale = double(available - fixed) / (full - fixed);
    while (scale > SmallestScale && height(scale) > available)
        scale -= 0.01;
    return std::max(SmallestScale, scale);
}
