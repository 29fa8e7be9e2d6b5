#include "AddEvaluation.h"
#include "EvaluationEditor.h"
#include "HandheldFixture.h"
#include "OpenEvaluationFilter.h"
#include "ScriptedPrompter.h"
#include "SiteVisit.h"
#include "TemplateBuilder.h"
#include "TestDatabases.h"

#include <QTest>

// The dialogs that pick the template of a new evaluation and find an existing one.
class tst_EvaluationDialogs : public QObject {
    Q_OBJECT

    std::unique_ptr<HandheldFixture> m_fixture;
    const Database& db() { return m_fixture->db(); }

    qint64 evaluation(const SiteVisit& visit, qint64 group, const QString& fileName, const QString& downloaded) {
        return db().insert("Evaluation", {"TemplateKey", "EvaluationGroupKey", "FileName", "Downloaded"},
                           {visit.templateKey, group, fileName, downloaded});
    }
    template <typename List> static QStringList texts(const List& entries) {
        QStringList list;
        for (const OpenEvaluationFilter::Entry& entry : entries)
            list << entry.text;
        return list;
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        m_fixture = std::make_unique<HandheldFixture>(TestDatabases::freshConnectionString(engine));
    }
    void cleanup() { m_fixture.reset(); }

    void addNeedsATemplateWithGroups() {
        ScriptedPrompter prompter;
        AddEvaluation add(db());
        add.load();
        QCOMPARE(add.chosen(), -1);
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!add.activate());
        QCOMPARE(prompter.last().text, QString("No templates defined."));
        QCOMPARE(prompter.last().title, QString("Program Error"));
        QCOMPARE(prompter.last().icon, PromptIcon::Critical);

        const SiteVisit visit = SiteVisit::create(db(), 1, "Site Visit");
        TemplateBuilder empty(db(), "Empty groups");
        empty.groupField("Group");
        TemplateBuilder plain(db(), "Another");
        plain.field("Notes", TemplateBuilder::Text);
        add.load();
        QVERIFY(add.activate());
        QCOMPARE(add.templates().size(), 3);
        QCOMPARE(add.templates().at(0).name, QString("Another"));
        QCOMPARE(add.chosen(), 0);

        EvaluationEditor editor(db());
        for (int refused : {0, 1}) {
            add.choose(refused);
            prompter.answer(PromptAnswer::Ok);
            QVERIFY(!add.Add(editor));
            QCOMPARE(prompter.last().title, QString("Add Evaluation"));
            QVERIFY(prompter.last().text.contains(add.templates().at(refused).name));
            QVERIFY(!editor.inProgress());
        }
        add.choose(2);
        QVERIFY(add.Add(editor));
        QCOMPARE(editor.templateKey(), visit.templateKey);
        QCOMPARE(editor.openedEvaluationKey(), 0);
        QCOMPARE(editor.fieldCount(), 4);
        QCOMPARE(AddEvaluation::helpText("cmbTemplate"), QString("Select template for new evaluation"));
    }

    void openFindsByTemplateGroupAndDate() {
        const SiteVisit visit = SiteVisit::create(db(), 1, "Site Visit");
        const SiteVisit other = SiteVisit::create(db(), 1, "Audit");
        const qint64 longName =
            evaluation(visit, visit.north, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", "2003-06-06T23:59:59");
        const qint64 dotted = evaluation(visit, visit.south, "B.part.two", "2003-06-05T00:00:00");
        evaluation(visit, visit.north, "Before", "2003-06-04T23:59:59");
        evaluation(visit, visit.north, "After", "2003-06-07T00:00:00");
        const qint64 audit = evaluation(other, other.north, "Audit one", "2010-01-31T08:00:00");

        OpenEvaluationFilter open(db());
        open.load();
        QVERIFY(!open.Cancelled());
        QCOMPARE(open.dateText(OpenEvaluationFilter::Begin), QString("01/01/02"));
        QCOMPARE(open.dateText(OpenEvaluationFilter::Ending), QString("12/31/29"));
        QCOMPARE(texts(open.templates()), QStringList({"All Templates", "Audit", "Site Visit"}));
        QCOMPARE(texts(open.groups()), QStringList({"All Groups"}));
        const QStringList all{"File Name                      Added    ", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123 06/06/03 ",
                              "After                          06/07/03 ", "Audit one                      01/31/10 ",
                              "B                              06/05/03 ", "Before                         06/04/03 "};
        QCOMPARE(texts(open.lines()), all);
        for (const OpenEvaluationFilter::Entry& line : open.lines())
            QCOMPARE(line.text.size(), 40);
        QCOMPARE(open.lines().at(1).key, longName);

        open.chooseTemplate(2);
        QCOMPARE(texts(open.groups()), QStringList({"All Groups", "North", "South"}));
        QCOMPARE(open.lines().size(), 5);
        open.chooseGroup(2);
        QCOMPARE(texts(open.lines()), QStringList({all[0], all[4]}));
        open.chooseGroup(0);

        // A date that is not one puts the previous text back and leaves the list alone.
        open.enterDate(OpenEvaluationFilter::Begin);
        open.editDate(OpenEvaluationFilter::Begin, "13/45/03");
        open.leaveDate(OpenEvaluationFilter::Begin);
        QCOMPARE(open.dateText(OpenEvaluationFilter::Begin), QString("01/01/02"));
        QCOMPARE(open.lines().size(), 5);
        // The end day is held whole.
        open.enterDate(OpenEvaluationFilter::Begin);
        open.editDate(OpenEvaluationFilter::Begin, "06/05/03");
        open.leaveDate(OpenEvaluationFilter::Begin);
        open.enterDate(OpenEvaluationFilter::Ending);
        open.editDate(OpenEvaluationFilter::Ending, "06/06/03");
        open.leaveDate(OpenEvaluationFilter::Ending);
        QCOMPARE(texts(open.lines()), QStringList({all[0], all[1], all[4]}));

        open.chooseTemplate(0);
        open.chooseLine(0);
        QVERIFY2(!open.Select(), "the heading line is no evaluation");
        open.chooseLine(-1);
        QVERIFY(!open.Select());
        open.chooseLine(2);
        QVERIFY(open.Select());
        open.unload();
        QVERIFY(!open.Cancelled());
        QCOMPARE(open.chosenEvaluation(), dotted);
        open.Cancel();
        QCOMPARE(open.chosenEvaluation(), 0);

        open.load();
        open.chooseTemplate(1);
        QCOMPARE(open.lines().at(1).key, audit);
        open.unload();
        QVERIFY2(open.Cancelled(), "closing without a chosen evaluation is cancelling");
    }
};

QTEST_GUILESS_MAIN(tst_EvaluationDialogs)
#include "tst_evaluationdialogs.moc"
