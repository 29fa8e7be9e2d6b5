#include "AnswerChart.h"

#include "AnswerChartLayout.h"
#include "ChartPalette.h"
#include "GroupSummary.h"
#include "Prompter.h"
#include "ReportPen.h"
#include "ReportSnapshot.h"
#include "ReportText.h"
#include "SummaryHeading.h"
#include "TrelkReportRecorder.h"

#include <cmath>
#include <memory>

namespace {

using Layout = AnswerChartLayout;
using Kind = AnswerChartData::BarKind;

constexpr int Landscape = SummaryHeading::Landscape;
constexpr int Left = SummaryHeading::LeftMargin;
constexpr int Right = SummaryHeading::RuleRight;
constexpr int PageBottom = 11800;
constexpr int LegendLine = 250;
constexpr int SwatchTop = 40;
constexpr int SwatchWidth = 250;
constexpr int SwatchHeight = 160;
constexpr int SwatchText = 350;
constexpr int LegendSpacing = 400;
constexpr int Small = 8;
constexpr int Large = 10;
// A count after a heading of the larger size sits on about the same baseline.
constexpr int SmallerBaseline = 30;
constexpr int CountAfterHeading = 200;
constexpr int Outline = 1;
// The shortest bar: one evaluation among thousands still shows.
constexpr int ShortestBar = 15;

QString evaluationsText(int count) {
    return count == 1 ? QStringLiteral("1 evaluation") : QStringLiteral("%1 evaluations").arg(count);
}

int whole(double twips) {
    return int(std::lround(twips));
}

} // namespace

AnswerChart::AnswerChart(const Database& database, QString companyName)
    : m_database(database), m_companyName(std::move(companyName)) {}

int AnswerChart::run(TrelkReportRecorder& recorder, const ReportRequest& request, const ReportOutput& output) {
    const std::optional<int> key = record(recorder, request, output.keep);
    return key ? deliverReport(recorder, *key, output) : 0;
}

std::optional<int> AnswerChart::record(TrelkReportRecorder& recorder, const ReportRequest& request, bool keep) {
    const int key = recorder.ppReportStart(false, keep);
    {
        ReportSnapshot snapshot(m_database);
        const std::unique_ptr<ConnectionThread> second = snapshot.secondReader();
        m_data = AnswerChartData::count(m_database, request, second.get());
    }
    if (m_data.groups.isEmpty()) {
        programPrompter().inform(GroupSummary::NothingMessage, GroupSummary::NothingTitle, PromptIcon::Exclamation);
        return std::nullopt;
    }
    m_request = &request;
    m_page = 0;
    if (!m_now.isValid())
        m_now = QDateTime::currentDateTime();
    const int questions = int(m_data.questions.size());
    if (m_progress)
        m_progress(0, questions);
    ReportPen pen(recorder, key);
    newPage(pen);
    if (questions == 0)
        pen.text(m_y, Left, QStringLiteral("The template has no questions."), m_page, Landscape, false, Small);
    for (int i = 0; i < questions; ++i) {
        question(pen, m_data.questions.at(i));
        if (m_progress)
            m_progress(i + 1, questions);
    }
    m_request = nullptr;
    m_data = {};
    return key;
}

void AnswerChart::newPage(ReportPen& pen) {
    ++m_page;
    SummaryHeading heading;
    heading.company = m_companyName;
    heading.title = m_request->report.name + QStringLiteral(": ") + m_now.toString(QStringLiteral("MM/dd/yy HH:mm"));
    heading.templateText = m_request->templateText;
    heading.beginText = m_request->beginText;
    heading.endText = m_request->endText;
    const int y = legend(pen, heading.record(pen, m_page));
    pen.line(Left, y, Right, y, m_page, Landscape);
    m_y = m_chartsTop = y + SummaryHeading::RuleGap;
}

int AnswerChart::legend(ReportPen& pen, int y) {
    int x = Left;
    for (int group = 0; group < m_data.groups.size(); ++group) {
        const AnswerChartData::Group& entry = m_data.groups.at(group);
        const QString name = entry.name.isEmpty() ? QStringLiteral("(no group)") : entry.name;
        const QString text =
            ReportText::elided(name + QStringLiteral(" (") + evaluationsText(entry.evaluations) + QStringLiteral(")"),
                               Right - Left - SwatchText, Small);
        const int width = SwatchText + whole(ReportText::width(text, Small));
        if (x > Left && x + width > Right) {
            x = Left;
            y += LegendLine;
        }
        pen.box(x, y + SwatchTop, SwatchWidth, SwatchHeight, m_page, Landscape, ChartPalette::color(group),
                ChartPalette::fillStyle(group), Outline);
        int textY = y;
        pen.text(textY, x + SwatchText, text, m_page, Landscape, false, Small, 0);
        x += width + LegendSpacing;
    }
    y += LegendLine;
    if (!m_data.emptyGroups.isEmpty())
        pen.text(y, Left,
                 ReportText::elided(QStringLiteral("No chosen evaluations: ") +
                                        m_data.emptyGroups.join(QStringLiteral(", ")),
                                    Right - Left, Small),
                 m_page, Landscape, false, Small, LegendLine);
    return y;
}

void AnswerChart::question(ReportPen& pen, const AnswerChartData::Question& question) {
    const Layout layout(question, int(m_data.groups.size()));
    const double scale = layout.scaleToFit(PageBottom - m_chartsTop);
    // A chart goes whole onto the first page with room for it.
    if (m_y + layout.height(scale) > PageBottom && m_y > m_chartsTop)
        newPage(pen);
    for (const Layout::Line& line : layout.lines()) {
        // Only a chart taller than a whole page gets here: it goes on, under its heading.
        if (m_y + layout.lineHeight(line, scale) > PageBottom && m_y > m_chartsTop) {
            newPage(pen);
            heading(pen, question, true);
        }
        const int barArea = layout.barArea(line.kind, scale);
        switch (line.kind) {
        case Layout::Line::Heading:
            heading(pen, question, false);
            break;
        case Layout::Line::PickHeading: {
            int y = m_y;
            pen.text(y, Left, QStringLiteral("Pick List Items"), m_page, Landscape, true, Small, 0);
            m_y += Layout::PickHeadingLine;
            break;
        }
        case Layout::Line::AnswerRow:
            barRow(pen, layout.answers(), question.answers, line.row, barArea);
            break;
        case Layout::Line::PickRow:
            barRow(pen, *layout.picks(), question.picks, line.row, barArea);
            break;
        }
    }
    m_y += Layout::BlockGap;
}

void AnswerChart::heading(ReportPen& pen, const AnswerChartData::Question& question, bool continued) {
    const QString count = evaluationsText(m_data.evaluations);
    const double countWidth = ReportText::width(count, Small) + CountAfterHeading;
    const QString text = ReportText::elided(question.text + (continued ? QStringLiteral(" (continued)") : QString()),
                                            Right - Left - countWidth, Large, true);
    int y = m_y;
    pen.text(y, Left, text, m_page, Landscape, true, Large, 0);
    y = m_y + SmallerBaseline;
    pen.text(y, Left + whole(ReportText::width(text, Large, true)) + CountAfterHeading, count, m_page, Landscape, false,
             Small, 0);
    m_y += Layout::HeadingLine;
}

void AnswerChart::barRow(ReportPen& pen, const AnswerChartLayout::Chart& chart, const QList<AnswerChartData::Bar>& bars,
                         int row, int barArea) {
    const int base = m_y + Layout::CountLine + barArea;
    const int first = row * chart.perRow;
    const int last = std::min(int(bars.size()), first + chart.perRow);
    for (int i = first; i < last; ++i) {
        const AnswerChartData::Bar& bar = bars.at(i);
        const int left = Left + (i - first) * chart.categoryWidth;
        for (int group = 0; group < bar.counts.size(); ++group) {
            const int count = bar.counts.at(group);
            const int x = left + chart.barsOffset + group * chart.barWidth;
            const int height =
                count == 0 ? 0 : std::max(ShortestBar, whole(double(count) * barArea / std::max(1, chart.highest)));
            if (height > 0)
                pen.box(x, base - height, chart.barWidth, height, m_page, Landscape, ChartPalette::color(group),
                        ChartPalette::fillStyle(group), Outline);
            const QString text = QString::number(count);
            int y = base - height - Layout::CountLine;
            pen.text(y, x + whole((chart.barWidth - ReportText::width(text, chart.countPoints)) / 2), text, m_page,
                     Landscape, false, chart.countPoints, 0);
        }
        // What is not one of the template's live answers or entries reads in italics.
        const bool special = bar.kind != Kind::Answer && bar.kind != Kind::PickEntry;
        int y = base + Layout::BaselineGap;
        for (const QString& line : chart.labels.at(i)) {
            const int x = left + whole((chart.innerWidth - ReportText::width(line, Layout::LabelPoints)) / 2);
            pen.text(y, x, line, m_page, Landscape, false, Layout::LabelPoints, Layout::LabelLine,
                     QStringLiteral("Arial"), false, special);
        }
    }
    pen.line(Left, base, Left + (last - first) * chart.categoryWidth - (chart.categoryWidth - chart.innerWidth), base,
             m_page, Landscape);
    m_y += chart.rowHeight(row, barArea);
}
