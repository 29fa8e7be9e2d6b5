#include "EvaluationEditor.h"
#include "EvaluationEditorCommands.h"
#include "EvaluationMaintenance.h"
#include "HandheldFixture.h"
#include "ScriptedPrompter.h"
#include "SiteVisit.h"
#include "StatusSink.h"
#include "TemplateBuilder.h"
#include "TestDatabases.h"

#include <QDate>
#include <QSignalSpy>
#include <QTest>

// The "Nobrin" tab's screen as a user sees it: where fields go, how questions page, how the
// file name is made, what an entry must hold and when the evaluation counts as changed.
class tst_EvaluationEditor : public QObject {
    Q_OBJECT

    std::unique_ptr<HandheldFixture> m_fixture;
    std::unique_ptr<EvaluationEditor> m_editor;
    std::unique_ptr<EvaluationEditorCommands> m_commands;

    const Database& db() { return m_fixture->db(); }

    SiteVisit siteVisit(int questions) { return SiteVisit::create(db(), questions); }

    void buildNew(qint64 templateKey) {
        m_editor->setEvaluationTemplateKey(templateKey);
        m_editor->setNewEvaluation(true);
        m_editor->BuildEvaluation();
    }

    qint64 stored(const SiteVisit& visit, const QString& answer, bool tbc, bool tickFloor) {
        return visit.store(db(), answer, tbc, tickFloor);
    }

    void type(int slot, const QString& text) {
        m_editor->editField(slot, text);
        m_editor->leaveTextField(slot);
    }

private Q_SLOTS:
    void init() {
        m_fixture = std::make_unique<HandheldFixture>(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        m_editor = std::make_unique<EvaluationEditor>(db());
        m_commands = std::make_unique<EvaluationEditorCommands>(*m_editor, db());
    }
    void cleanup() {
        m_commands.reset();
        m_editor.reset();
        m_fixture.reset();
    }

    void twentyFieldsFillTwoColumnsAndNoMore() {
        TemplateBuilder builder(db(), "Wide");
        const qint64 group = builder.groupField("Field 1");
        builder.value(group, "A");
        for (int index = 2; index <= 21; ++index)
            builder.field(QString("Field %1").arg(index), TemplateBuilder::Text);
        buildNew(builder.key());

        QCOMPARE(m_editor->fieldCount(), 20);
        for (int slot = 1; slot <= 20; ++slot) {
            const EvaluationEditor::FieldSlot& field = m_editor->slot(slot);
            QCOMPARE(field.caption, QString("Field %1").arg(slot));
            QCOMPARE(field.top, 560 + (slot - 1) / 2 * 330);
            QCOMPARE(field.left, slot % 2 ? 60 : 2500);
            QCOMPARE(field.tabIndex, slot);
            QVERIFY(field.labelVisible);
        }
        QCOMPARE(m_editor->slot(20).top, 3530);
        QVERIFY(m_editor->slot(1).listVisible && !m_editor->slot(1).textVisible);
        QVERIFY(m_editor->slot(2).textVisible && !m_editor->slot(2).listVisible);
    }

    void questionsPageFourAtATime() {
        const SiteVisit visit = siteVisit(5);
        buildNew(visit.templateKey);
        QCOMPARE(m_editor->pageCount(), 2);
        QCOMPARE(m_editor->currentPage(), 1);
        for (int frame = 1; frame <= 4; ++frame) {
            QVERIFY(m_editor->frame(frame).visible);
            QCOMPARE(m_editor->frame(frame).caption, QString("Question %1?").arg(frame));
            QCOMPARE(m_editor->frame(frame).answers, QStringList({"Yes", "No"}));
            QCOMPARE(m_editor->frame(frame).entries, QStringList({"Floor", "Wall", "Roof"}));
        }
        QVERIFY(!m_editor->changed());

        m_editor->scrollTo(2);
        QCOMPARE(m_editor->frame(1).caption, QString("Question 5?"));
        QVERIFY(m_editor->frame(1).visible);
        for (int frame = 2; frame <= 4; ++frame)
            QVERIFY(!m_editor->frame(frame).visible);
        QVERIFY2(m_editor->changed(), "paging alone marks the evaluation changed");

        cleanup();
        init();
        buildNew(siteVisit(4).templateKey);
        QCOMPARE(m_editor->pageCount(), 1);
        for (int frame = 1; frame <= 4; ++frame)
            QVERIFY(m_editor->frame(frame).visible);
        m_editor->scrollTo(2);
        QCOMPARE(m_editor->currentPage(), 1);

        cleanup();
        init();
        buildNew(siteVisit(0).templateKey);
        for (int frame = 1; frame <= 4; ++frame)
            QVERIFY(!m_editor->frame(frame).visible);
    }

    void answersTicksAndTbcSurvivePaging() {
        const SiteVisit visit = siteVisit(6);
        buildNew(visit.templateKey);
        m_editor->editAnswer(2, "No");
        m_editor->clickTBC(3, true);
        m_editor->tickPickEntry(4, 2, true);
        m_editor->scrollTo(2);
        QCOMPARE(m_editor->frame(2).caption, QString("Question 6?"));
        QCOMPARE(m_editor->frame(2).answerText, QString());
        m_editor->scrollTo(1);
        QCOMPARE(m_editor->frame(2).answerText, QString("No"));
        QVERIFY(m_editor->frame(3).tbc);
        QCOMPARE(m_editor->frame(4).ticks, QList<bool>({false, false, true}));
        QCOMPARE(m_editor->questions().at(1).answer, QString("No"));
    }

    void fileNameFromItsFields() {
        TemplateBuilder builder(db(), "Names");
        const qint64 group = builder.groupField("Group");
        builder.value(group, "G");
        const qint64 first = builder.field("First", TemplateBuilder::Text);
        const qint64 second = builder.field("Second", TemplateBuilder::Text);
        builder.field("Other", TemplateBuilder::Text);
        builder.fileNameField(first);
        builder.fileNameField(second);
        buildNew(builder.key());
        QCOMPARE(m_editor->fileNameText(), QString());

        type(2, "A.B");
        QCOMPARE(m_editor->fileNameText(), QString("AB"));
        type(3, "x/y");
        QCOMPARE(m_editor->fileNameText(), QString("ABxy"));
        // Only the file-name fields rebuild it: a name typed over stays until one of them is left.
        m_editor->editFileName("Typed");
        type(4, "z");
        QCOMPARE(m_editor->fileNameText(), QString("Typed"));

        QCOMPARE(EvaluationEditor::CleanFileName("`~!@#$%^&*()/?<>,.\\|"), QString());
        QCOMPARE(EvaluationEditor::CleanFileName("a b-c_d;e:f'g\"h[i]{j}+=k"), QString("a b-c_d;e:f'g\"h[i]{j}+=k"));
    }

    void newEvaluationStartsFromTheTemplate() {
        const SiteVisit visit = siteVisit(1);
        buildNew(visit.templateKey);
        const QString today = QDate::currentDate().toString("MM/dd/yy");
        QCOMPARE(m_editor->slot(1).entries.size(), 2);
        QCOMPARE(m_editor->slot(1).entries.first().text, QString("North"));
        QCOMPARE(m_editor->slot(1).chosen, -1);
        QCOMPARE(m_editor->slot(2).text, today);
        QCOMPARE(m_editor->slot(3).text, QString());
        QCOMPARE(m_editor->slot(4).text, QString("0"));
        QCOMPARE(m_editor->groupSlot(), 1);
        // Nothing is chosen for the site yet: the date alone, without its slashes.
        QCOMPARE(m_editor->fileNameText(), QString(today).remove('/'));
        QVERIFY(m_editor->entryPageVisible() && !m_editor->questionPageVisible());
        QVERIFY(!m_editor->changed());

        m_editor->chooseFieldEntry(1, 1);
        m_editor->leaveListField(1);
        QCOMPARE(m_editor->fileNameText(), "South" + QString(today).remove('/'));
        QVERIFY(m_editor->changed());
    }

    void entriesAreChecked() {
        ScriptedPrompter prompter;
        const SiteVisit visit = siteVisit(1);
        buildNew(visit.templateKey);

        m_editor->ToggleView(false);
        QVERIFY(m_editor->questionPageVisible());
        prompter.answer(PromptAnswer::Ok);
        type(3, "");
        QCOMPARE(prompter.last().text, QString("Entry manditory into the Inspector field."));
        QCOMPARE(prompter.last().title, QString("Forced Entry"));
        QCOMPARE(prompter.last().icon, PromptIcon::Critical);
        QVERIFY2(m_editor->entryPageVisible(), "a forced field brings the entry page back");
        QVERIFY(!m_editor->changed());
        prompter.answer(PromptAnswer::Ok);
        type(3, " \u00a0 ");
        QCOMPARE(prompter.shown().size(), 2);
        QCOMPARE(prompter.last().text, QString("Entry manditory into the Inspector field."));

        for (const char* refused : {"", "1e3", "1,5", " 2"}) {
            prompter.answer(PromptAnswer::Ok);
            type(4, refused);
            QCOMPARE(prompter.last().text, QString("Invalid entry, must be numeric."));
            QCOMPARE(prompter.last().title, QString("Entry Error"));
            QCOMPARE(m_editor->slot(4).text, QString(refused));
        }
        for (const char* refused : {"13/45/03", "02/29/03", ""}) {
            prompter.answer(PromptAnswer::Ok);
            type(2, refused);
            QCOMPARE(prompter.last().text, QString("Invalid date entered."));
        }
        QVERIFY2(!m_editor->changed(), "a refused entry is no change");
        type(2, "02/29/04");
        type(4, "-3.5");
        QCOMPARE(prompter.shown().size(), 9);
        QVERIFY(m_editor->changed());
    }

    void deletedItemsBelongToOldEvaluationsOnly() {
        TemplateBuilder builder(db(), "Changed");
        const qint64 group = builder.groupField("Group");
        const qint64 live = builder.value(group, "Live");
        const qint64 gone = builder.value(group, "Gone", true);
        const qint64 oldField = builder.field("Old field", TemplateBuilder::Text, {20, false, false, "B", true});
        builder.field("Report only", TemplateBuilder::Text, {20, false, false, "R"});
        const qint64 oldQuestion = builder.question("Old question?", true);
        const qint64 question = builder.question("Current question?");
        builder.answer(question, "Kept");
        builder.answer(question, "Dropped", true);
        builder.pickEntry(question, "Kept entry");
        const qint64 droppedEntry = builder.pickEntry(question, "Dropped entry", true);

        buildNew(builder.key());
        QCOMPARE(m_editor->fieldCount(), 1);
        QCOMPARE(m_editor->slot(1).entries.size(), 1);
        QCOMPARE(m_editor->slot(1).entries.first().key, live);
        QCOMPARE(m_editor->questions().size(), 1);
        QCOMPARE(m_editor->frame(1).answers, QStringList({"Kept"}));
        QCOMPARE(m_editor->frame(1).entries, QStringList({"Kept entry"}));

        const qint64 key =
            db().insert("Evaluation", {"TemplateKey", "EvaluationGroupKey", "FileName"}, {builder.key(), gone, "Old"});
        db().insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey", "EnteredValue"}, {key, oldField, "kept"});
        db().insert("EvaluationQuestion", {"EvaluationKey", "TemplateQuestionKey", "Answer"}, {key, oldQuestion, "x"});
        const qint64 answer = db().insert("EvaluationQuestion", {"EvaluationKey", "TemplateQuestionKey", "Answer"},
                                          {key, question, "Dropped"});
        db().insert("EvaluationPickList", {"EvaluationQuestionKey", "TemplatePickListKey"}, {answer, droppedEntry});
        QVERIFY(m_commands->openEvaluationKey(key));
        QCOMPARE(m_editor->fieldCount(), 2);
        QCOMPARE(m_editor->slot(1).currentText(), QString("Gone"));
        QCOMPARE(m_editor->slot(2).caption, QString("Old field"));
        QCOMPARE(m_editor->slot(2).text, QString("kept"));
        QCOMPARE(m_editor->questions().size(), 2);
        QCOMPARE(m_editor->frame(1).caption, QString("Old question?"));
        QCOMPARE(m_editor->frame(2).answers, QStringList({"Kept", "Dropped"}));
        QCOMPARE(m_editor->frame(2).answerText, QString("Dropped"));
        QCOMPARE(m_editor->frame(2).ticks, QList<bool>({false, true}));
        QCOMPARE(m_editor->fileNameText(), QString("Old"));
    }

    void openedEvaluationShowsWhatItHolds() {
        const SiteVisit visit = siteVisit(5);
        const qint64 quiet = stored(visit, "", false, false);
        QVERIFY(m_commands->openEvaluationKey(quiet));
        QCOMPARE(m_editor->openedEvaluationKey(), quiet);
        QCOMPARE(m_editor->slot(1).currentText(), QString("North"));
        QCOMPARE(m_editor->slot(2).text, QString("06/05/03"));
        QCOMPARE(m_editor->slot(3).text, QString("Ann"));
        QCOMPARE(m_editor->slot(4).text, QString("0"));
        QCOMPARE(m_editor->fileNameText(), QString("North060503"));
        QCOMPARE(m_editor->menuItems(), QStringList({"Open", "Cancel", "Delete", "Save"}));
        QVERIFY2(!m_editor->changed(), "a first page without answers is no change");

        // A first page that shows an answer, a TBC mark or a tick counts as changed.
        for (const auto& [answer, tbc, tick] :
             {std::tuple{"Yes", false, false}, std::tuple{"", true, false}, std::tuple{"", false, true}}) {
            QVERIFY(m_commands->openEvaluationKey(stored(visit, answer, tbc, tick)));
            QVERIFY(m_editor->changed());
        }
    }

    void menuFollowsTheEvaluation() {
        QCOMPARE(m_editor->menuItems(), QStringList({"Open"}));
        QVERIFY(!m_editor->viewEnabled());
        const SiteVisit visit = siteVisit(1);
        buildNew(visit.templateKey);
        QCOMPARE(m_editor->menuItems(), QStringList({"Open", "Cancel", "Save"}));
        QVERIFY(m_editor->viewEnabled());

        m_editor->ToggleView(false);
        QVERIFY(m_editor->questionPageVisible() && !m_editor->entryPageVisible());
        m_editor->ToggleView(false);
        QVERIFY(m_editor->entryPageVisible() && !m_editor->questionPageVisible());

        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::No);
        m_commands->lstMenuItemsClick("Cancel");
        QCOMPARE(prompter.last().text, QString("Are you sure you want to cancel this evaluation?"));
        QCOMPARE(prompter.last().defaultAnswer, PromptAnswer::No);
        QVERIFY(m_editor->inProgress());
        prompter.answer(PromptAnswer::Yes);
        m_commands->lstMenuItemsClick("Cancel");
        QVERIFY(!m_editor->inProgress());
        QCOMPARE(m_editor->menuItems(), QStringList({"Open"}));
        QVERIFY(!m_editor->slot(1).labelVisible && !m_editor->fileNameVisible());
    }

    void otherTabRefusedWhileEditing() {
        class NoStatus : public StatusSink {
            void showStatus(const QString&) override {}
        } status;
        EvaluationMaintenance window(m_fixture->session(), status);
        ScriptedPrompter prompter;
        QSignalSpy focus(&window.editor(), &EvaluationEditor::focusRequested);
        QVERIFY(window.TabStripClick(EvaluationMaintenance::NobrinTab));
        QCOMPARE(focus.takeFirst(), QVariantList({"cmdNew", 0}));
        QVERIFY(window.editor().menuBarVisible() && window.editor().entryPageVisible());
        window.editor().setEvaluationTemplateKey(siteVisit(1).templateKey);
        window.editor().setNewEvaluation(true);
        window.editor().BuildEvaluation();

        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!window.TabStripClick(EvaluationMaintenance::HandheldTab));
        QCOMPARE(prompter.last().text, QString("You must save the current evaluation."));
        QCOMPARE(prompter.last().title, QString("Selection Error"));
        QVERIFY(window.editor().inProgress());

        prompter.answer(PromptAnswer::Yes);
        window.commands().CancelEvaluation();
        QVERIFY(window.TabStripClick(EvaluationMaintenance::HandheldTab));
    }
};

QTEST_GUILESS_MAIN(tst_EvaluationEditor)
#include "tst_evaluationeditor.moc"
