#pragma once

#include "AnswerChartData.h"
#include "AnswerChartLayout.h"
#include "ReportOutput.h"
#include "ReportRequest.h"

#include <QDateTime>
#include <QString>
#include <optional>

class Database;
class ReportPen;
class TrelkReportRecorder;

// "Answer Chart by Group": for every live question of the template, a bar chart of how the
// chosen evaluations of each group answered it (a bar per group for each answer, then
// Other, No answer and TBC), each bar under its count, and the pick-list entries they
// ticked as a smaller chart under it. Landscape pages with the heading of the group
// summaries and a legend of the groups; a question's chart never runs over two pages unless
// it is taller than a page even with its bars at their smallest. Widget-free: it records
// through any TrelkReportRecorder, the bars as the library's boxes.
class AnswerChart {
public:
    AnswerChart(const Database& database, QString companyName);

    void setProgress(ReportProgress progress) { m_progress = std::move(progress); }
    // The time the title shows; the current time when not set.
    void setNow(const QDateTime& now) { m_now = now; }

    // Records the chart for the request (template, groups, dates and chosen evaluations;
    // keep: with skipDelete) and returns the report key; none, after "Nothing found to
    // print.", when no chosen evaluation of the template is stored. Throws KestrivoError.
    std::optional<int> record(TrelkReportRecorder& recorder, const ReportRequest& request, bool keep = false);
    // Records and hands the report to output: the report key, or 0 when nothing went.
    int run(TrelkReportRecorder& recorder, const ReportRequest& request, const ReportOutput& output);

private:
    void newPage(ReportPen& pen);
    int legend(ReportPen& pen, int y);
    void question(ReportPen& pen, const AnswerChartData::Question& question);
    void heading(ReportPen& pen, const AnswerChartData::Question& question, bool continued);
    void barRow(ReportPen& pen, const AnswerChartLayout::Chart& chart, const QList<AnswerChartData::Bar>& bars, int row,
                int barArea);

    const Database& m_database;
    QString m_companyName;
    ReportProgress m_progress;
    QDateTime m_now;

    const ReportRequest* m_request = nullptr;
    AnswerChartData m_data;
    int m_page = 0;
    int m_y = 0;
    int m_chartsTop = 0; // where the charts of a page begin, under the legend
};
