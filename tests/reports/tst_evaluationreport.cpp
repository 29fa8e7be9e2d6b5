#include "AuditReportTest.h"
#include "DataEnvironment.h"
#include "EntryRules.h"
#include "EvaluationHistory.h"
#include "EvaluationReport.h"
#include "HistoryChain.h"
#include "ReportCapture.h"
#include "ReportTestbed.h"
#include "TestDatabases.h"

#include <QTest>

// The evaluation report's recorded rows for the layout rules: page sequences, the header
// and footer field columns, page breaks and pick-list rows.
class tst_EvaluationReport : public AuditReportTest {
    Q_OBJECT

    qint64 m_north = 0;

    QList<RecordedRow> report(const QList<ListedEvaluation>& entries, QList<int>* progress = nullptr,
                              const std::function<void(int)>& afterEntry = {}) {
        ReportCapture capture;
        EvaluationReport report(m_bed->db(), DataEnvironment::instance().rsCompanyParameter());
        report.setProgress([&](int value, int maximum) {
            if (progress)
                *progress << value << maximum;
            if (afterEntry)
                afterEntry(value);
        });
        report.run(capture, entries, {true, {}, false});
        return capture.rows;
    }
    QList<RecordedRow> report(qint64 evaluation) { return report(QList<ListedEvaluation>{{evaluation, true}}); }

    qint64 evaluation(const QString& file, const QList<std::pair<qint64, QString>>& fields,
                      const QList<std::pair<qint64, EvaluationFixture::Answer>>& answers) {
        return build().addEvaluation(m_audit, m_north, file, fields, answers);
    }
    // A template of count questions, each answered "1".
    QList<std::pair<qint64, EvaluationFixture::Answer>> questions(int count) {
        QList<std::pair<qint64, EvaluationFixture::Answer>> answers;
        for (int i = 1; i <= count; ++i)
            answers.append({build().addQuestion(m_audit, QString("Q%1").arg(i), {"1"}, {}, i), {"1"}});
        return answers;
    }
    static int pageOf(const QList<RecordedRow>& rows, const QString& text) {
        for (const RecordedRow& row : rows)
            if (row.text == text)
                return row.page;
        return 0;
    }
    static int yOf(const QList<RecordedRow>& rows, const QString& text) {
        for (const RecordedRow& row : rows)
            if (row.text == text)
                return row.y1;
        return -1;
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        startAudit(engine, {"North", "South"});
        m_north = group("North");
    }
    void cleanup() { m_bed.reset(); }

    // One evaluation whole: header, header field, column headings, footer field at the
    // bottom, the TBC mark, and pick-list entries in their order, one row of 250 each.
    void wholePage() {
        const qint64 inspector = build().addField(m_audit, {"Inspector", 0, {}, 2});
        const qint64 signedBy = build().addField(m_audit, {"Signed", 0, {}, 3, "R", true});
        build().addField(m_audit, {"Unit only", 0, {}, 4, "H"});
        const qint64 clean = build().addQuestion(m_audit, "Clean?", {"Yes", "No"}, {"Wall", "Floor"}, 1);
        const qint64 bright = build().addQuestion(m_audit, "Bright?", {"1", "5"}, {}, 2);
        const qint64 key = evaluation("North-1.evl", {{inspector, "Ann"}, {signedBy, "Bo"}},
                                      {{bright, {"3"}}, {clean, {"Yes", true, {"Floor", "Wall"}}}});
        const QStringList expected{
            "p1 5125,1000 s10 Halvane",
            "p1 10300,1300 s10 Page: 1",
            "p1 500,1300 s10 Evaluation: Audit",
            "p1 500,1600 s10 File: North-1.evl",
            "p1 line 500,1900-11100,1900",
            "p1 500,2000 s10 Inspector Ann",
            "p1 line 500,2300-11100,2300",
            "p1 500,2350 s8 TBC",
            "p1 900,2350 s8 Question",
            "p1 5000,2350 s8 Answer",
            "p1 7000,2350 s8 Pick List Items",
            "p1 line 500,2650-11100,2650",
            "p1 500,13900 s10 Signed Bo",
            "p1 500,2800 s8 X",
            "p1 900,2800 s8 Clean?",
            "p1 5000,2800 s8 Yes",
            "p1 7000,2800 s8 Wall",
            "p1 7000,3050 s8 Floor",
            "p1 500,3300 s8  ",
            "p1 900,3300 s8 Bright?",
            "p1 5000,3300 s8 3",
        };
        QCOMPARE(ReportCapture::brief(report(key)), expected);
    }

    // Each evaluation numbers its pages from 1; the report's pages run on across them.
    void pageSequences() {
        const auto answers = questions(46);
        const qint64 first = evaluation("First.evl", {}, answers);
        const qint64 second = evaluation("Second.evl", {}, answers.mid(0, 2));
        const QList<RecordedRow> rows = report({{first, true}, {second, true}});
        QStringList pages;
        for (const RecordedRow& row : rows)
            if (row.text.startsWith("Page:"))
                pages << QString("%1:%2").arg(row.page).arg(row.text);
        QCOMPARE(pages, QStringList({"1:Page: 1", "2:Page: 2", "3:Page: 1"}));
        // Without footer fields the page bottom is 14000: 45 rows from 2800 fit, the 46th
        // (at 14050) opens the next page.
        QCOMPARE(yOf(rows, "Q45"), 13800);
        QCOMPARE(pageOf(rows, "Q45"), 1);
        QCOMPARE(pageOf(rows, "Q46"), 2);
        QCOMPARE(yOf(rows, "Q46"), 2800);
    }

    // Three footer fields over two columns put the footer block at 14000 - 1.5 × 300, two
    // fields on its first row; the questions stop above it.
    void footerBlock() {
        build().setCompany("Halvane", 2);
        QList<std::pair<qint64, QString>> values;
        for (const char* label : {"F1", "F2", "F3"})
            values.append({build().addField(m_audit, {label, 0, {}, 5, "B", true}), "x"});
        const qint64 key = evaluation("Footer.evl", values, questions(45));
        const QList<RecordedRow> rows = report(key);
        const QStringList briefs = ReportCapture::brief(rows);
        QVERIFY(briefs.contains("p1 500,13550 s10 F1 x"));
        QVERIFY(briefs.contains("p1 6050,13550 s10 F2 x"));
        QVERIFY(briefs.contains("p1 500,13850 s10 F3 x"));
        QCOMPARE(yOf(rows, "Q44"), 13550);
        QCOMPARE(pageOf(rows, "Q44"), 1);
        QCOMPARE(pageOf(rows, "Q45"), 2);
        QVERIFY(briefs.contains("p2 500,13550 s10 F1 x"));
    }

    // A field text wider than a column less 100 starts a new row, even at the start of an
    // empty row, and takes two columns; decimal numbers show two places, other text as typed.
    void fieldColumns() {
        const qint64 wide = build().addField(m_audit, {"Wide", 0, {}, 2});
        const qint64 weight = build().addField(m_audit, {"Weight", 1, {}, 3, "B", false, 2});
        const qint64 height = build().addField(m_audit, {"Height", 1, {}, 4, "B", false, 2});
        const qint64 last = build().addField(m_audit, {"Last", 0, {}, 5});
        const QString long70 = QString(70, QChar('w'));
        const qint64 key =
            evaluation("Wide.evl", {{wide, long70}, {weight, "12.5"}, {height, "tall"}, {last, "z"}}, questions(1));
        const QStringList briefs = ReportCapture::brief(report(key));
        // Column width 3700; "Wide " + 70 letters is 3750 wide.
        QVERIFY(briefs.contains("p1 500,2300 s10 Wide " + long70));
        QVERIFY(briefs.contains("p1 7900,2300 s10 Weight 12.50"));
        QVERIFY(briefs.contains("p1 500,2600 s10 Height tall"));
        QVERIFY(briefs.contains("p1 4200,2600 s10 Last z"));
    }

    // Four ticked entries take four rows of 250, none takes one; a page break may come
    // between two entries of one question.
    void pickListRows() {
        const QStringList four{"A", "B", "C", "D"};
        const qint64 ticked = build().addQuestion(m_audit, "Ticked", {"1"}, four, 1);
        const qint64 plain = build().addQuestion(m_audit, "Plain", {"1"}, {}, 2);
        const qint64 after = build().addQuestion(m_audit, "After", {"1"}, {}, 3);
        const qint64 key = evaluation("Picks.evl", {}, {{ticked, {"1", false, four}}, {plain, {"1"}}, {after, {"1"}}});
        const QList<RecordedRow> rows = report(key);
        QCOMPARE(yOf(rows, "D"), 2800 + 750);
        QCOMPARE(yOf(rows, "Plain"), 2800 + 1000);
        QCOMPARE(yOf(rows, "After"), 2800 + 1250);
    }

    // Every entry moves the progress bar, selected or not; only the selected ones print.
    void progressAndSelection() {
        const auto answers = questions(1);
        const qint64 a = evaluation("A.evl", {}, answers);
        const qint64 b = evaluation("B.evl", {}, answers);
        const qint64 c = evaluation("C.evl", {}, answers);
        QList<int> progress;
        const QList<RecordedRow> rows = report({{a, true}, {b, false}, {c, true}}, &progress);
        QCOMPARE(progress, QList<int>({0, 3, 1, 3, 2, 3, 3, 3}));
        QVERIFY(ReportCapture::texts(rows).contains("File: C.evl"));
        QVERIFY(!ReportCapture::texts(rows).contains("File: B.evl"));
    }

    // An evaluation without answers prints nothing; a ReportColumns the layout cannot use is
    // refused before anything is recorded.
    void nothingToPrintAndBadColumns() {
        const qint64 bare = evaluation("Bare.evl", {}, {});
        m_bed->prompter().answer(PromptAnswer::Ok);
        QVERIFY(report(bare).isEmpty());
        QCOMPARE(m_bed->prompter().last().text, QString("No report to process!"));

        questions(1);
        build().setCompany("Halvane", 0);
        m_bed->prompter().answer(PromptAnswer::Ok);
        const qint64 before = ReportCapture::read(1).size();
        QVERIFY(report(bare).isEmpty());
        QCOMPARE(m_bed->prompter().last().title, QString("Report Error"));
        QVERIFY(m_bed->prompter().last().text.contains("1 to 10"));
        QCOMPARE(ReportCapture::read(1).size(), before);
    }

    // Cancelled in the middle of the third read of evaluations: nothing of the report stays,
    // not even of one started to be kept, and nothing is said.
    void cancelInTheMiddle() {
        const QList<std::pair<qint64, EvaluationFixture::Answer>> answers = questions(3);
        QList<ListedEvaluation> entries;
        for (int i = 0; i < 3 * EvaluationReport::EvaluationsPerRead; ++i)
            entries.append({evaluation(QString("E%1.evl").arg(i), {}, answers), true});
        int done = 0;
        const int stopAt = 2 * EvaluationReport::EvaluationsPerRead + 3;
        {
            ReportCapture capture;
            EvaluationReport cancelled(m_bed->db(), DataEnvironment::instance().rsCompanyParameter());
            cancelled.setProgress([&done](int value, int) { done = value; });
            cancelled.setCancelled([&] { return done == stopAt; });
            QVERIFY(!cancelled.record(capture, entries, true));
            QVERIFY(cancelled.cancelled());
            QVERIFY(!cancelled.failed());
        }
        QCOMPARE(done, stopAt);
        QCOMPARE(ReportCapture::storedRows(), 0);
        QVERIFY(m_bed->prompter().shown().isEmpty());

        // Not cancelled, the same run keeps every page.
        QCOMPARE(ReportCapture::texts(report(entries)).count("Page: 1"), int(entries.size()));
    }

    // What another connection writes after the report began reading does not show up in a
    // later evaluation of the same run, one that is read after the first have printed.
    void consistentWhileAnotherPcWrites() {
        const qint64 question = build().addQuestion(m_audit, "Clean?", {"1"}, {"Late pick"}, 1);
        QList<ListedEvaluation> entries;
        for (int i = 0; i <= EvaluationReport::EvaluationsPerRead; ++i)
            entries.append({evaluation(QString("E%1.evl").arg(i, 3, 10, QChar('0')), {}, {{question, {"1"}}}), true});
        const qint64 last = entries.last().key;
        Database other = Database::open(m_bed->connectionString(), "other-pc");
        const QList<RecordedRow> rows = report(entries, nullptr, [&](int done) {
            if (done != 1)
                return;
            const QVariant answer =
                other.scalar("SELECT EvaluationQuestionKey FROM EvaluationQuestion WHERE EvaluationKey=?", {last});
            other.execute("INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey) VALUES (?, ?)",
                          {answer, build().pickKey(question, "Late pick")});
            other.execute("UPDATE EvaluationQuestion SET Answer='9' WHERE EvaluationKey=?", {last});
        });
        other.close();
        QCOMPARE(pageOf(rows, QString("File: E%1.evl").arg(EvaluationReport::EvaluationsPerRead, 3, 10, QChar('0'))),
                 EvaluationReport::EvaluationsPerRead + 1);
        QVERIFY(!ReportCapture::texts(rows).contains("Late pick"));
        QVERIFY(!ReportCapture::texts(rows).contains("9"));
    }

    // An evaluation changed after it arrived is noted at the foot of every page: how often,
    // when last and by whom, the changes under an earlier key counted; the others print as
    // they would without any history.
    void changedEvaluationsAreNoted() {
        using namespace EvaluationHistory;
        const auto record = [this](const QList<Change>& changes) {
            Transaction transaction(m_bed->db(), Transaction::Writing);
            HistoryChain::append(m_bed->db(), Means::Editor, changes);
            transaction.commit();
        };
        const auto notes = [](const QList<RecordedRow>& rows) {
            QStringList found;
            for (const RecordedRow& row : rows) {
                if (row.text.startsWith("Changed after import"))
                    found << row.brief();
            }
            return found;
        };
        const auto questionsAnswered = questions(60);
        const qint64 changed = evaluation("Changed", {}, questionsAnswered);
        const qint64 untouched = evaluation("Untouched", {}, questionsAnswered);
        const qint64 imported = evaluation("Imported", {}, questionsAnswered);
        record({{imported, Item::Imported, 0, "Imported from Imported.txt", {}, {}, {}},
                {untouched, Item::Imported, 0, "Imported from Untouched.txt", {}, {}, {}}});
        const QList<RecordedRow> before = report({{untouched, true}, {imported, true}});
        record({{changed - 100, Item::Field, 1, "Notes", "before", "between", {}},
                {changed, Item::Saved, changed - 100, "Saved under a new key", {}, {}, {}}});
        record({{changed, Item::Field, 1, "Notes", "between", "after", {}},
                {changed, Item::TBC, questionsAnswered.first().first, "TBC: Q1", "No", "Yes", {}}});

        const QList<RecordedRow> rows = report({{changed, true}, {untouched, true}, {imported, true}});
        const Record last = EvaluationHistory::of(m_bed->db(), changed).first();
        QVERIFY(last.who().contains('@'));
        const QString note = QString("Changed after import: 3 changes, last %1 by %2")
                                 .arg(EntryRules::shortDate(last.changed.toLocalTime().date()), last.who());
        QCOMPARE(notes(rows), QStringList({"p1 500,14100 s8 " + note, "p2 500,14100 s8 " + note}));
        QCOMPARE(ReportCapture::brief(report({{untouched, true}, {imported, true}})), ReportCapture::brief(before));
        m_bed->db().execute("DELETE FROM EvaluationHistory");
        QCOMPARE(ReportCapture::brief(report({{untouched, true}, {imported, true}})), ReportCapture::brief(before));

        record({{untouched, Item::Answer, 1, "Answer: Q1", "1", "2", {}}});
        QVERIFY(notes(report(untouched)).first().contains(": 1 change, last "));
    }
};

QTEST_MAIN(tst_EvaluationReport)
#include "tst_evaluationreport.moc"
