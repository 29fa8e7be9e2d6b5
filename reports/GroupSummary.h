#pragma once

#include "DataEnvironment.h"
#include "GroupSummaryData.h"
#include "ReportOutput.h"
#include "ReportRequest.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class ReportPen;
class TrelkReportRecorder;

// The group summary: a landscape table with a row per question of the template and a column
// per chosen evaluation (variant 0) or per group (variant 1), column totals with the score
// as a share of the highest possible score, and row totals after the last column. Ten value
// columns go on a page; questions that do not fit under the header go on as many pages as
// they need, each with the same columns. Widget-free: it records through any
// TrelkReportRecorder.
class GroupSummary {
public:
    static inline const QString NothingMessage = QStringLiteral("Nothing found to print.");
    static inline const QString NothingTitle = QStringLiteral("Print error");

    GroupSummary(const Database& database, QString companyName);

    void setProgress(ReportProgress progress) { m_progress = std::move(progress); }
    void setCancelled(ReportCancelled cancelled) { m_cancelled = std::move(cancelled); }
    bool cancelled() const { return m_wasCancelled; }
    // The time the title shows; the current time when not set.
    void setNow(const QDateTime& now) { m_now = now; }

    // Records the report for the request (its variant, template, groups, dates, chosen
    // evaluations and column fields; keep: with skipDelete) and returns the report key;
    // none, after "Nothing found to print.", when no chosen evaluation of the template is
    // stored, and none without a word when the run was cancelled (its rows are removed).
    // Throws KestrivoError.
    std::optional<int> record(TrelkReportRecorder& recorder, const ReportRequest& request, bool keep = false);
    // Records and hands the report to output: the report key, or 0 when nothing went.
    int run(TrelkReportRecorder& recorder, const ReportRequest& request, const ReportOutput& output);

private:
    // Counts evaluations scored, tells the progress and asks whether to go on.
    bool goOn(int scored, int chosen);
    struct Score {
        double possible = 0;
        double score = 0;
        int answers = 0;
    };
    struct Column {
        qint64 groupKey = 0;
        QStringList header;
        QList<Score> cellScores; // one per question: its members' numeric answers
        QStringList cells;       // one per question
        Score total;
        int x = 0;
    };

    // The run's labels, score rows and page layout, from the request and the heading.
    void prepare();
    // A column for the evaluation, and for those of its group that follow in variant 1.
    Column startColumn(const GroupSummaryData::Evaluation& evaluation) const;
    void scoreMember(Column& column, const GroupSummaryData::Evaluation& evaluation);
    // Scores a column's members from their answers as the engine counted them.
    void scoreCounts(Column& column, const QList<GroupSummaryData::AnswerCount>& counts);
    // The cells of a column whose members are all scored.
    void finishColumn(Column& column) const;
    // The pages of one set of columns: one, or more when the questions need them. The final
    // set also carries the row totals at rowTotalsX.
    void printPages(ReportPen& pen, const QList<Column>& columns, bool final, int rowTotalsX);
    void pageHeader(ReportPen& pen, int firstRow, int rowCount);
    void columnTotals(ReportPen& pen, const QList<Column>& columns);
    void rowTotals(ReportPen& pen, int x, int firstRow, int rowCount);
    int questionsTop() const;

    const Database& m_database;
    QString m_companyName;
    ReportProgress m_progress;
    ReportCancelled m_cancelled;
    bool m_wasCancelled = false;
    QDateTime m_now;

    const ReportRequest* m_request = nullptr;
    const GroupSummaryData* m_data = nullptr;
    QStringList m_labels;
    QList<Score> m_rows;
    QHash<qint64, int> m_questionRow; // by TemplateQuestionKey
    int m_scored = 0;
    int m_page = 0;
    int m_y = 0;
    int m_labelsTop = 0;
    QList<int> m_rowY;
    int m_rowsPerPage = 0;
};
