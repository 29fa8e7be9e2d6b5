#include "GroupSummary.h"

#include "EntryRules.h"
#include "Prompter.h"
#include "ReportFormat.h"
#include "ReportPen.h"
#include "ReportSnapshot.h"
#include "SummaryHeading.h"
#include "TrelkReportRecorder.h"

#include <memory>

namespace {

constexpr int Landscape = 2;
constexpr int LeftMargin = 500;
constexpr int RuleRight = 15000;
constexpr int PageTop = 500;
constexpr int LabelX = 3500;
constexpr int LabelWidth = 20;
constexpr int TotalsX = 4400;
constexpr int ColumnStart = 4000;
constexpr int ColumnStep = 1000;
constexpr int LastColumnX = 13800;
constexpr int LineStep = 250;
constexpr int RuleGap = 100;
constexpr int CellWidth = 10;
constexpr int RowTotalCharacter = 120;
constexpr int Small = 8;
// The last question row that leaves room for the column totals above the bottom of a
// landscape page (12240).
constexpr int LastRowY = 11000;

QString percentage(double score, double possible) {
    return ReportFormat::format(score / possible, u"#.#0%");
}

} // namespace

GroupSummary::GroupSummary(const Database& database, QString companyName)
    : m_database(database), m_companyName(std::move(companyName)) {}

int GroupSummary::run(TrelkReportRecorder& recorder, const ReportRequest& request, const ReportOutput& output) {
    const std::optional<int> key = record(recorder, request, output.keep);
    return key ? deliverReport(recorder, *key, output) : 0;
}

std::optional<int> GroupSummary::record(TrelkReportRecorder& recorder, const ReportRequest& request, bool keep) {
    m_wasCancelled = false;
    const int key = recorder.ppReportStart(false, keep);
    // The evaluations are read a slice at a time as the columns are made, and each page is
    // recorded as soon as its columns are complete: nothing grows with their number.
    ReportSnapshot snapshot(m_database);
    // By group, half of a long run is counted on a second connection, asked for before any read.
    const bool byGroup = request.variant == 1;
    const std::unique_ptr<ConnectionThread> second = byGroup ? snapshot.secondReader() : nullptr;
    GroupSummaryData data = GroupSummaryData::loadHeading(m_database, request);
    const int chosen = int(request.selectedEvaluations().size());
    if (data.groups.isEmpty() || chosen == 0) {
        programPrompter().inform(NothingMessage, NothingTitle, PromptIcon::Exclamation);
        return std::nullopt;
    }
    m_request = &request;
    m_data = &data;
    // They point into this run only.
    const std::unique_ptr<GroupSummary, void (*)(GroupSummary*)> forget(this, [](GroupSummary* self) {
        self->m_request = nullptr;
        self->m_data = nullptr;
    });
    prepare();
    if (!m_now.isValid())
        m_now = QDateTime::currentDateTime();
    if (m_progress)
        m_progress(0, chosen);

    ReportPen pen(recorder, key);
    QList<Column> page;
    int x = ColumnStart;
    std::optional<Column> open;
    const auto close = [&] {
        x += ColumnStep;
        open->x = x;
        finishColumn(*open);
        page.append(*std::exchange(open, std::nullopt));
        if (x > LastColumnX) {
            printPages(pen, page, false, 0);
            page.clear();
            x = ColumnStart;
        }
    };
    if (byGroup) {
        // The engine counts each group's answers: nothing is read per evaluation.
        GroupSummaryData::forEachRun(m_database, request, [&](const GroupSummaryData::Run& run) {
            open = startColumn(GroupSummaryData::Evaluation{
                run.firstKey,
                run.groupKey,
                run.groupName,
                {},
                {},
                request.columnFields.isEmpty() ? QHash<qint64, QString>()
                                               : GroupSummaryData::columnValues(m_database, run.firstKey)});
            scoreCounts(*open, GroupSummaryData::answerCounts(m_database, run.keys, second.get()));
            close();
            return goOn(int(run.keys.size()), chosen);
        });
    } else {
        GroupSummaryData::forEachEvaluation(m_database, request, [&](const GroupSummaryData::Evaluation& evaluation) {
            if (open)
                close();
            open = startColumn(evaluation);
            scoreMember(*open, evaluation);
            return goOn(1, chosen);
        });
    }
    if (m_wasCancelled) {
        recorder.ppKillDetail(key);
        return std::nullopt;
    }
    if (m_scored == 0) {
        programPrompter().inform(NothingMessage, NothingTitle, PromptIcon::Exclamation);
        return std::nullopt;
    }
    if (open)
        close();
    printPages(pen, page, true, x + ColumnStep);
    return key;
}

bool GroupSummary::goOn(int scored, int chosen) {
    m_scored += scored;
    if (m_progress)
        m_progress(m_scored, chosen);
    m_wasCancelled = m_cancelled && m_cancelled();
    return !m_wasCancelled;
}

void GroupSummary::prepare() {
    m_labels.clear();
    if (m_request->variant == 1)
        m_labels << QStringLiteral("Group:");
    for (const ColumnField& field : m_request->columnFields)
        m_labels << field.label;
    const qsizetype questions = m_data->questions.size();
    m_rows = QList<Score>(questions);
    m_questionRow.clear();
    for (int row = 0; row < questions; ++row)
        m_questionRow.insert(m_data->questions.at(row).key, row);
    m_rowY = QList<int>(questions);
    m_rowsPerPage = std::max(1, (LastRowY - questionsTop()) / LineStep + 1);
    m_scored = 0;
    m_page = 0;
}

GroupSummary::Column GroupSummary::startColumn(const GroupSummaryData::Evaluation& evaluation) const {
    Column column;
    column.groupKey = evaluation.groupKey;
    if (m_request->variant == 1)
        column.header << evaluation.groupName;
    for (const ColumnField& field : m_request->columnFields)
        column.header << evaluation.columnValues.value(field.templateFieldKey);
    column.cellScores = QList<Score>(m_data->questions.size());
    // A column per evaluation shows the answers as given.
    if (m_request->variant != 1)
        for (const GroupSummaryData::Question& question : m_data->questions)
            column.cells << evaluation.answers.value(question.key).left(CellWidth);
    return column;
}

void GroupSummary::scoreMember(Column& column, const GroupSummaryData::Evaluation& evaluation) {
    for (int row = 0; row < m_data->questions.size(); ++row) {
        const GroupSummaryData::Question& question = m_data->questions.at(row);
        const QString answer = evaluation.answers.value(question.key);
        if (!EntryRules::isNumeric(answer))
            continue;
        const double value = EntryRules::numericValue(answer);
        for (Score* score : {&column.cellScores[row], &column.total, &m_rows[row]}) {
            score->score += value;
            ++score->answers;
            if (question.maximum)
                score->possible += *question.maximum;
        }
    }
}

void GroupSummary::scoreCounts(Column& column, const QList<GroupSummaryData::AnswerCount>& counts) {
    for (const GroupSummaryData::AnswerCount& count : counts) {
        const int row = m_questionRow.value(count.question, -1);
        if (row < 0 || !EntryRules::isNumeric(count.answer))
            continue;
        const GroupSummaryData::Question& question = m_data->questions.at(row);
        const double value = EntryRules::numericValue(count.answer);
        for (Score* score : {&column.cellScores[row], &column.total, &m_rows[row]}) {
            score->score += value * count.count;
            score->answers += count.count;
            if (question.maximum)
                score->possible += *question.maximum * count.count;
        }
    }
}

void GroupSummary::finishColumn(Column& column) const {
    if (m_request->variant != 1)
        return;
    for (const Score& cell : std::as_const(column.cellScores))
        column.cells << (cell.answers > 0 ? ReportFormat::format(cell.score / cell.answers, u"#.#0") : QString());
}

void GroupSummary::printPages(ReportPen& pen, const QList<Column>& columns, bool final, int rowTotalsX) {
    const int questions = int(m_data->questions.size());
    int first = 0;
    do {
        const int count = std::min(m_rowsPerPage, questions - first);
        ++m_page;
        pageHeader(pen, first, count);
        for (const Column& column : columns) {
            int y = m_labelsTop;
            for (const QString& value : column.header)
                pen.text(y, column.x, value, m_page, Landscape, false, Small, LineStep);
            for (int row = first; row < first + count; ++row) {
                int rowY = m_rowY.at(row);
                pen.text(rowY, column.x, column.cells.at(row), m_page, Landscape, false, Small, LineStep);
            }
        }
        if (first + count >= questions)
            columnTotals(pen, columns);
        if (final)
            rowTotals(pen, rowTotalsX, first, count);
        first += count;
    } while (first < questions);
}

int GroupSummary::questionsTop() const {
    const int headerLines = m_request->variant == 0 ? 4 : 3;
    return PageTop + headerLines * LineStep + 300 + RuleGap + int(m_labels.size()) * LineStep + RuleGap;
}

void GroupSummary::pageHeader(ReportPen& pen, int firstRow, int rowCount) {
    SummaryHeading heading;
    heading.company = m_companyName;
    heading.title = m_request->report.name + QStringLiteral(": ") + m_now.toString(QStringLiteral("MM/dd/yy HH:mm"));
    if (m_request->variant == 0)
        heading.group = m_data->groups.first().name;
    heading.templateText = m_request->templateText;
    heading.beginText = m_request->beginText;
    heading.endText = m_request->endText;
    m_y = heading.record(pen, m_page);
    m_labelsTop = m_y;
    for (const QString& label : std::as_const(m_labels))
        pen.text(m_y, LabelX, label.left(LabelWidth), m_page, Landscape, false, Small, LineStep);
    pen.line(LeftMargin, m_y, RuleRight, m_y, m_page, Landscape);
    m_y += RuleGap;
    for (int row = firstRow; row < firstRow + rowCount; ++row) {
        m_rowY[row] = m_y;
        pen.text(m_y, LeftMargin, m_data->questions.at(row).text, m_page, Landscape, false, Small, LineStep);
    }
}

void GroupSummary::columnTotals(ReportPen& pen, const QList<Column>& columns) {
    pen.line(LeftMargin, m_y, RuleRight, m_y, m_page, Landscape);
    m_y += RuleGap;
    int y = m_y;
    pen.text(y, TotalsX, QStringLiteral("Totals:"), m_page, Landscape, true, Small, 0);
    for (const Column& column : columns) {
        y = m_y;
        pen.text(y, column.x, ReportFormat::format(column.total.score, u"#.#0"), m_page, Landscape, false, Small,
                 LineStep);
        // A column without a possible score has no share to show.
        if (column.total.score != 0 && column.total.possible != 0)
            pen.text(y, column.x, percentage(column.total.score, column.total.possible), m_page, Landscape, false,
                     Small, LineStep);
    }
}

void GroupSummary::rowTotals(ReportPen& pen, int x, int firstRow, int rowCount) {
    for (int row = firstRow; row < firstRow + rowCount; ++row) {
        const Score& total = m_rows.at(row);
        const QString score = ReportFormat::format(total.score, u"#.#0");
        int y = m_rowY.at(row);
        pen.text(y, x, score, m_page, Landscape, false, Small, 0);
        if (total.score != 0 && total.possible != 0)
            pen.text(y, x + RowTotalCharacter * int(score.size()), percentage(total.score, total.possible), m_page,
                     Landscape, false, Small, 0);
    }
}
