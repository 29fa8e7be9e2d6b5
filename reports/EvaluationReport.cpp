#include "EvaluationReport.h"

#include "EntryRules.h"
#include "FieldText.h"
#include "LogError.h"
#include "Prompter.h"
#include "ReportFormat.h"
#include "ReportPen.h"
#include "ReportSnapshot.h"
#include "TrelkReportRecorder.h"

namespace {

constexpr int LeftMargin = 500;
constexpr int RuleRight = 11100;
constexpr int PageTop = 1000;
constexpr int FirstY = 32000;
constexpr int FirstPageBottom = 12500;
constexpr int FieldRow = 300;
constexpr int QuestionRow = 250;
constexpr int FooterBottom = 14000;
constexpr int CharacterWidth = 50;
constexpr int Small = 8;

} // namespace

EvaluationReport::EvaluationReport(const Database& database, CompanyParameter company)
    : m_database(database), m_company(std::move(company)) {}

QString EvaluationReport::columnsRefusal(int reportColumns) {
    if (reportColumns >= 1 && reportColumns <= MaximumColumns)
        return {};
    return QStringLiteral("The evaluation report prints its header fields in 1 to 10 columns, but the number of "
                          "report columns is %1. Set it on the Options window (Company tab) and print again.")
        .arg(reportColumns);
}

int EvaluationReport::run(TrelkReportRecorder& recorder, const QList<ListedEvaluation>& entries,
                          const ReportOutput& output) {
    const std::optional<int> key = record(recorder, entries, output.keep);
    return key ? deliverReport(recorder, *key, output) : 0;
}

std::optional<int> EvaluationReport::record(TrelkReportRecorder& recorder, const QList<ListedEvaluation>& entries,
                                            bool keep) {
    m_failed = false;
    if (const QString refusal = columnsRefusal(m_company.ReportColumns); !refusal.isEmpty()) {
        programPrompter().inform(refusal, QStringLiteral("Report Error"), PromptIcon::Exclamation);
        m_failed = true;
        return std::nullopt;
    }
    m_columnWidth = ReportFormat::cint(11100.0 / m_company.ReportColumns);
    m_lastColumnX = LeftMargin + (m_company.ReportColumns - 1) * m_columnWidth;
    m_templates.clear();
    if (m_progress)
        m_progress(0, int(entries.size()));

    const int key = recorder.ppReportStart(false, keep);
    m_reportPage = 0;
    ReportPen pen(recorder, key);
    pen.setSkipOverflow(true);
    {
        ReportSnapshot snapshot(m_database);
        prepare();
        for (int index = 0; index < entries.size(); ++index) {
            const ListedEvaluation& entry = entries.at(index);
            if (entry.selected) {
                try {
                    Evaluation evaluation;
                    if (load(entry.key, evaluation))
                        PrintEvaluationBody(pen, evaluation);
                } catch (const KestrivoError& error) {
                    LogError(error, QStringLiteral("PrintEvaluationBody"));
                    m_failed = true;
                    break;
                }
            }
            if (m_progress)
                m_progress(index + 1, int(entries.size()));
        }
        // The statements go before the snapshot ends: a statement still open keeps it.
        m_evaluationRow = m_questionRows = m_valueRows = QSqlQuery();
    }
    return key;
}

void EvaluationReport::prepare() {
    m_evaluationRow = m_database.prepare(
        QStringLiteral("SELECT Evaluation.FileName, Template.Name, Evaluation.TemplateKey FROM Evaluation INNER JOIN "
                       "Template ON Evaluation.TemplateKey = Template.TemplateKey WHERE EvaluationKey=?"));
    // Each answer with its ticked pick-list entries, one row per entry (or one row without
    // any): one round trip an evaluation instead of two.
    m_questionRows = m_database.prepare(QStringLiteral(
        "SELECT TemplateQuestion.Question, EvaluationQuestion.EvaluationQuestionKey, EvaluationQuestion.Answer, "
        "EvaluationQuestion.TBCCheck, TemplatePickList.Name FROM ((TemplateQuestion INNER JOIN EvaluationQuestion ON "
        "TemplateQuestion.TemplateQuestionKey = EvaluationQuestion.TemplateQuestionKey) LEFT JOIN EvaluationPickList "
        "ON EvaluationPickList.EvaluationQuestionKey = EvaluationQuestion.EvaluationQuestionKey) LEFT JOIN "
        "TemplatePickList ON EvaluationPickList.TemplatePickListKey = TemplatePickList.TemplatePickListKey WHERE "
        "EvaluationQuestion.EvaluationKey=? ORDER BY TemplateQuestion.Sequence, "
        "EvaluationQuestion.EvaluationQuestionKey, "
        "TemplatePickList.Sequence, EvaluationPickList.EvaluationPickListKey"));
    m_valueRows = m_database.prepare(QStringLiteral("SELECT TemplateFieldKey, EnteredValue FROM EvaluationField WHERE "
                                                    "EvaluationKey=? ORDER BY EvaluationFieldKey"));
}

bool EvaluationReport::load(qint64 evaluationKey, Evaluation& evaluation) {
    QSqlQuery& row = m_evaluationRow;
    m_database.run(row, {evaluationKey});
    if (!row.next()) {
        row.finish();
        return false;
    }
    evaluation.fileName = row.value(0).toString();
    evaluation.templateName = row.value(1).toString();
    evaluation.templateKey = row.value(2).toLongLong();
    row.finish();

    m_database.run(m_questionRows, {evaluationKey});
    qint64 answer = 0;
    while (m_questionRows.next()) {
        const qint64 key = m_questionRows.value(1).toLongLong();
        if (evaluation.questions.isEmpty() || key != answer) {
            answer = key;
            evaluation.questions.append(
                {m_questionRows.value(0).toString(), m_questionRows.value(2), m_questionRows.value(3).toInt(), {}});
        }
        if (!m_questionRows.isNull(4))
            evaluation.questions.last().pickList << m_questionRows.value(4).toString();
    }
    m_questionRows.finish();

    // A field entered twice keeps its first value.
    m_database.run(m_valueRows, {evaluationKey});
    while (m_valueRows.next()) {
        const qint64 field = m_valueRows.value(0).toLongLong();
        if (!evaluation.values.contains(field))
            evaluation.values.insert(field, FieldText(m_valueRows.value(1)));
    }
    m_valueRows.finish();
    return true;
}

const EvaluationReport::TemplateFields& EvaluationReport::templateFields(qint64 templateKey) {
    auto found = m_templates.find(templateKey);
    if (found != m_templates.end())
        return *found;
    TemplateFields fields;
    QSqlQuery rows = m_database.query(
        QStringLiteral("SELECT TemplateFieldKey, FieldLabel, FieldType, FieldDecimal, Footer FROM TemplateField WHERE "
                       "TemplateKey=? AND (UseOn='B' OR UseOn='R') AND (Footer=0 OR Footer=-1) ORDER BY Sequence, "
                       "TemplateFieldKey"),
        {templateKey});
    while (rows.next()) {
        const Field field{rows.value(0).toLongLong(), rows.value(1).toString(), rows.value(2).toInt(),
                          rows.value(3).toInt()};
        (rows.value(4).toInt() == 0 ? fields.header : fields.footer).append(field);
    }
    return *m_templates.insert(templateKey, fields);
}

void EvaluationReport::PrintEvaluationBody(ReportPen& pen, const Evaluation& evaluation) {
    m_pageNumber = 0;
    m_y = FirstY;
    m_pageBottom = FirstPageBottom;
    for (const Question& question : evaluation.questions) {
        CheckPageBreak(pen, evaluation);
        pen.text(m_y, 500, question.tbc != 0 ? QStringLiteral("X") : QStringLiteral(" "), m_reportPage, 1, false, Small,
                 0);
        pen.text(m_y, 900, question.text, m_reportPage, 1, false, Small, 0);
        pen.text(m_y, 5000, question.answer, m_reportPage, 1, false, Small, 0);
        if (question.pickList.isEmpty()) {
            m_y += QuestionRow;
            continue;
        }
        for (const QString& item : question.pickList) {
            pen.text(m_y, 7000, item, m_reportPage, 1, false, Small, QuestionRow);
            CheckPageBreak(pen, evaluation);
        }
    }
}

void EvaluationReport::CheckPageBreak(ReportPen& pen, const Evaluation& evaluation) {
    if (m_y <= m_pageBottom)
        return;
    ++m_pageNumber;
    ++m_reportPage;
    m_y = PageTop;
    PrintPageHeader(pen, evaluation);
}

void EvaluationReport::PrintPageHeader(ReportPen& pen, const Evaluation& evaluation) {
    const QString& company = m_company.Name;
    pen.text(m_y, 5300 - ReportFormat::cint(company.size() * CharacterWidth / 2.0), company, m_reportPage);
    pen.text(m_y, 10300, QStringLiteral("Page:") + ReportFormat::str(m_pageNumber), m_reportPage, 1, false, 10, 0);
    pen.text(m_y, LeftMargin, QStringLiteral("Evaluation: ") + evaluation.templateName, m_reportPage);
    pen.text(m_y, LeftMargin, QStringLiteral("File: ") + evaluation.fileName, m_reportPage);
    pen.line(LeftMargin, m_y, RuleRight, m_y, m_reportPage);
    m_y += 100;

    const TemplateFields& fields = templateFields(evaluation.templateKey);
    m_x = LeftMargin;
    for (const Field& field : fields.header)
        PrintReportField(pen, evaluation, field);
    m_y += 300;
    pen.line(LeftMargin, m_y, RuleRight, m_y, m_reportPage);
    m_y += 50;

    pen.text(m_y, 500, QStringLiteral("TBC"), m_reportPage, 1, false, Small, 0);
    pen.text(m_y, 900, QStringLiteral("Question"), m_reportPage, 1, false, Small, 0);
    pen.text(m_y, 5000, QStringLiteral("Answer"), m_reportPage, 1, false, Small, 0);
    pen.text(m_y, 7000, QStringLiteral("Pick List Items"), m_reportPage, 1, false, Small);
    pen.line(LeftMargin, m_y, RuleRight, m_y, m_reportPage);
    m_y += 150;
    const int questionsTop = m_y;

    const double footerRows = double(fields.footer.size()) / m_company.ReportColumns;
    m_pageBottom = ReportFormat::cint(FooterBottom - footerRows * FieldRow);
    m_y = m_pageBottom;
    m_x = LeftMargin;
    for (const Field& field : fields.footer)
        PrintReportField(pen, evaluation, field);
    m_y = questionsTop;
}

void EvaluationReport::PrintReportField(ReportPen& pen, const Evaluation& evaluation, const Field& field) {
    QString value = evaluation.values.value(field.key);
    // A decimal number field shows its two places; a value that is not a number (or none at
    // all) is printed as entered rather than as a made-up zero.
    if (field.type == 1 && field.decimal != 0 && EntryRules::isNumeric(value))
        value = ReportFormat::format(EntryRules::numericValue(value), u"#.#0");
    const QString text = field.label + QLatin1Char(' ') + value;
    const int width = ReportFormat::cint(text.size() * double(CharacterWidth));
    if (!(m_x + width < RuleRight + 1) || width > m_columnWidth - 100)
        newRow();
    pen.text(m_y, m_x, text, m_reportPage, 1, false, 10, 0);
    if (width > m_columnWidth)
        m_x += m_columnWidth;
    m_x += m_columnWidth;
    if (m_x > m_lastColumnX)
        newRow();
}

void EvaluationReport::newRow() {
    m_x = LeftMargin;
    m_y += FieldRow;
}
