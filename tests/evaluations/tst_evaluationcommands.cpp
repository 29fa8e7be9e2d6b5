#include "EvaluationEditor.h"
#include "EvaluationEditorCommands.h"
#include "HandheldFixture.h"
#include "ScriptedPrompter.h"
#include "SiteVisit.h"
#include "TemplateBuilder.h"
#include "TestDatabases.h"

#include <QSignalSpy>
#include <QTest>

// When the "Nobrin" tab writes, replaces and deletes evaluations, on both engines, also when
// a second PC works on the same catalog.
class tst_EvaluationCommands : public QObject {
    Q_OBJECT

    // One PC: its own connection, editor and commands.
    struct Pc {
        Pc(const Database& database) : editor(database), commands(editor, database) {}
        EvaluationEditor editor;
        EvaluationEditorCommands commands;
    };

    std::unique_ptr<HandheldFixture> m_fixture;
    std::unique_ptr<Pc> m_pc;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    SiteVisit m_visit;
    QString m_connection;

    const Database& db() { return m_fixture->db(); }
    EvaluationEditor& editor() { return m_pc->editor; }
    EvaluationEditorCommands& commands() { return m_pc->commands; }
    ScriptedPrompter& prompter() { return *m_prompter; }
    int count(const QString& table) { return m_fixture->rows(table); }
    QList<qint64> evaluationKeys() {
        QSqlQuery rows = db().query("SELECT EvaluationKey FROM Evaluation ORDER BY EvaluationKey");
        QList<qint64> keys;
        while (rows.next())
            keys << rows.value(0).toLongLong();
        return keys;
    }

    void buildNew() {
        editor().setEvaluationTemplateKey(m_visit.templateKey);
        editor().setNewEvaluation(true);
        editor().BuildEvaluation();
    }
    void fillIn(EvaluationEditor& on) {
        on.chooseFieldEntry(1, 0);
        on.leaveListField(1);
        on.editField(3, "Bob");
        on.leaveTextField(3);
    }
    // "Save" in the menu with these answers to its boxes.
    void save(std::initializer_list<PromptAnswer> answers) {
        for (PromptAnswer answer : answers)
            prompter().answer(answer);
        commands().lstMenuItemsClick("Save");
        QCOMPARE(prompter().pending(), 0);
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        m_connection = TestDatabases::freshConnectionString(engine);
        m_fixture = std::make_unique<HandheldFixture>(m_connection);
        m_pc = std::make_unique<Pc>(db());
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_visit = SiteVisit::create(db(), 5);
    }
    void cleanup() {
        m_prompter.reset();
        m_pc.reset();
        m_fixture.reset();
    }

    // A new evaluation is written whole: every field (a list value with its key), every
    // question, and a pick-list row for each tick only.
    void newEvaluationWrittenWhole() {
        buildNew();
        fillIn(editor());
        editor().editAnswer(1, "Yes");
        editor().clickTBC(1, true);
        editor().tickPickEntry(1, 2, true);
        editor().scrollTo(2);
        editor().tickPickEntry(1, 0, true);
        editor().tickPickEntry(1, 1, true);
        save({PromptAnswer::Yes});
        QCOMPARE(prompter().shown().first().text, QString("Save Current File?"));
        QCOMPARE(prompter().shown().first().title, QString("Verification"));
        QCOMPARE(prompter().shown().first().buttons, PromptButtons::YesNo);
        QVERIFY2(!editor().inProgress(), "a saved evaluation leaves the screen");

        const QList<qint64> keys = evaluationKeys();
        QCOMPARE(keys.size(), 1);
        const QString today = QDate::currentDate().toString("MM/dd/yy");
        const QString t = QString::number(m_visit.templateKey);
        QCOMPARE(
            SiteVisit::contents(db(), keys.first()),
            QStringList({QString("evaluation %1 %2 North%3").arg(t).arg(m_visit.north).arg(QString(today).remove('/')),
                         QString("field %1 North %2").arg(m_visit.site).arg(m_visit.north),
                         QString("field %1 %2 0").arg(m_visit.visited).arg(today),
                         QString("field %1 Bob 0").arg(m_visit.inspector), QString("field %1 0 0").arg(m_visit.staff),
                         QString("question %1 Yes -1 %2").arg(m_visit.questions[0]).arg(m_visit.entries[0][2]),
                         QString("question %1  0 ").arg(m_visit.questions[1]),
                         QString("question %1  0 ").arg(m_visit.questions[2]),
                         QString("question %1  0 ").arg(m_visit.questions[3]),
                         QString("question %1  0 %2").arg(m_visit.questions[4]).arg(m_visit.entries[4][0]),
                         QString("question %1  0 %2").arg(m_visit.questions[4]).arg(m_visit.entries[4][1])}));
    }

    // "Save" on a new evaluation nobody touched closes it and writes nothing.
    void untouchedSaveWritesNothing() {
        buildNew();
        QCOMPARE(editor().menuItems(), QStringList({"Open", "Cancel", "Save"}));
        save({});
        QVERIFY(prompter().shown().isEmpty());
        QVERIFY(!editor().inProgress());
        QCOMPARE(count("Evaluation"), 0);
    }

    // Yes to the update question replaces the opened evaluation by one under a new key.
    void updateReplacesTheOpenedEvaluation() {
        const qint64 old = m_visit.store(db(), "Yes", true, true);
        QVERIFY(commands().openEvaluationKey(old));
        editor().editField(3, "Bob");
        editor().leaveTextField(3);
        save({PromptAnswer::Yes, PromptAnswer::Yes});
        const Prompt& update = prompter().last();
        QCOMPARE(update.text, QString("You are editing an existing evaluation.\r\nDo you want to update the opened "
                                      "evaluation with changed information?"));
        QCOMPARE(update.title, QString("Update Verification"));
        QCOMPARE(update.buttons, PromptButtons::YesNoCancel);
        QCOMPARE(update.icon, PromptIcon::Question);

        const QList<qint64> keys = evaluationKeys();
        QCOMPARE(keys.size(), 1);
        QVERIFY(keys.first() > old);
        QCOMPARE(count("EvaluationField"), 4);
        QCOMPARE(count("EvaluationQuestion"), 5);
        QCOMPARE(count("EvaluationPickList"), 1);
        QVERIFY(SiteVisit::contents(db(), keys.first()).contains(QString("field %1 Bob 0").arg(m_visit.inspector)));
        QVERIFY(!editor().inProgress());
    }

    // No, then Yes, keeps the opened evaluation as it was and adds the edited one beside it;
    // Cancel, or No twice, writes nothing and keeps the screen.
    void keepTheOpenedEvaluation() {
        const qint64 old = m_visit.store(db(), "Yes", false, true);
        const QStringList before = SiteVisit::contents(db(), old);
        QVERIFY(commands().openEvaluationKey(old));
        editor().editAnswer(1, "No");

        save({PromptAnswer::Yes, PromptAnswer::Cancel});
        save({PromptAnswer::Yes, PromptAnswer::No, PromptAnswer::No});
        QCOMPARE(prompter().last().text, QString("Create new evaluation with changed information?"));
        QCOMPARE(prompter().last().title, QString("Verification"));
        QCOMPARE(count("Evaluation"), 1);
        QVERIFY(editor().inProgress());

        save({PromptAnswer::Yes, PromptAnswer::No, PromptAnswer::Yes});
        const QList<qint64> keys = evaluationKeys();
        QCOMPARE(keys.size(), 2);
        QCOMPARE(keys.first(), old);
        QCOMPARE(SiteVisit::contents(db(), old), before);
        QVERIFY(SiteVisit::contents(db(), keys.last())
                    .contains(QString("question %1 No 0 %2").arg(m_visit.questions[0]).arg(m_visit.entries[0][0])));
    }

    // A save stops before writing at a refused forced field, and without a chosen group.
    void refusedBeforeAnythingIsWritten() {
        buildNew();
        QSignalSpy focus(&editor(), &EvaluationEditor::focusRequested);
        editor().editAnswer(1, "Yes");
        save({PromptAnswer::Yes, PromptAnswer::Ok});
        QCOMPARE(prompter().last().text, QString("Entry manditory into the Inspector field."));
        QCOMPARE(focus.takeLast(), QVariantList({"txtField", 3}));

        editor().editField(3, "Bob");
        save({PromptAnswer::Yes, PromptAnswer::Ok});
        QCOMPARE(prompter().last().text, QString("Entry manditory into the Site field."));
        QCOMPARE(prompter().last().title, QString("Forced Entry"));
        QCOMPARE(focus.takeLast(), QVariantList({"cmbField", 1}));
        QVERIFY(editor().inProgress());
        QCOMPARE(count("Evaluation"), 0);

        // A template whose group field is gone from the screen cannot have its evaluation saved.
        TemplateBuilder plain(db(), "No group");
        plain.field("Notes", TemplateBuilder::Text);
        editor().setEvaluationTemplateKey(plain.key());
        editor().BuildEvaluation();
        editor().editField(1, "x");
        editor().leaveTextField(1);
        save({PromptAnswer::Yes, PromptAnswer::Ok});
        QVERIFY2(prompter().last().text.contains("no dropdown group field"), qPrintable(prompter().last().text));
        QCOMPARE(prompter().last().title, QString("Save Error"));
        QCOMPARE(count("Evaluation"), 0);
    }

    // A failure half-way through replacing an evaluation leaves the old one whole and
    // writes nothing, and the user is told through the error log.
    void failedReplaceKeepsTheOldEvaluation() {
        const qint64 old = m_visit.store(db(), "Yes", true, true);
        const QStringList before = SiteVisit::contents(db(), old);
        QVERIFY(commands().openEvaluationKey(old));
        editor().tickPickEntry(2, 2, true);
        // The ticked entry goes from under the editor, so its pick-list row cannot be written.
        db().execute("DELETE FROM TemplatePickList WHERE TemplatePickListKey=?", {m_visit.entries[1][2]});

        save({PromptAnswer::Yes, PromptAnswer::Yes, PromptAnswer::Ok});
        QVERIFY2(prompter().last().text.startsWith("Error # "), qPrintable(prompter().last().text));
        QVERIFY(m_fixture->errorLog().contains("SaveEvaluation"));
        QCOMPARE(evaluationKeys(), QList<qint64>({old}));
        QCOMPARE(SiteVisit::contents(db(), old), before);
        QVERIFY2(editor().inProgress(), "the changes stay on the screen");
    }

    void deleteAndLeave() {
        const qint64 old = m_visit.store(db(), "Yes", true, true);
        QVERIFY(commands().openEvaluationKey(old));
        prompter().answer(PromptAnswer::No);
        commands().lstMenuItemsClick("Delete");
        QCOMPARE(prompter().last().text, QString("Delete opened evaluation?"));
        QCOMPARE(prompter().last().title, QString("Delete Verification"));
        QCOMPARE(count("Evaluation"), 1);
        prompter().answer(PromptAnswer::Yes);
        commands().lstMenuItemsClick("Delete");
        for (const char* table : {"Evaluation", "EvaluationField", "EvaluationQuestion", "EvaluationPickList"})
            QCOMPARE(count(table), 0);
        QVERIFY(!editor().inProgress());

        // Paging alone is a change: leaving asks, and a refused save keeps the window open.
        buildNew();
        QVERIFY(commands().QueryUnload());
        editor().scrollTo(2);
        prompter().answer(PromptAnswer::No);
        QVERIFY(commands().QueryUnload());
        QCOMPARE(prompter().last().text, QString("Save Current File?"));
        prompter().answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        QVERIFY(!commands().QueryUnload());
        QCOMPARE(count("Evaluation"), 0);
    }

    // "New" with changes offers to save them first; the add dialog follows.
    void newOffersToSave() {
        QSignalSpy add(&commands(), &EvaluationEditorCommands::addDialogRequested);
        QSignalSpy focus(&editor(), &EvaluationEditor::focusRequested);
        commands().cmdNewClick();
        QCOMPARE(add.size(), 1);

        buildNew();
        fillIn(editor());
        editor().editFileName("");
        prompter().answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        commands().cmdNewClick();
        QCOMPARE(prompter().last().text, QString("You must enter a valid file name!"));
        QCOMPARE(prompter().last().title, QString("Save Error"));
        QCOMPARE(focus.takeLast(), QVariantList({"txtFileName", 0}));
        QCOMPARE(add.size(), 1);

        editor().editFileName("Kept");
        prompter().answer(PromptAnswer::Yes);
        commands().cmdNewClick();
        QCOMPARE(add.size(), 2);
        QCOMPARE(count("Evaluation"), 1);
        QVERIFY(!editor().inProgress());
    }

    // Two PCs open the same evaluation. The first replaces it; the second can then neither
    // replace nor delete it, is told so, and leaves the first one's evaluation alone.
    void anotherPcGotThereFirst() {
        const qint64 old = m_visit.store(db(), "Yes", true, true);
        Database second = Database::open(m_connection, "second PC");
        {
            Pc other(second);
            QVERIFY(commands().openEvaluationKey(old));
            QVERIFY(other.commands.openEvaluationKey(old));
            fillIn(editor());
            fillIn(other.editor);
            other.editor.editField(3, "Carl");

            save({PromptAnswer::Yes, PromptAnswer::Yes});
            const qint64 replaced = evaluationKeys().first();
            const QStringList first = SiteVisit::contents(db(), replaced);

            prompter().answer(PromptAnswer::Yes).answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
            other.commands.lstMenuItemsClick("Save");
            QVERIFY2(prompter().last().text.contains("replaced or deleted on another PC"),
                     qPrintable(prompter().last().text));
            QVERIFY(prompter().last().text.contains("Nothing was saved"));
            QVERIFY(other.editor.inProgress());
            prompter().answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
            other.commands.lstMenuItemsClick("Delete");
            QVERIFY(prompter().last().text.contains("Nothing was deleted"));
            QCOMPARE(evaluationKeys(), QList<qint64>({replaced}));
            QCOMPARE(SiteVisit::contents(db(), replaced), first);

            // Saved beside it, the second PC's changes are kept.
            prompter().answer(PromptAnswer::Yes).answer(PromptAnswer::No).answer(PromptAnswer::Yes);
            other.commands.lstMenuItemsClick("Save");
            QCOMPARE(count("Evaluation"), 2);
            QCOMPARE(SiteVisit::contents(db(), replaced), first);

            // The list of the first PC still shows the replaced evaluation: opening it is refused.
            prompter().answer(PromptAnswer::Ok);
            QVERIFY(!commands().openEvaluationKey(old));
            QCOMPARE(prompter().last().title, QString("Open Error"));
        }
        second.close();
    }
};

QTEST_GUILESS_MAIN(tst_EvaluationCommands)
#include "tst_evaluationcommands.moc"
