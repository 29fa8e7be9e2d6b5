#include "AnswerChart.h"
#include "AnswerChartLayout.h"
#include "AuditReportTest.h"
#include "ChartPalette.h"
#include "DataEnvironment.h"
#include "EntryRules.h"
#include "GroupSummary.h"
#include "ReportCapture.h"
#include "ReportFormat.h"
#include "ReportTestbed.h"
#include "TestDatabases.h"

#include <QTest>

namespace {

using Kind = AnswerChartData::BarKind;

// "label counts", with "(deleted)" after a deleted answer or entry.
QStringList bars(const QList<AnswerChartData::Bar>& list) {
    QStringList lines;
    for (const AnswerChartData::Bar& bar : list) {
        QStringList counts;
        for (int count : bar.counts)
            counts << QString::number(count);
        const bool deleted = bar.kind == Kind::DeletedAnswer || bar.kind == Kind::DeletedPickEntry;
        lines << bar.label + (deleted ? " (deleted) " : " ") + counts.join(',');
    }
    return lines;
}

} // namespace

// The answer chart on both engines: what it counts, that the group summary by group counts
// the same for the same choices, and the pages it records.
class tst_AnswerChart : public AuditReportTest {
    Q_OBJECT

    qint64 m_roof = 0;
    qint64 m_clean = 0;
    QList<qint64> m_chosen;

    qint64 evaluation(const QString& groupName, const QString& name,
                      const QList<std::pair<qint64, EvaluationFixture::Answer>>& answers) {
        return build().addEvaluation(m_audit, group(groupName), name + ".evl", {}, answers);
    }
    void markDeleted(const QString& table, const QString& column, qint64 question, const QString& text) {
        m_bed->db().execute(QString("UPDATE %1 SET Deleted=-1 WHERE TemplateQuestionKey=? AND %2=?").arg(table, column),
                            {question, text});
    }
    ReportRequest request(const QString& name, const QList<qint64>& evaluations) {
        ReportRequest request = auditRequest(name, evaluations);
        request.firstGroupKey = group("East");
        // West: a group of the template that no evaluation is in.
        request.groupKeys = {group("East"), group("North"), group("South"), group("West")};
        request.variant = 1;
        return request;
    }
    QList<RecordedRow> chart(const QList<qint64>& evaluations) {
        ReportCapture capture;
        AnswerChart chart(m_bed->db(), DataEnvironment::instance().rsCompanyParameter().Name);
        chart.setNow(QDateTime(QDate(2024, 3, 5), QTime(14, 7)));
        chart.run(capture, request("Answer Chart by Group", evaluations), {true, {}, false});
        return capture.rows;
    }
    // The rows recorded for each question, from its heading to the next one, without the
    // heading and legend of each page (above the second rule across the page).
    static QList<QList<RecordedRow>> questionBlocks(const QList<RecordedRow>& rows, const QStringList& headings) {
        QHash<int, QList<int>> rules;
        for (const RecordedRow& row : rows)
            if (row.type == 1 && row.x1 == 500 && row.x2 == 15000)
                rules[row.page] << row.y1;
        QList<QList<RecordedRow>> blocks;
        for (const RecordedRow& row : rows) {
            if (row.y1 <= rules.value(row.page).value(1))
                continue;
            if (row.type == 0 && row.bold && row.size == 10 && headings.contains(row.text))
                blocks.append(QList<RecordedRow>());
            if (!blocks.isEmpty())
                blocks.last() << row;
        }
        return blocks;
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        startAudit(engine, {"North", "South", "East", "West"});
        m_roof = build().addQuestion(m_audit, "Condition of the roof?", {"0", "1", "2", "3", "4"},
                                     {"Photo taken", "Follow-up", "Old entry", "Never used"}, 1);
        m_clean = build().addQuestion(m_audit, "Site clean?", {"Yes", "No"}, {}, 2);
        build().markDeleted("TemplateQuestion", build().addQuestion(m_audit, "Gone", {"1"}, {}, 3));
        const qint64 ann = evaluation("North", "Ann", {{m_roof, {"4", false, {"Photo taken"}}}, {m_clean, {"Yes"}}});
        const qint64 bo = evaluation("North", "Bo", {{m_roof, {"0", false, {"Old entry"}}}, {m_clean, {"No"}}});
        const qint64 cy = evaluation("North", "Cy", {{m_roof, {"Leaking roof"}}, {m_clean, {""}}});
        const qint64 di =
            evaluation("South", "Di", {{m_roof, {"3", true, {"Photo taken", "Follow-up"}}}, {m_clean, {"Yes"}}});
        const qint64 ed = evaluation("South", "Ed", {{m_roof, {""}}});
        evaluation("East", "Fi", {{m_roof, {"1"}}, {m_clean, {"Yes"}}}); // not chosen
        // Deleted after the evaluations that hold them were made.
        markDeleted("TemplateAnswer", "Answer", m_roof, "0");
        markDeleted("TemplatePickList", "Name", m_roof, "Old entry");
        markDeleted("TemplatePickList", "Name", m_roof, "Never used");
        m_chosen = {ann, bo, cy, di, ed};
    }
    void cleanup() { m_bed.reset(); }

    // A typed answer is Other, an empty or missing one No answer; TBC counts beside the
    // answer; a deleted answer or entry that evaluations hold keeps a bar, one nobody holds
    // has none; a chosen group without chosen evaluations has no bars but is named.
    void countsEveryKindOfAnswer() {
        const AnswerChartData data = AnswerChartData::count(m_bed->db(), request("Answer Chart by Group", m_chosen));
        QCOMPARE(data.groups.size(), 2);
        QCOMPARE(data.groups.at(0).name, QString("North"));
        QCOMPARE(data.groups.at(0).evaluations, 3);
        QCOMPARE(data.groups.at(1).name, QString("South"));
        QCOMPARE(data.groups.at(1).evaluations, 2);
        QCOMPARE(data.emptyGroups, QStringList({"East"}));
        QCOMPARE(data.evaluations, 5);
        QCOMPARE(data.questions.size(), 2);
        QCOMPARE(bars(data.questions.at(0).answers), QStringList({"0 (deleted) 1,0", "1 0,0", "2 0,0", "3 0,1", "4 1,0",
                                                                  "Other 1,0", "No answer 0,1", "TBC 0,1"}));
        QCOMPARE(bars(data.questions.at(0).picks),
                 QStringList({"Photo taken 1,1", "Follow-up 0,1", "Old entry (deleted) 1,0"}));
        QCOMPARE(data.questions.at(1).text, QString("Site clean?"));
        QCOMPARE(bars(data.questions.at(1).answers),
                 QStringList({"Yes 1,1", "No 1,0", "Other 0,0", "No answer 1,1", "TBC 0,0"}));
        QVERIFY(data.questions.at(1).picks.isEmpty());
    }

    // An evaluation that holds two answers to a question counts with the first, as in the
    // summaries.
    void aRepeatedAnswerCountsWithTheFirst() {
        m_bed->db().insert("EvaluationQuestion", {"EvaluationKey", "TemplateQuestionKey", "Answer"},
                           {m_chosen.first(), m_roof, "1"});
        const AnswerChartData data = AnswerChartData::count(m_bed->db(), request("Answer Chart by Group", m_chosen));
        QCOMPARE(bars(data.questions.at(0).answers).mid(1, 4), QStringList({"1 0,0", "2 0,0", "3 0,1", "4 1,0"}));
    }

    // The group summary by group for the same choices: the same groups as its columns, and
    // its averages and column totals follow from the chart's bars. Every chosen evaluation
    // counts once per question in each group's bars.
    void countsAgreeWithTheGroupSummary() {
        const ReportRequest asked = request("Group Summary by Group", m_chosen);
        ReportCapture capture;
        GroupSummary summary(m_bed->db(), "Halvane");
        QVERIFY(summary.run(capture, asked, {true, {}, false}) > 0);
        QHash<QPair<int, int>, QString> cells;
        QHash<QString, int> questionY;
        int labelsY = 0, totalsY = 0;
        for (const RecordedRow& row : std::as_const(capture.rows)) {
            if (row.type != 0)
                continue;
            cells.insert({row.x1, row.y1}, row.text);
            if (row.x1 == 500 && row.size == 8)
                questionY.insert(row.text, row.y1);
            if (row.text == "Group:")
                labelsY = row.y1;
            if (row.text == "Totals:")
                totalsY = row.y1;
        }
        const AnswerChartData data = AnswerChartData::count(m_bed->db(), asked);
        for (int g = 0; g < data.groups.size(); ++g) {
            const int x = 5000 + 1000 * g;
            QCOMPARE(cells.value({x, labelsY}), data.groups.at(g).name);
            double total = 0;
            for (const AnswerChartData::Question& question : data.questions) {
                double sum = 0;
                int numeric = 0, evaluations = 0;
                for (const AnswerChartData::Bar& bar : question.answers) {
                    const int count = bar.counts.at(g);
                    if (bar.kind != Kind::Tbc)
                        evaluations += count;
                    if ((bar.kind == Kind::Answer || bar.kind == Kind::DeletedAnswer) &&
                        EntryRules::isNumeric(bar.label)) {
                        sum += EntryRules::numericValue(bar.label) * count;
                        numeric += count;
                    }
                }
                QCOMPARE(evaluations, data.groups.at(g).evaluations);
                QCOMPARE(cells.value({x, questionY.value(question.text)}),
                         numeric > 0 ? ReportFormat::format(sum / numeric, u"#.#0") : QString());
                total += sum;
            }
            QCOMPARE(cells.value({x, totalsY}), ReportFormat::format(total, u"#.#0"));
        }
        QVERIFY(!cells.values().contains("East") && !cells.values().contains("West"));
    }

    // The pages: the heading of the other summaries, a legend of the groups, and each bar a
    // box in its group's colour and pattern under a text of its count.
    void recordsEachBarUnderItsCount() {
        const QList<RecordedRow> rows = chart(m_chosen);
        const QStringList briefs = ReportCapture::brief(rows);
        QCOMPARE(briefs.mid(0, 5),
                 QStringList({"p1 500,500 s10 Halvane", "p1 5835,750 s10b Answer Chart by Group: 03/05/24 14:07",
                              "p1 500,1000 s10 Template: Audit", "p1 500,1250 s10 Start: 01/01/02  End: 12/31/29",
                              "p1 13500,1250 s10 Page: 1 of "}));
        QVERIFY(rows.at(4).ofPage);
        for (const RecordedRow& row : rows)
            QCOMPARE(row.orientation, 2);
        const QStringList texts = ReportCapture::texts(rows);
        for (const char* text : {"North (3 evaluations)", "South (2 evaluations)", "No chosen evaluations: East",
                                 "Condition of the roof?", "Site clean?", "5 evaluations", "Pick List Items",
                                 "0 (deleted)", "Old entry (deleted)", "Other", "No answer", "TBC"})
            QVERIFY2(texts.contains(text), text);
        QVERIFY(!texts.contains("Gone") && !texts.contains("Never used"));
        for (const RecordedRow& row : rows)
            if (row.type == 0 && row.size == 7)
                QCOMPARE(row.italic, QStringList({"0 (deleted)", "Old entry (deleted)", "Other", "No answer", "TBC"})
                                         .contains(row.text));

        QList<RecordedRow> boxes;
        for (const RecordedRow& row : rows)
            if (row.type == 3)
                boxes << row;
        // Two legend swatches, then the bars with a count of 1: the roof's six answers and
        // four entries, and the site's five answers.
        QCOMPARE(boxes.size(), 2 + 6 + 4 + 5);
        for (int g = 0; g < 2; ++g) {
            QCOMPARE(boxes.at(g).color, ChartPalette::color(g));
            QCOMPARE(boxes.at(g).style, int(ChartPalette::fillStyle(g)));
        }
        for (const RecordedRow& box : boxes.mid(2)) {
            const int g = box.color == ChartPalette::color(0) ? 0 : 1;
            QCOMPARE(box.color, ChartPalette::color(g));
            QCOMPARE(box.style, int(ChartPalette::fillStyle(g)));
            // The tallest bar of its chart: the answers' or the smaller pick list's.
            QVERIFY2(box.height == AnswerChartLayout::AnswerBars || box.height == AnswerChartLayout::PickBars,
                     qPrintable(box.brief()));
            bool labelled = false;
            for (const RecordedRow& text : rows)
                labelled = labelled || (text.type == 0 && text.page == box.page && text.text == "1" &&
                                        text.y1 == box.y1 - AnswerChartLayout::CountLine && text.x1 > box.x1 &&
                                        text.x1 < box.x1 + box.width);
            QVERIFY2(labelled, qPrintable(box.brief()));
        }
        // Every bar carries its count, also where it is 0: 17 zeros; 15 ones and the answer "1".
        QCOMPARE(ReportCapture::texts(rows).count("0"), 17);
        QCOMPARE(ReportCapture::texts(rows).count("1"), 16);
    }

    // With many questions a chart starts a page when the one before leaves too little room:
    // none runs over two pages, and every page has its heading and legend.
    void aChartNeverRunsOverTwoPages() {
        QStringList headings{"Condition of the roof?", "Site clean?"};
        for (int i = 1; i <= 9; ++i) {
            const QString text = QString("Question %1").arg(i);
            headings << text;
            const qint64 key = build().addQuestion(m_audit, text, {"Good", "Fair", "Poor", "Unsafe and closed off"},
                                                   {"Photo", "Call"}, 10 + i);
            for (qint64 evaluation : m_chosen)
                m_bed->db().execute("INSERT INTO EvaluationQuestion (EvaluationKey, TemplateQuestionKey, Answer) "
                                    "VALUES (?, ?, ?)",
                                    {evaluation, key, i % 2 ? "Good" : "Poor"});
        }
        const QList<RecordedRow> rows = chart(m_chosen);
        const QList<QList<RecordedRow>> blocks = questionBlocks(rows, headings);
        QCOMPARE(blocks.size(), headings.size());
        int lastPage = 0;
        for (const QList<RecordedRow>& block : blocks) {
            QVERIFY(!block.isEmpty());
            for (const RecordedRow& row : block) {
                QCOMPARE(row.page, block.first().page);
                QVERIFY2(row.y1 + row.height <= 11800, qPrintable(row.brief()));
            }
            lastPage = block.first().page;
        }
        QVERIFY(lastPage >= 3);
        for (int page = 1; page <= lastPage; ++page) {
            QVERIFY(ReportCapture::texts(rows, page).contains(QString("Page: %1 of ").arg(page)));
            QVERIFY(ReportCapture::texts(rows, page).contains("North (3 evaluations)"));
        }
    }

    // Forty groups and sixty answers make a chart taller than a page even with its bars at
    // their smallest: it goes on over the next page under its heading "(continued)".
    void aChartTallerThanAPageGoesOnUnderItsHeading() {
        QStringList names, answers;
        for (int i = 1; i <= 40; ++i)
            names << QString("Site %1").arg(i, 2, 10, QChar('0'));
        for (int i = 1; i <= 60; ++i)
            answers << QString("Answer %1").arg(i);
        const qint64 sites = build().addTemplate("Sites");
        const qint64 field = build().addGroupField(sites, names);
        const qint64 question = build().addQuestion(sites, "Which?", answers, {}, 1);
        ReportRequest asked = request("Answer Chart by Group", {});
        asked.templateKey = sites;
        asked.groupKeys.clear();
        for (int i = 0; i < 40; ++i)
            asked.evaluations.append(
                {build().addEvaluation(sites, build().valueKey(field, names.at(i)), QString("S%1.evl").arg(i), {},
                                       {{question, {answers.at(i)}}}),
                 true});
        ReportCapture capture;
        AnswerChart chart(m_bed->db(), "Halvane");
        QVERIFY(chart.run(capture, asked, {true, {}, false}) > 0);
        QCOMPARE(ReportCapture::texts(capture.rows, 1).count("Which?"), 1);
        QCOMPARE(ReportCapture::texts(capture.rows, 2).count("Which? (continued)"), 1);
        for (const RecordedRow& row : std::as_const(capture.rows))
            QVERIFY2(row.y1 + row.height <= 11800, qPrintable(row.brief()));
        QVERIFY(ReportCapture::texts(capture.rows).contains("Answer 60"));
    }

    // The largest template the program takes (20 answers and 30 pick-list entries) over ten
    // groups fits on a page; a count of 1 among many still shows as a bar.
    void theLargestTemplateFitsOnAPage() {
        AnswerChartData::Question question;
        for (int i = 0; i < 23; ++i)
            question.answers.append({Kind::Answer, QString("Answer %1").arg(i), QList<int>(10, 100 + i)});
        for (int i = 0; i < 30; ++i)
            question.picks.append({Kind::PickEntry, QString("Entry %1").arg(i), QList<int>(10, 40 + i)});
        const AnswerChartLayout layout(question, 10);
        const int available = 11800 - 2500; // under a heading and a legend of three lines
        const double scale = layout.scaleToFit(available);
        QVERIFY2(scale > AnswerChartLayout::SmallestScale, qPrintable(QString::number(scale)));
        QVERIFY(layout.height(scale) <= available);
        QCOMPARE(layout.answers().highest, 122);
        QVERIFY(layout.height(1.0) > available);
    }

    // Nothing chosen that is still stored: the group summaries' message, and nothing recorded.
    void nothingFound() {
        m_bed->prompter().answer(PromptAnswer::Ok);
        QVERIFY(chart({12345}).isEmpty());
        QCOMPARE(m_bed->prompter().last().text, QString("Nothing found to print."));
        QCOMPARE(m_bed->prompter().last().title, QString("Print error"));
    }
};

QTEST_MAIN(tst_AnswerChart)
#include "tst_answerchart.moc"
