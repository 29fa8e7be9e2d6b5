#include "BoundGridView.h"
#include "FieldText.h"
#include "GridInput.h"
#include "HandheldFixture.h"
#include "ProgramSettings.h"
#include "ScriptedPrompter.h"
#include "TemplateRows.h"
#include "TestDatabases.h"
#include "WhenModal.h"
#include "WindowControls.h"
#include "frmTemplateMaintenance.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

using namespace GridInput;

// The template editor's six grids as a person drives them: clicks, typing, Return and Esc,
// drags, toolbar buttons and tabs, in whatever order a person does them. Every assertion is on
// what the window shows and what the database holds.
class tst_TemplateGrids : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<HandheldFixture> m_fixture;
    std::unique_ptr<frmTemplateMaintenance> m_window;
    qint64 m_audit = 0;

    const Database& db() { return m_fixture->db(); }
    template <typename T> T* control(const char* name) { return WindowControls::control<T>(m_window.get(), name); }
    BoundGridView* grid(const char* name) { return control<BoundGridView>(name); }
    QAction* button(const char* key) { return WindowControls::toolbarAction(m_window.get(), key); }
    void press(const char* key) {
        QToolBar* toolbar = control<QToolBar>("Toolbar1");
        QTest::mouseClick(toolbar->widgetForAction(button(key)), Qt::LeftButton);
    }
    void clickTab(int tab) {
        QTabBar* bar = control<QTabWidget>("TabStrip")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
    }
    void clickName() { QTest::mouseClick(control<QLineEdit>("txtField"), Qt::LeftButton); }
    void chooseTemplate(const QString& name) {
        auto* list = control<QComboBox>("cmbTemplate");
        QTest::mouseClick(list, Qt::LeftButton);
        QAbstractItemView* popup = list->view();
        QTRY_VERIFY(popup->isVisible());
        const int row = list->findText(name);
        QVERIFY(row >= 0);
        // The list ignores the release of the click that opened it for a moment; the keys
        // choose at once.
        QTest::keyClick(popup, Qt::Key_Home);
        for (int step = 0; step < row; ++step)
            QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
        QTRY_VERIFY(!popup->isVisible());
    }
    QString status() { return control<QLabel>("StatusBar1Panel1")->text(); }
    // From the template list (where Add is offered), Add, then the name typed into the new
    // template's dialog and the key that ends it.
    void addTemplateByKeys(const QString& name, Qt::Key last) {
        QTest::mouseClick(control<QComboBox>("cmbTemplate"), Qt::LeftButton);
        QTest::keyClick(control<QComboBox>("cmbTemplate")->view(), Qt::Key_Escape);
        QTRY_VERIFY(button("Add")->isEnabled());
        whenModal([name, last](QWidget* dialog) {
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            QTRY_VERIFY(dialog->isAncestorOf(QApplication::focusWidget()));
            QTest::keyClicks(QApplication::focusWidget(), name);
            QTest::keyClick(QApplication::focusWidget(), last);
            QVERIFY(!dialog->isVisible());
        });
        press("Add");
    }
    QStringList shown(BoundGridView* view) {
        QStringList texts;
        const auto* model = view->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QString text = model->index(row, 2).data().toString();
            if (!text.isEmpty())
                texts << text;
        }
        return texts;
    }
    QStringList stored(const QString& sql, const QVariantList& values = {}) {
        QStringList texts;
        QSqlQuery rows = db().query(sql, values);
        while (rows.next())
            texts << FieldText(rows.value(0));
        return texts;
    }
    void openWindow() {
        m_window = std::make_unique<frmTemplateMaintenance>(m_fixture->session(), [](QWidget*, qint64) {});
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_fixture = std::make_unique<HandheldFixture>(TestDatabases::freshConnectionString(engine));
        programSettings().LayoutPath = QString::fromLocal8Bit(qgetenv("KESTRIVO_SOURCE_DIR")) + "/app/grid/layouts/";
        m_audit = TemplateRows::addTemplate(db(), "Audit");
        db().insert("TemplateField", {"TemplateKey", "FieldLabel", "Sequence"}, {m_audit, "Site", 2});
    }
    void cleanup() {
        m_window.reset();
        QCOMPARE(m_fixture->errorLog(), QString());
        m_fixture.reset();
        QCOMPARE(m_prompter->pending(), 0);
        m_prompter.reset();
    }

    // A question typed and left by a click straight into its answers: the answers belong to
    // it, and deleting, dragging and re-reading them keeps showing its own answers and pick
    // list, never those of no question.
    void answersOfAQuestionJustTyped() {
        openWindow();
        clickTab(1);
        BoundGridView* questions = grid("jgQuestion");
        BoundGridView* answers = grid("jgAnswer");
        BoundGridView* pickList = grid("jgPicklist");
        startTyping(questions, 0, 2, "Clean?");
        clickCell(answers, 0, 2);
        QTRY_COMPARE(stored("SELECT Question FROM TemplateQuestion"), QStringList({"Clean?"}));
        const qint64 question = db().scalar("SELECT TemplateQuestionKey FROM TemplateQuestion").toLongLong();
        typeInto(answers, 0, 2, "Yes");
        typeInto(answers, 1, 2, "No");
        typeInto(answers, 2, 2, "Maybe");
        clickCell(answers, 0, 2);
        QTRY_COMPARE(
            stored("SELECT Answer FROM TemplateAnswer WHERE TemplateQuestionKey=? ORDER BY Sequence", {question}),
            QStringList({"Yes", "No", "Maybe"}));

        QTRY_VERIFY(button("RemoveAnswer")->isEnabled());
        m_prompter->answer(PromptAnswer::Yes);
        press("RemoveAnswer");
        QCOMPARE(m_prompter->last().text, QString("Delete Yes record?"));
        QCOMPARE(shown(answers), QStringList({"No", "Maybe"}));

        dragRow(answers, 1, 0, 2);
        QCOMPARE(shown(answers), QStringList({"Maybe", "No"}));
        QCOMPARE(stored("SELECT Answer FROM TemplateAnswer WHERE Deleted=0 AND TemplateQuestionKey=? ORDER BY "
                        "Sequence",
                        {question}),
                 QStringList({"Maybe", "No"}));

        typeInto(pickList, 0, 2, "Floor");
        typeInto(pickList, 1, 2, "Wall");
        clickCell(pickList, 0, 2);
        QTRY_VERIFY(button("RemoveList")->isEnabled());
        m_prompter->answer(PromptAnswer::Yes);
        press("RemoveList");
        QCOMPARE(m_prompter->last().text, QString("Delete Floor record?"));
        QCOMPARE(shown(pickList), QStringList({"Wall"}));
        QCOMPARE(stored("SELECT Name FROM TemplatePickList WHERE Deleted=0 AND TemplateQuestionKey=?", {question}),
                 QStringList({"Wall"}));
        QCOMPARE(shown(answers), QStringList({"Maybe", "No"}));
    }

    // Leaving an open cell editor by a click anywhere writes the row, and coming back by a
    // click brings the grid's toolbar, status text and edit context back.
    void leavingAndComingBackByMouse() {
        openWindow();
        BoundGridView* fields = grid("jgEntryField");
        startTyping(fields, 2, 2, "Inspector");
        clickName();
        QTRY_COMPARE(stored("SELECT Sequence FROM TemplateField WHERE FieldLabel='Inspector'"), QStringList({"3"}));
        QCOMPARE(status(), QString("Enter template name"));
        QVERIFY(!button("Remove")->isEnabled());

        clickCell(fields, 1, 2);
        QTRY_VERIFY(button("Remove")->isEnabled());
        QCOMPARE(status(), QString("Label used for input field, drag and drop to re-sequence"));
        m_prompter->answer(PromptAnswer::No);
        press("Remove");
        QCOMPARE(m_prompter->last().text, QString("Delete Site field?"));

        // A label changed and left for another tab is written too.
        startTyping(fields, 1, 2, "Place");
        clickTab(1);
        QTRY_COMPARE(stored("SELECT FieldLabel FROM TemplateField WHERE Sequence=2"), QStringList({"Place"}));
        QTRY_COMPARE(status(), QString("Enter question for template, drag and drop to re-sequence"));
    }

    // Going from the answers to the pick list by mouse shows the pick list's help and buttons,
    // also for a question just typed.
    void statusFollowsTheMouse() {
        const qint64 question =
            db().insert("TemplateQuestion", {"TemplateKey", "Question", "Sequence"}, {m_audit, "Clean?", 1});
        db().insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"}, {question, "Yes", 1});
        db().insert("TemplatePickList", {"TemplateQuestionKey", "Name", "Sequence"}, {question, "Floor", 1});
        openWindow();
        clickTab(1);
        clickCell(grid("jgAnswer"), 0, 2);
        QTRY_COMPARE(status(), QString("Enter answer for question, drag and drop to re-sequence"));
        QVERIFY(button("RemoveAnswer")->isEnabled());
        clickCell(grid("jgPicklist"), 0, 2);
        QTRY_COMPARE(status(),
                     QString("Enter item for list used to further define question, drag and drop to re-sequence"));
        QVERIFY(button("RemoveList")->isEnabled());
        QVERIFY(!button("RemoveAnswer")->isEnabled());

        startTyping(grid("jgQuestion"), 1, 2, "Dry?");
        clickCell(grid("jgAnswer"), 0, 2);
        QTRY_COMPARE(status(), QString("Enter answer for question, drag and drop to re-sequence"));
        typeInto(grid("jgAnswer"), 0, 2, "No");
        clickCell(grid("jgPicklist"), 0, 2);
        QTRY_COMPARE(status(),
                     QString("Enter item for list used to further define question, drag and drop to re-sequence"));
    }

    // Dropdown values stand alphabetically and have no order to drag: a drag is no action at
    // all, and writes nothing.
    void valuesTakeNoRowDrags() {
        const qint64 group = db().scalar("SELECT TemplateFieldKey FROM TemplateField WHERE GroupField<>0").toLongLong();
        db().insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {group, "North"});
        openWindow();
        BoundGridView* values = grid("jgFieldValue");
        clickCell(grid("jgEntryField"), 0, 2);
        QTRY_COMPARE(shown(values), QStringList({"New Entry", "North"}));
        dragRow(values, 1, 0, 2);
        QCOMPARE(shown(values), QStringList({"New Entry", "North"}));
        QCOMPARE(m_prompter->shown().size(), 0);
    }

    // A grid's hundredth row is stored past the two digits of its order, and stays editable.
    void hundredthRowStaysEditable() {
        const qint64 question =
            db().insert("TemplateQuestion", {"TemplateKey", "Question", "Sequence"}, {m_audit, "Clean?", 1});
        for (int answer = 1; answer <= 99; ++answer)
            db().insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"},
                        {question, QString::number(answer), answer});
        openWindow();
        clickTab(1);
        BoundGridView* answers = grid("jgAnswer");
        m_prompter->answer(PromptAnswer::Ok);
        typeInto(answers, 99, 2, "100");
        clickCell(answers, 0, 2);
        QTRY_COMPARE(stored("SELECT Sequence FROM TemplateAnswer WHERE Answer='100'"), QStringList({"100"}));
        QCOMPARE(m_prompter->last().text.section('\r', 0, 0),
                 QString("Only 20 answers can be added to each question."));

        typeInto(answers, 99, 2, "Hundred");
        clickCell(answers, 0, 2);
        QTRY_COMPARE(stored("SELECT Answer FROM TemplateAnswer WHERE Sequence=100"), QStringList({"Hundred"}));
    }

    // "Del Q" reads the question list again without taking its passing rows for the user's
    // moves, then shows the question now current with its own answers.
    void deleteQuestion() {
        const qint64 first =
            db().insert("TemplateQuestion", {"TemplateKey", "Question", "Sequence"}, {m_audit, "Clean?", 1});
        const qint64 second =
            db().insert("TemplateQuestion", {"TemplateKey", "Question", "Sequence"}, {m_audit, "Dry?", 2});
        db().insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"}, {first, "Yes", 1});
        db().insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"}, {second, "Damp", 1});
        openWindow();
        clickTab(1);
        BoundGridView* questions = grid("jgQuestion");
        QList<bool> loadingWhileRead;
        connect(questions->grid(), &BoundGrid::rebound, this,
                [this, &loadingWhileRead] { loadingWhileRead << m_window->logic().loading(); });
        clickCell(questions, 0, 2);
        QTRY_VERIFY(button("RemoveQuestion")->isEnabled());
        m_prompter->answer(PromptAnswer::Yes);
        press("RemoveQuestion");
        QCOMPARE(m_prompter->last().text, QString("Delete Clean? record?"));
        QCOMPARE(m_prompter->last().title, QString("Delete Verification"));
        QCOMPARE(loadingWhileRead, QList<bool>({true}));
        QCOMPARE(shown(questions), QStringList({"Dry?"}));
        QCOMPARE(shown(grid("jgAnswer")), QStringList({"Damp"}));
        QVERIFY(button("RemoveQuestion")->isEnabled());
        QCOMPARE(stored("SELECT Question FROM TemplateQuestion WHERE Deleted=0"), QStringList({"Dry?"}));
    }

    // Esc in the new-template dialog is Abort: the editor keeps its list and its choice.
    void escapeAbortsANewTemplate() {
        TemplateRows::addTemplate(db(), "Zulu");
        openWindow();
        chooseTemplate("Zulu");
        QCOMPARE(control<QLineEdit>("txtField")->text(), QString("Zulu"));
        addTemplateByKeys("Never", Qt::Key_Escape);
        QCOMPARE(control<QComboBox>("cmbTemplate")->currentText(), QString("Zulu"));
        QCOMPARE(control<QLineEdit>("txtField")->text(), QString("Zulu"));
        QCOMPARE(stored("SELECT Name FROM Template WHERE Name='Never'"), QStringList());
    }

    // A row in the middle of its edit when the user picks another template belongs to the
    // template it was typed into.
    void otherTemplateInTheMiddleOfAnEdit() {
        TemplateRows::addTemplate(db(), "Zulu");
        openWindow();
        startTyping(grid("jgEntryField"), 2, 2, "Inspector");
        chooseTemplate("Zulu");
        QTRY_COMPARE(control<QLineEdit>("txtField")->text(), QString("Zulu"));
        QCOMPARE(stored("SELECT FieldLabel FROM TemplateField WHERE TemplateKey=? ORDER BY Sequence", {m_audit}),
                 QStringList({"Group", "Site", "Inspector"}));
    }

    // Esc first gives up the cell's edit, then the row's: a row being added goes away unwritten.
    void escapeGivesUpARow() {
        openWindow();
        BoundGridView* fields = grid("jgEntryField");
        typeInto(fields, 2, 2, "Inspector");
        QCOMPARE(fields->model()->rowCount(), 4);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(fields->model()->rowCount(), 3);
        clickName();
        QCOMPARE(stored("SELECT FieldLabel FROM TemplateField ORDER BY Sequence"), QStringList({"Group", "Site"}));
    }

    // Fields and questions reorder by dragging; values are typed and deleted with "Del".
    void reorderFieldsAndQuestionsAndDeleteAValue() {
        db().insert("TemplateField", {"TemplateKey", "FieldLabel", "Sequence"}, {m_audit, "Date", 3});
        for (int order = 1; order <= 3; ++order)
            db().insert("TemplateQuestion", {"TemplateKey", "Question", "Sequence"},
                        {m_audit, QString("Q%1").arg(order), order});
        openWindow();
        BoundGridView* fields = grid("jgEntryField");
        dragRow(fields, 2, 0, 2);
        QCOMPARE(shown(fields), QStringList({"Date", "Group", "Site"}));
        QCOMPARE(stored("SELECT FieldLabel FROM TemplateField ORDER BY Sequence"),
                 QStringList({"Date", "Group", "Site"}));

        clickCell(fields, 1, 2);
        BoundGridView* values = grid("jgFieldValue");
        typeInto(values, 1, 2, "North");
        clickCell(values, 0, 2);
        QTRY_VERIFY(button("Remove")->isEnabled());
        m_prompter->answer(PromptAnswer::Yes);
        press("Remove");
        QCOMPARE(m_prompter->last().text, QString("Delete New Entry record?"));
        QCOMPARE(shown(values), QStringList({"North"}));

        clickTab(1);
        BoundGridView* questions = grid("jgQuestion");
        dragRow(questions, 0, 2, 2);
        QCOMPARE(shown(questions), QStringList({"Q2", "Q3", "Q1"}));
        QCOMPARE(stored("SELECT Question FROM TemplateQuestion ORDER BY Sequence"), QStringList({"Q2", "Q3", "Q1"}));
    }

    // The file name: fields dragged in from the list, reordered by dragging, removed by "Del L".
    void fileNameByDragAndDrop() {
        openWindow();
        clickTab(2);
        auto* available = control<QListWidget>("lstAvailable");
        BoundGridView* selected = grid("jgFileNameField");
        QTRY_COMPARE(available->count(), 2);
        for (int item : {1, 0}) {
            const QPoint from = available->visualItemRect(available->item(item)).center();
            drag(available->viewport(), from, selected->viewport(), selected->viewport()->rect().center());
        }
        QTRY_COMPARE(selected->model()->rowCount(), 2);
        QCOMPARE(selected->model()->index(0, 3).data().toString(), QString("Site"));
        dragRow(selected, 1, 0, 3);
        QCOMPARE(selected->model()->index(0, 3).data().toString(), QString("Group"));
        QCOMPARE(stored("SELECT FieldLabel FROM FileNameField INNER JOIN TemplateField ON "
                        "FileNameField.TemplateFieldKey = TemplateField.TemplateFieldKey ORDER BY "
                        "FileNameField.Sequence"),
                 QStringList({"Group", "Site"}));
        clickCell(selected, 1, 3);
        QTRY_VERIFY(button("RemoveList")->isEnabled());
        QCOMPARE(status(), QString("Drag and drop the fields in this list to define the field order"));
        m_prompter->answer(PromptAnswer::Yes);
        press("RemoveList");
        QCOMPARE(m_prompter->last().text, QString("Delete Site record?"));
        QCOMPARE(selected->model()->rowCount(), 1);
    }

    // A new template by the keyboard alone: Return presses Add.
    void newTemplateByKeyboard() {
        openWindow();
        addTemplateByKeys("Kitchen", Qt::Key_Return);
        QCOMPARE(control<QComboBox>("cmbTemplate")->currentText(), QString("Kitchen"));
        QCOMPARE(shown(grid("jgEntryField")), QStringList({"Group"}));
    }

    // Names stand in one order without regard to case, on every engine: the template list
    // and a field's values.
    void namesWithoutRegardToCase() {
        for (const char* name : {"beta", "Alpha", "alpha", "Beta"})
            TemplateRows::addTemplate(db(), name);
        const qint64 group = db().scalar("SELECT TemplateFieldKey FROM TemplateField WHERE GroupField<>0 AND "
                                         "TemplateKey=?",
                                         {m_audit})
                                 .toLongLong();
        for (const char* value : {"south", "North", "east", "West"})
            db().insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {group, value});
        openWindow();
        auto* list = control<QComboBox>("cmbTemplate");
        QStringList names;
        for (int row = 0; row < list->count(); ++row)
            names << list->itemText(row);
        QCOMPARE(names, QStringList({"Alpha", "alpha", "Audit", "Beta", "beta"}));
        chooseTemplate("Audit");
        clickCell(grid("jgEntryField"), 0, 2);
        QTRY_COMPARE(shown(grid("jgFieldValue")), QStringList({"east", "New Entry", "North", "south", "West"}));
    }
};

QTEST_MAIN(tst_TemplateGrids)
#include "tst_templategrids.moc"
