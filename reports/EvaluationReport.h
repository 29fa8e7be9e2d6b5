#pragma once

#include "DataEnvironment.h"
#include "EvaluationHistory.h"
#include "FieldType.h"
#include "ReportOutput.h"
#include "ReportRequest.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

class ReportPen;
class TrelkReportRecorder;

// The evaluation report: each chosen evaluation on pages of its own, with a page header
// (company, template, file, page number), the header fields in columns, the questions with
// TBC mark, answer and ticked pick-list entries, and the footer fields at the bottom of every
// page. Widget-free: it records through any TrelkReportRecorder.
class EvaluationReport {
public:
    static constexpr int MaximumColumns = 10;
    // Evaluations read at once: few round trips to a server, little held in memory.
    static constexpr int EvaluationsPerRead = 25;

    EvaluationReport(const Database& database, CompanyParameter company);

    void setProgress(ReportProgress progress) { m_progress = std::move(progress); }
    void setCancelled(ReportCancelled cancelled) { m_cancelled = std::move(cancelled); }
    bool cancelled() const { return m_wasCancelled; }

    // The refusal of a ReportColumns outside 1 to 10, or empty text when it can be used.
    static QString columnsRefusal(int reportColumns);

    // Records the selected entries, in list order (keep: with skipDelete), and returns the
    // report key; none, after saying why, when ReportColumns cannot be used. A failure while
    // printing an evaluation is reported through LogError and ends the run; what was
    // recorded so far is kept, and failed() tells. A cancelled run removes its rows and
    // returns none.
    std::optional<int> record(TrelkReportRecorder& recorder, const QList<ListedEvaluation>& entries, bool keep = false);
    // Records and hands the report to output: the report key, or 0 when nothing went.
    int run(TrelkReportRecorder& recorder, const QList<ListedEvaluation>& entries, const ReportOutput& output);
    bool failed() const { return m_failed; }

private:
    struct Field {
        qint64 key = 0;
        QString label;
        FieldType type = FieldType::Text;
        int decimal = 0;
    };
    struct TemplateFields {
        QList<Field> header;
        QList<Field> footer;
    };
    struct Question {
        QString text;
        QVariant answer;
        int tbc = 0;
        QStringList pickList;
    };
    struct Evaluation {
        QString fileName;
        QString templateName;
        qint64 templateKey = 0;
        QList<Question> questions;
        QHash<qint64, QString> values;
        QString changeNote; // empty for an evaluation that nobody changed after it arrived
    };

    // Reads the next selected entries from index from on that are not read yet.
    void loadSlice(const QList<ListedEvaluation>& entries, int from);
    const TemplateFields& templateFields(qint64 templateKey);
    void PrintEvaluationBody(ReportPen& pen, const Evaluation& evaluation);
    void CheckPageBreak(ReportPen& pen, const Evaluation& evaluation);
    void PrintPageHeader(ReportPen& pen, const Evaluation& evaluation);
    void PrintReportField(ReportPen& pen, const Evaluation& evaluation, const Field& field);
    void newRow();
    static QString changeNote(const EvaluationHistory::Summary& summary);

    const Database& m_database;
    CompanyParameter m_company;
    ReportProgress m_progress;
    ReportCancelled m_cancelled;
    bool m_wasCancelled = false;
    QHash<qint64, TemplateFields> m_templates;
    QHash<qint64, std::optional<Evaluation>> m_loaded; // none: no longer stored
    int m_columnWidth = 0;
    int m_lastColumnX = 0;
    bool m_failed = false;

    int m_reportPage = 0;
    int m_pageNumber = 0;
    int m_y = 0;
    int m_x = 0;
    int m_pageBottom = 0;
};
