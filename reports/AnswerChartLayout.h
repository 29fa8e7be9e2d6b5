#pragma once

#include "AnswerChartData.h"

#include <QList>
#include <QStringList>
#include <optional>

// How one question's chart lies on a landscape page, in twips: the heading, the answers as
// rows of bar groups (one bar per group, side by side, under its count), and the pick-list
// entries as a second, smaller chart under them. Bars are at least as wide as their count
// labels need, and the groups of bars no narrower than a readable label under them; as many
// go on a row as the width takes, and the answers spread over the width. The pick list's
// bars are no wider than the answers'. The height of the bars shrinks, down to a smallest
// scale, so that a chart fits on one page.
class AnswerChartLayout {
public:
    static constexpr int Width = 14500; // from the left margin to the end of the rules
    static constexpr int HeadingLine = 300;
    static constexpr int PickHeadingLine = 250;
    static constexpr int CountLine = 170;
    static constexpr int LabelLine = 170;
    static constexpr int LabelPoints = 7;
    static constexpr int BaselineGap = 40;
    static constexpr int RowGap = 80;
    static constexpr int BlockGap = 150;
    static constexpr int AnswerBars = 900; // the tallest bar of the answers at full scale
    static constexpr int PickBars = 450;
    static constexpr double SmallestScale = 0.3;

    // One bar chart: the answers, or the pick-list entries.
    struct Chart {
        int countPoints = 7;
        int barWidth = 0;
        int innerWidth = 0;    // the place of one answer's bars and label
        int categoryWidth = 0; // that place and the gap after it
        int barsOffset = 0;    // from the left of the place to its first bar
        int perRow = 1;
        int highest = 0;           // the largest count, which the tallest bar shows
        QList<QStringList> labels; // per answer, the lines of its label
        QList<int> labelLines;     // per row
        int rows() const { return int(labelLines.size()); }
        int rowHeight(int row, int barArea) const;
    };
    struct Line {
        enum Kind { Heading, AnswerRow, PickHeading, PickRow };
        Kind kind = Heading;
        int row = 0;
    };

    AnswerChartLayout(const AnswerChartData::Question& question, int groups);

    const Chart& answers() const { return m_answers; }
    const std::optional<Chart>& picks() const { return m_picks; }
    const QList<Line>& lines() const { return m_lines; }
    int barArea(Line::Kind kind, double scale) const;
    int lineHeight(const Line& line, double scale) const;
    // All lines, without the gap after the chart (BlockGap).
    int height(double scale) const;
    // The largest scale up to 1 at which the chart takes no more than the height; the
    // smallest scale when even that takes more.
    double scaleToFit(int available) const;

private:
    // The chart's bars no wider than widest; spread, it fills the width.
    static Chart chart(const QList<AnswerChartData::Bar>& bars, int groups, int widest, bool spread);

    Chart m_answers;
    std::optional<Chart> m_picks;
    QList<Line> m_lines;
};
