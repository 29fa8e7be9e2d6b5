#include "AuditReportTest.h"
#include "DataEnvironment.h"
#include "GroupSummary.h"
#include "GroupSummaryData.h"
#include "ReportCapture.h"
#include "ReportSnapshot.h"
#include "ReportTestbed.h"
#include "TestDatabases.h"

#include <QMap>
#include <QTest>

// The group summary's recorded rows: the landscape table, its page breaks, and the scores,
// averages and shares it prints.
class tst_GroupSummary : public AuditReportTest {
    Q_OBJECT

    qint64 m_inspector = 0;

    qint64 evaluation(const QString& groupName, const QString& inspector,
                      const QList<std::pair<qint64, EvaluationFixture::Answer>>& answers) {
        return build().addEvaluation(m_audit, group(groupName), inspector + ".evl", {{m_inspector, inspector}},
                                     answers);
    }
    ReportRequest request(int variant, const QList<qint64>& evaluations, const QList<qint64>& groups) {
        ReportRequest request =
            auditRequest(variant == 0 ? "Group Summary by Evaluation" : "Group Summary by Group", evaluations);
        request.firstGroupKey = group("North");
        request.groupKeys = groups;
        request.columnFields.append({m_inspector, "Inspector"});
        request.variant = variant;
        return request;
    }
    QList<RecordedRow> summary(const ReportRequest& request) {
        ReportCapture capture;
        GroupSummary summary(m_bed->db(), DataEnvironment::instance().rsCompanyParameter().Name);
        summary.setNow(QDateTime(QDate(2024, 3, 5), QTime(14, 7)));
        summary.run(capture, request, {true, {}, false});
        return capture.rows;
    }
    static QStringList at(const QList<RecordedRow>& rows, int page, int x) {
        QStringList texts;
        for (const RecordedRow& row : rows)
            if (row.type == 0 && row.page == page && row.x1 == x)
                texts << QString("%1 %2").arg(row.y1).arg(row.text);
        return texts;
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        startAudit(engine, {"North", "South"});
        m_inspector = build().addField(m_audit, {"Inspector", 0, {}, 2});
    }
    void cleanup() { m_bed.reset(); }

    // A column per evaluation: the header, the column-field values, the answers, the
    // column totals with their shares and the row totals after the last column. A question
    // without numeric answers adds no possible score.
    void byEvaluation() {
        const qint64 q1 = build().addQuestion(m_audit, "Q1", {"1", "2", "3", "4", "5"}, {}, 1);
        const qint64 q2 = build().addQuestion(m_audit, "Q2", {"Yes", "No"}, {}, 2);
        build().markDeleted("TemplateQuestion", build().addQuestion(m_audit, "Gone", {"1"}, {}, 3));
        const qint64 ann = evaluation("North", "Ann", {{q1, {"4"}}, {q2, {"Yes"}}});
        const qint64 bo = evaluation("North", "Bo", {{q1, {"2"}}, {q2, {"No"}}});
        const QStringList expected{
            "p1 500,500 s10 Halvane",
            "p1 5565,750 s10b Group Summary by Evaluation: 03/05/24 14:07",
            "p1 500,1000 s10 Group: North",
            "p1 500,1250 s10 Template: Audit",
            "p1 500,1500 s10 Start: 01/01/02  End: 12/31/29",
            "p1 13500,1500 s10 Page: 1 of ",
            "p1 line 500,1800-15000,1800",
            "p1 3500,1900 s8 Inspector",
            "p1 line 500,2150-15000,2150",
            "p1 500,2250 s8 Q1",
            "p1 500,2500 s8 Q2",
            "p1 5000,1900 s8 Ann",
            "p1 5000,2250 s8 4",
            "p1 5000,2500 s8 Yes",
            "p1 6000,1900 s8 Bo",
            "p1 6000,2250 s8 2",
            "p1 6000,2500 s8 No",
            "p1 line 500,2750-15000,2750",
            "p1 4400,2850 s8b Totals:",
            "p1 5000,2850 s8 4.00",
            "p1 5000,3100 s8 80.00%",
            "p1 6000,2850 s8 2.00",
            "p1 6000,3100 s8 40.00%",
            "p1 7000,2250 s8 6.00",
            "p1 7480,2250 s8 60.00%",
            "p1 7000,2500 s8 .00",
        };
        const QList<RecordedRow> rows = summary(request(0, {ann, bo}, {group("North")}));
        QCOMPARE(ReportCapture::brief(rows), expected);
        for (const RecordedRow& row : rows)
            QCOMPARE(row.orientation, 2);
        QVERIFY(rows.at(5).ofPage);
    }

    // A column per group: the average of the group's numeric answers; a group without one
    // leaves its cell empty, totals 0 and shows no share.
    void byGroup() {
        const qint64 q1 = build().addQuestion(m_audit, "Q1", {"1", "2", "3", "4", "5"}, {}, 1);
        const qint64 ann = evaluation("North", "Ann", {{q1, {"4"}}});
        const qint64 bo = evaluation("North", "Bo", {{q1, {"1"}}});
        const qint64 cy = evaluation("South", "Cy", {{q1, {"n/a"}}});
        const QList<RecordedRow> rows = summary(request(1, {ann, bo, cy}, {}));
        const QStringList texts = ReportCapture::texts(rows);
        QVERIFY(!texts.contains("Group: North"));
        QCOMPARE(at(rows, 1, 3500), QStringList({"1650 Group:", "1900 Inspector"}));
        QCOMPARE(at(rows, 1, 5000), QStringList({"1650 North", "1900 Ann", "2250 2.50", "2600 5.00", "2850 50.00%"}));
        QCOMPARE(at(rows, 1, 6000), QStringList({"1650 South", "1900 Cy", "2600 .00"}));
        QCOMPARE(at(rows, 1, 7000), QStringList({"2250 5.00"}));
        QVERIFY(texts.contains("50.00%"));
    }

    // A group that comes back later in the list starts a column of its own, and only an
    // evaluation's first answer to a question counts; cancelled after a page of groups,
    // nothing of the report is left.
    void byGroupRunsAndFirstAnswers() {
        const qint64 q1 = build().addQuestion(m_audit, "Q1", {"1", "2", "3", "4", "5"}, {}, 1);
        const qint64 ann = evaluation("North", "Ann", {{q1, {"4"}}, {q1, {"1"}}});
        const qint64 bo = evaluation("South", "Bo", {{q1, {"2"}}, {q1, {"n/a"}}});
        const qint64 cy = evaluation("North", "Cy", {{q1, {"5"}}});
        const QList<RecordedRow> rows = summary(request(1, {ann, bo, cy}, {}));
        QCOMPARE(at(rows, 1, 5000), QStringList({"1650 North", "1900 Ann", "2250 4.00", "2600 4.00", "2850 80.00%"}));
        QCOMPARE(at(rows, 1, 6000), QStringList({"1650 South", "1900 Bo", "2250 2.00", "2600 2.00", "2850 40.00%"}));
        QCOMPARE(at(rows, 1, 7000), QStringList({"1650 North", "1900 Cy", "2250 5.00", "2600 5.00", "2850 100.00%"}));
        QCOMPARE(at(rows, 1, 8000), QStringList({"2250 11.00"}));
        QCOMPARE(at(rows, 1, 8600), QStringList({"2250 73.33%"}));

        // Twelve columns: the first page is recorded when the run is cancelled at the eleventh.
        QList<qint64> alternating;
        for (int i = 0; i < 12; ++i)
            alternating << evaluation(i % 2 ? "North" : "South", QString("E%1").arg(i), {{q1, {"3"}}});
        ReportCapture capture;
        GroupSummary cancelled(m_bed->db(), "Halvane");
        QList<int> progress;
        cancelled.setProgress([&progress](int value, int) { progress << value; });
        cancelled.setCancelled([&progress] { return progress.last() == 11; });
        QVERIFY(!cancelled.record(capture, request(1, alternating, {}), true));
        QVERIFY(cancelled.cancelled());
        QCOMPARE(progress.size(), 12);
        QCOMPARE(ReportCapture::storedRows(), 0);
    }

    // Eleven evaluations: ten columns on the first page, the tenth at 14000, the eleventh on
    // a second page with its own header and column totals; row totals run over both pages.
    void elevenColumns() {
        const qint64 q1 = build().addQuestion(m_audit, "Q1", {"1", "2"}, {}, 1);
        QList<qint64> keys;
        for (int i = 1; i <= 11; ++i)
            keys << evaluation("North", QString("E%1").arg(i), {{q1, {"1"}}});
        const QList<RecordedRow> rows = summary(request(0, keys, {group("North")}));
        QCOMPARE(at(rows, 1, 14000).first(), QString("1900 E10"));
        QCOMPARE(at(rows, 2, 5000).first(), QString("1900 E11"));
        QVERIFY(at(rows, 1, 15000).isEmpty());
        QVERIFY(ReportCapture::texts(rows, 2).contains("Page: 2 of "));
        QCOMPARE(ReportCapture::texts(rows, 1).count("Totals:"), 1);
        QCOMPARE(ReportCapture::texts(rows, 2).count("Totals:"), 1);
        QCOMPARE(at(rows, 2, 6000), QStringList({"2250 11.00"}));
        QVERIFY(ReportCapture::brief(rows).contains("p2 6600,2250 s8 50.00%"));
    }

    // The largest answer counts as a number (10, not "9"), and a question whose answers are
    // all gone adds no possible score: the share uses the other questions' maxima only.
    void possibleScores() {
        QStringList scale;
        for (int i = 1; i <= 10; ++i)
            scale << QString::number(i);
        const qint64 q1 = build().addQuestion(m_audit, "Q1", scale, {}, 1);
        const qint64 q2 = build().addQuestion(m_audit, "Q2", {"1", "2"}, {}, 2);
        m_bed->db().execute("UPDATE TemplateAnswer SET Deleted=-1 WHERE TemplateQuestionKey=?", {q2});
        const qint64 ann = evaluation("North", "Ann", {{q1, {"10"}}, {q2, {"2"}}});
        const QList<RecordedRow> rows = summary(request(0, {ann}, {group("North")}));
        QCOMPARE(at(rows, 1, 5000).mid(3), QStringList({"2850 12.00", "3100 120.00%"}));
        QCOMPARE(at(rows, 1, 6000), QStringList({"2250 10.00", "2500 2.00"}));
        QVERIFY(ReportCapture::brief(rows).contains("p1 6600,2250 s8 100.00%"));
        QVERIFY(!ReportCapture::texts(rows).contains("111.11%"));

        // A score without any possible score has no share to show, rather than a division
        // by zero.
        const qint64 bo = evaluation("North", "Bo", {{q2, {"2"}}});
        const QList<RecordedRow> only = summary(request(0, {bo}, {group("North")}));
        QCOMPARE(at(only, 1, 5000), QStringList({"1900 Bo", "2500 2", "2850 2.00"}));
        QCOMPARE(at(only, 1, 6000), QStringList({"2250 .00", "2500 2.00"}));
        for (const QString& text : ReportCapture::texts(only))
            QVERIFY2(!text.endsWith('%'), qPrintable(text));
    }

    // Questions that do not fit under the header go on to a second page with the same
    // columns; the totals close the last of them.
    void questionsOverTwoPages() {
        QList<std::pair<qint64, EvaluationFixture::Answer>> answers;
        for (int i = 1; i <= 40; ++i)
            answers.append({build().addQuestion(m_audit, QString("Q%1").arg(i), {"1"}, {}, i), {"1"}});
        const qint64 ann = evaluation("North", "Ann", answers);
        ReportRequest asked = request(0, {ann}, {group("North")});
        asked.columnFields.clear();
        const QList<RecordedRow> rows = summary(asked);
        const QStringList briefs = ReportCapture::brief(rows);
        QVERIFY(briefs.contains("p1 500,11000 s8 Q37"));
        QVERIFY(briefs.contains("p2 500,2000 s8 Q38"));
        QVERIFY(briefs.contains("p2 5000,2500 s8 1"));
        QCOMPARE(ReportCapture::texts(rows, 1).count("Totals:"), 0);
        QCOMPARE(ReportCapture::texts(rows, 2).count("Totals:"), 1);
        QVERIFY(briefs.contains("p1 6000,11000 s8 1.00"));
        QVERIFY(briefs.contains("p2 5000,2850 s8 40.00"));
    }

    // More evaluations than one read takes: the groups' averages and the totals count every
    // one, in list order across the reads, and one deleted since the list was made is left
    // out. A cancel in the middle leaves no half report.
    void moreThanOneRead() {
        const qint64 q1 = build().addQuestion(m_audit, "Q1", {"1", "2", "3", "4", "5"}, {}, 1);
        QList<qint64> north, south;
        double northSum = 0, southSum = 0;
        Transaction transaction(m_bed->db());
        for (int i = 0; i < 1205; ++i) {
            const bool isNorth = i % 2 == 0;
            const int answer = i % 5 + 1;
            (isNorth ? north : south) << evaluation(isNorth ? "North" : "South", QString("E%1").arg(i),
                                                    {{q1, {QString::number(answer)}}});
            (isNorth ? northSum : southSum) += answer;
        }
        transaction.commit();
        const qint64 gone = south.at(300);
        m_bed->db().execute("DELETE FROM Evaluation WHERE EvaluationKey=?", {gone});
        southSum -= 601 % 5 + 1; // the 301st of the South is the 602nd made

        const QList<RecordedRow> byGroup = summary(request(1, north + south, {}));
        QCOMPARE(at(byGroup, 1, 5000).value(2), QString("2250 %1").arg(northSum / north.size(), 0, 'f', 2));
        QCOMPARE(at(byGroup, 1, 6000).value(2), QString("2250 %1").arg(southSum / (south.size() - 1), 0, 'f', 2));
        QVERIFY(ReportCapture::brief(byGroup).contains(QString("p1 7000,2250 s8 %1.00").arg(northSum + southSum)));

        // A column per evaluation: 601 stored evaluations of the South make 61 pages, the
        // last with the one column left over and the row totals beside it.
        const QList<RecordedRow> byEvaluation = summary(request(0, south, {group("South")}));
        QCOMPARE(ReportCapture::texts(byEvaluation).count("Totals:"), 61);
        QCOMPARE(at(byEvaluation, 61, 5000).first(), QString("1900 E1203"));
        QVERIFY(!ReportCapture::texts(byEvaluation).contains("E601"));
        QVERIFY(ReportCapture::brief(byEvaluation).contains(QString("p61 6000,2250 s8 %1.00").arg(southSum)));

        // Cancelled after 700 evaluations, when pages are recorded already: nothing of the
        // report is left, even one started to be kept, and nothing is said.
        ReportCapture capture;
        GroupSummary cancelled(m_bed->db(), "Halvane");
        int done = 0;
        cancelled.setProgress([&done](int value, int) { done = value; });
        cancelled.setCancelled([&done] { return done == 700; });
        const int shown = int(m_bed->prompter().shown().size());
        QVERIFY(!cancelled.record(capture, request(0, north + south, {}), true));
        QVERIFY(cancelled.cancelled());
        QCOMPARE(done, 700);
        QCOMPARE(ReportCapture::storedRows(), 0);
        QCOMPARE(int(m_bed->prompter().shown().size()), shown);
    }

    // A long run is counted half on a second connection: the halves add up, an evaluation's
    // later answer is taken off in either half, and the second connection reads in the report's
    // snapshot, blind to what another PC changed after the report began. SQLite gives none to a
    // report that began reading alone (it could not join that snapshot) or to a catalog opened
    // read-only, which cannot take the write lock that makes the two begin together.
    void longRunCountedInHalves() {
        const qint64 q1 = build().addQuestion(m_audit, "Q1", {"1", "2"}, {}, 1);
        QList<qint64> keys;
        {
            Transaction transaction(m_bed->db());
            for (int i = 0; i < 2400; ++i) {
                QList<std::pair<qint64, EvaluationFixture::Answer>> answers{{q1, {i % 2 ? "2" : "1"}}};
                if (i % 600 == 599)
                    answers = {{q1, {"1"}}, {q1, {"2"}}};
                keys << evaluation("North", QString("E%1").arg(i), answers);
            }
            transaction.commit();
        }
        QFETCH_GLOBAL(DatabaseEngine, engine);
        {
            ReportSnapshot late(m_bed->db());
            m_bed->db().scalar("SELECT COUNT(*) FROM Evaluation");
            QCOMPARE(bool(late.secondReader()), engine == DatabaseEngine::PostgreSQL);
        }
        {
            // A SQLite catalog opened read-only cannot lend the write lock: the report reads alone.
            Database readOnly = Database::openExisting(m_bed->connectionString(), "read-only");
            {
                ReportSnapshot snapshot(readOnly);
                QCOMPARE(bool(snapshot.secondReader()), engine == DatabaseEngine::PostgreSQL);
                QCOMPARE(GroupSummaryData::answerCounts(readOnly, keys).size(), 2);
            }
            readOnly.close();
        }
        ReportSnapshot snapshot(m_bed->db());
        const std::unique_ptr<ConnectionThread> second = snapshot.secondReader();
        QVERIFY(second);
        Database other = Database::open(m_bed->connectionString(), "other-pc");
        other.execute("UPDATE EvaluationQuestion SET Answer='2' WHERE EvaluationKey=?", {keys.last()});
        other.close();

        QMap<QString, int> counted;
        for (const GroupSummaryData::AnswerCount& count :
             GroupSummaryData::answerCounts(m_bed->db(), keys, second.get()))
            counted[count.answer] += count.count;
        QCOMPARE(counted, (QMap<QString, int>{{"1", 1204}, {"2", 1196}}));
    }

    // Nothing chosen that is still stored: "Nothing found to print." in both variants, and
    // nothing recorded.
    void nothingFound() {
        build().addQuestion(m_audit, "Q1", {"1"});
        for (int variant : {0, 1}) {
            m_bed->prompter().answer(PromptAnswer::Ok);
            QVERIFY(summary(request(variant, {12345}, {})).isEmpty());
            QCOMPARE(m_bed->prompter().last().text, QString("Nothing found to print."));
            QCOMPARE(m_bed->prompter().last().title, QString("Print error"));
        }
        QCOMPARE(m_bed->prompter().shown().size(), 2);
    }
};

QTEST_MAIN(tst_GroupSummary)
#include "tst_groupsummary.moc"
