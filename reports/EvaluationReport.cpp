#include "EvaluationReport.h"

#include "EntryRules.h"
#include "EvaluationHistory.h"
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
constexpr int ChangeNoteGap = 100;

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
    m_wasCancelled = false;
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
        m_loaded.clear();
        for (int index = 0; index < entries.size(); ++index) {
            const ListedEvaluation& entry = entries.at(index);
            if (entry.selected) {
                try {
                    if (!m_loaded.contains(entry.key))
                        loadSlice(entries, index);
                    const std::optional<Evaluation> evaluation = m_loaded.take(entry.key);
                    if (evaluation)
                        PrintEvaluationBody(pen, *evaluation);
                } catch (const KestrivoError& error) {
                    LogError(error, QStringLiteral("PrintEvaluationBody"));
                    m_failed = true;
                    break;
                }
            }
            if (m_progress)
                m_progress(index + 1, int(entries.size()));
            if (m_cancelled && m_cancelled()) {
                m_wasCancelled = true;
                break;
            }
        }
        m_loaded.clear();
    }
    if (m_wasCancelled) {
        recorder.ppKillDetail(key);
        return std::nullopt;
    }
    return key;
}

void EvaluationReport::loadSlice(const QList<ListedEvaluation>& entries, int from) {
    QList<qint64> keys;
    QStringList marks;
    QVariantList values;
    for (int index = from; index < entries.size() && keys.size() < EvaluationsPerRead; ++index) {
        const ListedEvaluation& entry = entries.at(index);
        if (!entry.selected || m_loaded.contains(entry.key))
            continue;
        keys << entry.key;
        marks << QStringLiteral("?");
        values << entry.key;
        // An evaluation deleted since the list was filled stays empty and prints nothing.
        m_loaded[entry.key].reset();
    }
    const QString in = marks.join(QLatin1Char(','));

    QSqlQuery rows = m_database.querySlice(
        QStringLiteral("SELECT Evaluation.EvaluationKey, Evaluation.FileName, Template.Name, Evaluation.TemplateKey "
                       "FROM Evaluation INNER JOIN Template ON Evaluation.TemplateKey = Template.TemplateKey WHERE "
                       "Evaluation.EvaluationKey IN (%1)")
            .arg(in),
        values);
    while (rows.next()) {
        Evaluation evaluation;
        evaluation.fileName = rows.value(1).toString();
        evaluation.templateName = rows.value(2).toString();
        evaluation.templateKey = rows.value(3).toLongLong();
        m_loaded[rows.value(0).toLongLong()] = evaluation;
    }

    // Each answer with its ticked pick-list entries, one row per entry (or one row without any).
    QSqlQuery answers = m_database.querySlice(
        QStringLiteral(
            "SELECT EvaluationQuestion.EvaluationKey, TemplateQuestion.Question, "
            "EvaluationQuestion.EvaluationQuestionKey, EvaluationQuestion.Answer, EvaluationQuestion.TBCCheck, "
            "TemplatePickList.Name FROM ((TemplateQuestion INNER JOIN EvaluationQuestion ON "
            "TemplateQuestion.TemplateQuestionKey = EvaluationQuestion.TemplateQuestionKey) LEFT JOIN "
            "EvaluationPickList ON EvaluationPickList.EvaluationQuestionKey = "
            "EvaluationQuestion.EvaluationQuestionKey) LEFT JOIN TemplatePickList ON "
            "EvaluationPickList.TemplatePickListKey = TemplatePickList.TemplatePickListKey WHERE "
            "EvaluationQuestion.EvaluationKey IN (%1) ORDER BY EvaluationQuestion.EvaluationKey, "
            "TemplateQuestion.Sequence, EvaluationQuestion.EvaluationQuestionKey, TemplatePickList.Sequence, "
            "EvaluationPickList.EvaluationPickListKey")
            .arg(in),
        values);
    qint64 answer = 0;
    while (answers.next()) {
        std::optional<Evaluation>& evaluation = m_loaded[answers.value(0).toLongLong()];
        if (!evaluation)
            continue;
        const qint64 key = answers.value(2).toLongLong();
        if (evaluation->questions.isEmpty() || key != answer) {
            answer = key;
            evaluation->questions.append({answers.value(1).toString(), answers.value(3), answers.value(4).toInt(), {}});
        }
        if (!answers.isNull(5))
            evaluation->questions.last().pickList << answers.value(5).toString();
    }

    // A field entered twice keeps its first value.
    QSqlQuery fields = m_database.querySlice(QStringLiteral("SELECT EvaluationKey, TemplateFieldKey, EnteredValue FROM "
                                                            "EvaluationField WHERE EvaluationKey IN (%1) ORDER BY "
                                                            "EvaluationFieldKey")
                                                 .arg(in),
                                             values);
    while (fields.next()) {
        std::optional<Evaluation>& evaluation = m_loaded[fields.value(0).toLongLong()];
        const qint64 field = fields.value(1).toLongLong();
        if (evaluation && !evaluation->values.contains(field))
            evaluation->values.insert(field, FieldText(fields.value(2)));
    }
    fields.finish();

    const QHash<qint64, EvaluationHistory::Summary> changed = EvaluationHistory::summaries(m_database, keys);
    for (auto i = changed.cbegin(); i != changed.cend(); ++i) {
        std::optional<Evaluation>& evaluation = m_loaded[i.key()];
        if (evaluation)
            evaluation->changeNote = changeNote(*i);
    }
}

QString EvaluationReport::changeNote(const EvaluationHistory::Summary& summary) {
    return QStringLiteral("Changed after import: %1, last %2 by %3")
        .arg(summary.changes == 1 ? QStringLiteral("1 change") : QStringLiteral("%1 changes").arg(summary.changes),
             EntryRules::shortDate(summary.last.changed.toLocalTime().date()), summary.last.who());
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
        const Field field{rows.value(0).toLongLong(), rows.value(1).toString(), FieldType(rows.value(2).toInt()),
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
    // Below the footer fields, on every page of an evaluation that was changed after it arrived.
    if (!evaluation.changeNote.isEmpty()) {
        int noteY = FooterBottom + ChangeNoteGap;
        pen.text(noteY, LeftMargin, evaluation.changeNote, m_reportPage, 1, false, Small, 0);
    }
    m_y = questionsTop;
}

void EvaluationReport::PrintReportField(ReportPen& pen, const Evaluation& evaluation, const Field& field) {
    QString value = evaluation.values.value(field.key);
    // A decimal number field shows its two places; a value that is not a number (or none at
    // all) is printed as entered rather than as a made-up zero.
    if (field.type == FieldType::Numeric && field.decimal != 0 && EntryRules::isNumeric(value))
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
