#include "DataEnvironment.h"
#include "ReportCapture.h"
#include "ReportTestbed.h"
#include "TemplateListing.h"
#include "TestDatabases.h"

#include <QTest>

// The template listing's recorded rows: positions, texts, pages and fonts are what the
// preview and the printer draw.
class tst_TemplateListing : public QObject {
    Q_OBJECT

    std::unique_ptr<ReportTestbed> m_bed;
    EvaluationFixture& build() { return m_bed->build(); }

    QList<RecordedRow> listing(qint64 templateKey) {
        ReportCapture capture;
        TemplateListing listing(m_bed->db(), DataEnvironment::instance().rsCompanyParameter().Name);
        const int key = listing.run(capture, templateKey, {true, {}, false});
        if (key != 0 && capture.previewed != key)
            qWarning("the listing was not previewed");
        return capture.rows;
    }
    // The rows of the question section: from the question headings' page on.
    static QStringList fromText(const QList<RecordedRow>& rows, const QString& text) {
        QStringList lines;
        bool found = false;
        for (const RecordedRow& row : rows) {
            found = found || row.text == text;
            if (found)
                lines << row.brief();
        }
        return lines;
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        m_bed = std::make_unique<ReportTestbed>(engine);
        build().setCompany("Halvane Ltd", 3);
    }
    void cleanup() { m_bed.reset(); }

    // Fields by label and questions by text, each item sorted, deleted ones left out, the
    // questions on a page of their own with their own headings.
    // Labels, values, questions, answers and pick lists stand alphabetically without regard to
    // case, the same on both engines.
    void namesWithoutRegardToCase() {
        const qint64 audit = build().addTemplate("Audit");
        build().addField(audit, {"beta", 2, {"south", "North", "east"}, 1});
        build().addField(audit, {"Alpha", 0, {}, 2});
        build().addQuestion(audit, "clean?", {"yes", "No", "maybe"}, {"wall", "Floor"});
        build().addQuestion(audit, "Bright?", {"1"}, {});
        QStringList labels, values, questions, answers, pickLists;
        for (const RecordedRow& row : listing(audit)) {
            if (row.type != 0 || row.size != 8 || row.y1 < 1600)
                continue;
            if (row.x1 == 500)
                (row.page == 1 ? labels : questions) << row.text;
            else if (row.page == 1 && row.x1 >= 6600)
                values << row.text;
            else if (row.page == 2 && row.x1 == 5000)
                answers << row.text;
            else if (row.page == 2 && row.x1 == 7000)
                pickLists << row.text;
        }
        QCOMPARE(labels, QStringList({"Alpha", "beta"}));
        QCOMPARE(values, QStringList({"east", "North", "south"}));
        QCOMPARE(questions, QStringList({"Bright?", "clean?"}));
        QCOMPARE(answers, QStringList({"1", "maybe", "No", "yes"}));
        QCOMPARE(pickLists, QStringList({"Floor", "wall"}));
    }

    void wholeListing() {
        const qint64 audit = build().addTemplate("Audit");
        EvaluationFixture::Field notes{"Notes", 0, {}, 1, "R", true, 0, 40, false, false};
        build().addField(audit, notes);
        EvaluationFixture::Field area{"Area", 2, {"West", "North", "South"}, 2, "B", false, 0, 20, true, false};
        const qint64 areaKey = build().addField(audit, area);
        build().markDeleted("TemplateFieldValue", build().addValue(areaKey, "Annex"));
        const qint64 gone = build().addField(audit, {"Gone", 0, {}, 3});
        build().markDeleted("TemplateField", gone);
        const qint64 clean = build().addQuestion(audit, "Clean?", {"Yes", "No"}, {"Wall", "Floor"});
        build().markDeleted("TemplateAnswer",
                            m_bed->db()
                                .scalar("SELECT TemplateAnswerKey FROM TemplateAnswer WHERE TemplateQuestionKey=? AND "
                                        "Answer='No'",
                                        {clean})
                                .toLongLong());
        build().addQuestion(audit, "Bright?", {"1"}, {});
        build().markDeleted("TemplateQuestion", build().addQuestion(audit, "Aaa deleted?", {"1"}));

        const QList<RecordedRow> rows = listing(audit);
        const QStringList expected{
            "p1 5025,500 s10 Halvane Ltd",
            "p1 10000,800 s10 Page: 1 of ",
            "p1 500,800 s10 Template: Audit",
            "p1 line 500,1100-11100,1100",
            "p1 500,1200 s8 Label",
            "p1 3000,1200 s8 Type",
            "p1 3800,1200 s8 Length",
            "p1 4500,1200 s8 Use On",
            "p1 5200,1200 s8 Forced",
            "p1 6000,1200 s8 Footer",
            "p1 6600,1200 s8 Field Values",
            "p1 line 500,1500-11100,1500",
            "p1 500,1600 s8 Area",
            "p1 3000,1600 s8 Combo",
            "p1 3800,1600 s8 20",
            "p1 4500,1600 s8 B",
            "p1 5200,1600 s8 Y",
            "p1 6000,1600 s8 N",
            "p1 6600,1600 s8 North",
            "p1 8100,1600 s8 South",
            "p1 9600,1600 s8 West",
            "p1 500,2100 s8 Notes",
            "p1 3000,2100 s8 Text",
            "p1 3800,2100 s8 40",
            "p1 4500,2100 s8 R",
            "p1 5200,2100 s8 N",
            "p1 6000,2100 s8 Y",
            "p2 5025,500 s10 Halvane Ltd",
            "p2 10000,800 s10 Page: 2 of ",
            "p2 500,800 s10 Template: Audit",
            "p2 line 500,1100-11100,1100",
            "p2 500,1200 s8 Question",
            "p2 5000,1200 s8 Answer",
            "p2 7000,1200 s8 Pick List",
            "p2 line 500,1500-11100,1500",
            "p2 500,1650 s8 Bright?",
            "p2 5000,1650 s8 1",
            "p2 500,2050 s8 Clean?",
            "p2 5000,2050 s8 Yes",
            "p2 7000,2050 s8 Floor",
            "p2 7000,2250 s8 Wall",
        };
        QCOMPARE(ReportCapture::brief(rows), expected);
        for (const RecordedRow& row : rows) {
            QCOMPARE(row.orientation, 1);
            QVERIFY(!row.bold);
            if (row.type == 0)
                QCOMPARE(row.font, QString("Arial"));
            QCOMPARE(row.ofPage, row.text.startsWith("Page:"));
        }
    }

    // Nothing at all is recorded for an empty template, and the preview says so.
    void emptyTemplate() {
        const qint64 empty = build().addTemplate("Empty");
        m_bed->prompter().answer(PromptAnswer::Ok);
        QVERIFY(listing(empty).isEmpty());
        QCOMPARE(m_bed->prompter().last().text, QString("No report to process!"));
        QCOMPARE(m_bed->prompter().last().title, QString("Print Error"));
    }

    // Questions without fields start on page 1.
    void questionsWithoutFields() {
        const qint64 audit = build().addTemplate("Audit");
        build().addQuestion(audit, "Clean?", {"Yes"});
        const QList<RecordedRow> rows = listing(audit);
        QCOMPARE(rows.first().page, 1);
        QCOMPARE(rows.last().brief(), QString("p1 5000,1650 s8 Yes"));
        QVERIFY(ReportCapture::texts(rows).contains("Pick List"));
    }

    // Three values fill one row and move y by 500 in all; a fourth stands alone on the
    // second row; values are cut to 15 characters, labels are not.
    void valueRows() {
        const qint64 audit = build().addTemplate("Audit");
        build().addField(audit, {"A three", 2, {"One", "Three", "Two"}});
        build().addField(audit, {"B four values, label", 2, {"Four", "One", "Three", "Two is longer yet"}});
        build().addField(audit, {"C after", 0, {}});
        const QStringList rows = ReportCapture::brief(listing(audit));
        QVERIFY(rows.contains("p1 500,1600 s8 A three"));
        QVERIFY(rows.contains("p1 500,2100 s8 B four values, label"));
        QVERIFY(rows.contains("p1 6600,2100 s8 Four"));
        QVERIFY(rows.contains("p1 9600,2100 s8 Three"));
        QVERIFY(rows.contains("p1 6600,2300 s8 Two is longer y"));
        // 2100 + 200 (the wrap) + 300 (after the field).
        QVERIFY(rows.contains("p1 500,2600 s8 C after"));
    }

    // Five answers and two pick-list items advance by 5 × 200 + 200; the page test comes only
    // before a question, so a long answer list runs on past 12000 on the same page.
    void questionRowsAndPageTest() {
        const qint64 audit = build().addTemplate("Audit");
        build().addQuestion(audit, "Q01", {"1", "2", "3", "4", "5"}, {"Floor", "Wall"});
        for (int i = 2; i <= 10; ++i)
            build().addQuestion(audit, QString("Q%1").arg(i, 2, 10, QChar('0')), {"1", "2", "3", "4", "5"});
        build().addQuestion(audit, "Q11", QString("a b c d e f g h i j").split(' '));
        build().addQuestion(audit, "Q12", {"1"});
        const QStringList rows = fromText(listing(audit), "Q01");
        QVERIFY(rows.contains("p1 500,1650 s8 Q01"));
        QVERIFY(rows.contains("p1 500,2850 s8 Q02"));
        // Q09 opens at 11250 and its answers run on to 12050 on the same page; Q10 would open
        // at 12450 and goes to a new page instead.
        QVERIFY(rows.contains("p1 500,11250 s8 Q09"));
        QVERIFY(rows.contains("p1 5000,12050 s8 5"));
        QVERIFY(rows.contains("p2 500,1650 s8 Q10"));
        QVERIFY(rows.contains("p2 500,2850 s8 Q11"));
        QVERIFY(rows.contains("p2 5000,4650 s8 j"));
        QVERIFY(rows.contains("p2 500,5050 s8 Q12"));
    }
};

QTEST_MAIN(tst_TemplateListing)
#include "tst_templatelisting.moc"
