#include "ClickedPrompter.h"
#include "DataEnvironment.h"
#include "HandheldFixture.h"
#include "ListViewRows.h"
#include "ScriptedPrompter.h"
#include "SiteVisit.h"
#include "TemplateBuilder.h"
#include "TestDatabases.h"
#include "WhenModal.h"
#include "WindowInput.h"
#include "frmEvaluationMaintenance.h"
#include "frmSwitchboard.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

// The evaluation window's "Nobrin" tab and its two dialogs, driven offscreen through the
// names of their controls as a user drives them.
class tst_EvaluationWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<HandheldFixture> m_fixture;
    std::unique_ptr<frmEvaluationMaintenance> m_owned;
    QPointer<frmEvaluationMaintenance> m_window; // the window under test, owned or not
    std::unique_ptr<ScriptedPrompter> m_prompter;
    SiteVisit m_visit;

    const Database& db() { return m_fixture->db(); }
    ScriptedPrompter& prompter() { return *m_prompter; }

    template <typename T> static T* find(QWidget* in, const char* name, int index = -1) {
        for (T* control : in->findChildren<T*>(QString::fromLatin1(name))) {
            if (index < 0 || control->property("index").toInt() == index)
                return control;
        }
        qFatal("no control %s %d", name, index);
    }
    template <typename T> T* control(const char* name, int index = -1) { return find<T>(m_window, name, index); }
    QAction* button(const char* key) {
        for (QAction* action : control<QToolBar>("Toolbar1")->actions()) {
            if (action->objectName() == QLatin1String(key))
                return action;
        }
        qFatal("no toolbar button %s", key);
    }
    QTabBar* tabBar() { return control<QTabWidget>("TabStrip")->tabBar(); }
    void clickTab(int tab) { QTest::mouseClick(tabBar(), Qt::LeftButton, {}, tabBar()->tabRect(tab).center()); }

    // Clicks "File" and the menu entry of that text.
    void menu(const QString& entry) {
        QTest::mouseClick(control<QPushButton>("cmdFile"), Qt::LeftButton);
        auto* list = control<QListWidget>("lstMenuItems");
        QVERIFY(list->isVisible());
        const QList<QListWidgetItem*> items = list->findItems(entry, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items.first()).center());
    }
    // Types into a field and moves on to the file name, as a user leaves a field.
    void type(int slot, const QString& text) {
        auto* box = control<QLineEdit>("txtField", slot);
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        box->selectAll();
        QTest::keyClicks(box, text);
        control<QLineEdit>("txtFileName")->setFocus();
        QTRY_VERIFY(!box->hasFocus());
    }
    void choose(int slot, int entry) {
        auto* list = control<QComboBox>("cmbField", slot);
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        list->setCurrentIndex(entry);
        Q_EMIT list->activated(entry);
        control<QLineEdit>("txtFileName")->setFocus();
        QTRY_VERIFY(!list->hasFocus());
    }
    // "New", then "&Add" in the add dialog with the template of that name.
    void addEvaluation(const QString& templateName) {
        QTest::mouseClick(control<QPushButton>("cmdNew"), Qt::LeftButton);
        QWidget* dialog = nullptr;
        QTRY_VERIFY((dialog = m_window->findChild<QWidget*>("frmAddEvaluation")) && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QString("Add Evaluation"));
        auto* templates = find<QComboBox>(dialog, "cmbTemplate");
        templates->setCurrentIndex(templates->findText(templateName));
        Q_EMIT templates->activated(templates->currentIndex());
        QTest::mouseClick(find<QPushButton>(dialog, "cmdAdd"), Qt::LeftButton);
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmAddEvaluation"));
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }
    // "Open" in the menu; picks the line of the open dialog that starts with the name.
    void openEvaluation(const QString& fileName) {
        QTimer::singleShot(0, this, [fileName] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog && dialog->objectName() == "frmOpenEvaluation");
            auto* lines = find<QListView>(dialog, "lstFileName");
            QCOMPARE(lines->font().family(), QString("Courier New"));
            const QList<int> found = ListViewRows::rowsStartingWith(lines, fileName);
            QCOMPARE(found.size(), 1);
            lines->setCurrentIndex(lines->model()->index(found.first(), 0));
            QTest::mouseClick(find<QPushButton>(dialog, "cmdSelect"), Qt::LeftButton);
        });
        menu("Open");
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }
    // By mouse: "File", then the menu entry of that text.
    bool menuByHand(const QString& entry) {
        if (!WindowInput::click(control<QPushButton>("cmdFile")))
            return false;
        auto* list = control<QListWidget>("lstMenuItems");
        const QList<QListWidgetItem*> items = list->findItems(entry, Qt::MatchExactly);
        return items.size() == 1 && WindowInput::clickItem(list, list->model()->index(list->row(items.first()), 0));
    }
    // Clicks into a box, types over its text and leaves it with Tab.
    static bool retype(QWidget* box, const QString& text) {
        return WindowInput::click(box) && WindowInput::press(Qt::Key_A, Qt::ControlModifier) &&
               WindowInput::type(text) && WindowInput::press(Qt::Key_Tab);
    }
    // In the open dialog: the evaluation of that file name, chosen by mouse, with "&Select"
    // or a double click on its line.
    static void openByHand(const QString& fileName, bool doubleClick = false) {
        whenModal([fileName, doubleClick](QWidget* dialog) {
            QVERIFY(WindowInput::chooseFromList(find<QComboBox>(dialog, "cmbTemplate"), "Site Visit"));
            auto* lines = find<QListView>(dialog, "lstFileName");
            const QList<int> found = ListViewRows::rowsStartingWith(lines, fileName);
            QCOMPARE(found.size(), 1);
            const QRect line = lines->visualRect(lines->model()->index(found.first(), 0));
            if (doubleClick) {
                QVERIFY(WindowInput::doubleClick(lines->viewport(), line.center()));
            } else {
                QVERIFY(WindowInput::click(lines->viewport(), line.center()));
                QVERIFY(WindowInput::click(find<QPushButton>(dialog, "cmdSelect")));
            }
        });
    }
    QString status() { return control<QLabel>("StatusBar1Panel1")->text(); }
    QString entered(qint64 field) {
        return db().scalar("SELECT EnteredValue FROM EvaluationField WHERE TemplateFieldKey=?", {field}).toString();
    }
    static QRect twips(int left, int top, int width, int height) {
        return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0), qRound(height / 15.0));
    }

private Q_SLOTS:
    void init() {
        m_fixture =
            std::make_unique<HandheldFixture>(TestDatabases::freshConnectionString(TestDatabases::engineOfRow()));
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_visit = SiteVisit::create(db(), 5);
        m_owned = std::make_unique<frmEvaluationMaintenance>(m_fixture->session());
        m_window = m_owned.get();
        QVERIFY(WindowInput::activate(m_window));
        clickTab(1);
        QTRY_VERIFY(control<QPushButton>("cmdNew")->hasFocus());
    }
    void cleanup() {
        m_owned.reset();
        m_prompter.reset();
        m_fixture.reset();
    }

    // The tab imitates the handheld's screen: its pages, menu bar and field slots sit at
    // their places, 15 twips to a pixel.
    void screenAtItsPlaces() {
        QVERIFY(button("Exit")->isEnabled());
        QVERIFY(!button("Add")->isEnabled() && !button("Download")->isEnabled());
        auto* entry = control<QGroupBox>("fraEvaluation", 1);
        QVERIFY(entry->isVisible() && !control<QGroupBox>("fraEvaluation", 2)->isVisible());
        QCOMPARE(entry->title(), QString("Entry"));
        QCOMPARE(entry->geometry(), twips(10, 25, 4875, 5800));
        auto* bar = control<QFrame>("fraEvaluationMenu");
        QCOMPARE(bar->geometry().left(), 5);
        QCOMPARE(bar->width(), 317);
        QVERIFY(qAbs(bar->parentWidget()->height() - 5 - (bar->geometry().bottom() + 1)) <= 1);
        QVERIFY2(bar->geometry().top() >= entry->geometry().bottom(), "the menu bar is below the page");
        QVERIFY(!control<QLabel>("lblFileName")->isVisible());
        QVERIFY(!control<QPushButton>("cmdView")->isEnabled());
        control<QPushButton>("cmdFile")->setFocus();
        QCOMPARE(control<QLabel>("StatusBar1Panel1")->text(), QString("Click to display other options"));
        control<QPushButton>("cmdNew")->setFocus();
        QCOMPARE(control<QLabel>("StatusBar1Panel1")->text(), QString("Click to add new evaluation"));

        TemplateBuilder wide(db(), "Wide");
        const qint64 group = wide.groupField("Field 1");
        wide.value(group, "A");
        for (int index = 2; index <= 21; ++index)
            wide.field(QString("Field %1").arg(index), TemplateBuilder::Text);
        addEvaluation("Wide");
        QVERIFY(control<QLabel>("lblFileName")->isVisible());
        for (int slot = 1; slot <= 20; ++slot) {
            const int left = slot % 2 ? 60 : 2500;
            const int top = 560 + (slot - 1) / 2 * 330;
            auto* label = control<QLabel>("lblField", slot);
            QVERIFY(label->isVisible());
            QCOMPARE(label->geometry(), twips(left, top, 800, 255));
            QCOMPARE(label->text(), QString("Field %1").arg(slot));
            if (slot == 1) {
                QVERIFY(control<QComboBox>("cmbField", 1)->isVisible());
                QCOMPARE(control<QComboBox>("cmbField", 1)->geometry().topLeft(), twips(1060, 560, 0, 0).topLeft());
                QVERIFY(!control<QLineEdit>("txtField", 1)->isVisible());
            } else {
                QVERIFY(control<QLineEdit>("txtField", slot)->isVisible());
                QCOMPARE(control<QLineEdit>("txtField", slot)->geometry(), twips(left + 1000, top, 1300, 255));
            }
        }
        QCOMPARE(control<QLabel>("lblField", 20)->geometry().top(), 235);

        // File shows the menu on the menu bar's top edge, at the File button.
        QTest::mouseClick(control<QPushButton>("cmdFile"), Qt::LeftButton);
        auto* items = control<QListWidget>("lstMenuItems");
        QVERIFY(items->isVisible());
        QCOMPARE(items->count(), 3);
        QCOMPARE(items->geometry().bottom() + 1, bar->geometry().top());
        QCOMPARE(items->geometry().left(), bar->geometry().left() + control<QPushButton>("cmdFile")->x());
        QCOMPARE(items->height(), qRound(3 * 230 / 15.0));
        control<QPushButton>("cmdNew")->setFocus();
        QTRY_VERIFY(!items->isVisible());

        // Everything keeps its proportions when the window grows.
        const QRect before = entry->geometry();
        m_window->resize(m_window->width() * 2, m_window->height());
        QTRY_VERIFY(entry->width() > 1.8 * before.width());
        QCOMPARE(entry->height(), before.height());
    }

    // A new evaluation entered, paged, ticked and saved through the screen.
    void newEvaluationThroughTheScreen() {
        addEvaluation("Site Visit");
        const QString today = QDate::currentDate().toString("MM/dd/yy");
        QCOMPARE(control<QLineEdit>("txtField", 2)->text(), today);
        QCOMPARE(control<QLineEdit>("txtFileName")->text(), QString(today).remove('/'));
        choose(1, 1);
        QCOMPARE(control<QLineEdit>("txtFileName")->text(), "South" + QString(today).remove('/'));

        prompter().answer(PromptAnswer::Ok);
        type(4, "many");
        QCOMPARE(prompter().last().text, QString("Invalid entry, must be numeric."));
        QCOMPARE(control<QLineEdit>("txtField", 4)->text(), QString("many"));
        type(4, "12");
        type(3, "Ann");

        QTest::mouseClick(control<QPushButton>("cmdView"), Qt::LeftButton);
        QVERIFY(control<QGroupBox>("fraEvaluation", 2)->isVisible());
        QCOMPARE(control<QGroupBox>("fraQuestion", 1)->title(), QString("Question 1?"));
        auto* answer = control<QComboBox>("cmbFra", 1);
        QCOMPARE(answer->count(), 2);
        answer->setCurrentIndex(1);
        QTest::mouseClick(control<QCheckBox>("chkTBC", 2), Qt::LeftButton);
        auto* picks = control<QListWidget>("lstFra", 3);
        QTest::mouseClick(picks->viewport(), Qt::LeftButton, {}, picks->visualItemRect(picks->item(1)).center());
        QCOMPARE(picks->item(1)->checkState(), Qt::Checked);

        auto* pages = control<QScrollBar>("vsrFrame");
        QCOMPARE(pages->maximum(), 2);
        pages->setValue(2);
        QCOMPARE(control<QGroupBox>("fraQuestion", 1)->title(), QString("Question 5?"));
        QVERIFY(!control<QGroupBox>("fraQuestion", 2)->isVisible());
        QCOMPARE(control<QComboBox>("cmbFra", 1)->currentText(), QString());
        pages->setValue(1);
        QCOMPARE(control<QComboBox>("cmbFra", 1)->currentText(), QString("No"));
        QVERIFY(control<QCheckBox>("chkTBC", 2)->isChecked());

        // An evaluation in progress keeps the window on its tab.
        prompter().answer(PromptAnswer::Ok);
        clickTab(0);
        QCOMPARE(prompter().last().text, QString("You must save the current evaluation."));
        QCOMPARE(control<QTabWidget>("TabStrip")->currentIndex(), 1);

        prompter().answer(PromptAnswer::Yes);
        menu("Save");
        QCOMPARE(prompter().last().text, QString("Save Current File?"));
        QTRY_VERIFY(!control<QLabel>("lblField", 1)->isVisible());
        QCOMPARE(m_fixture->rows("Evaluation"), 1);
        QCOMPARE(m_fixture->rows("EvaluationPickList"), 1);
        QCOMPARE(
            db().scalar("SELECT Answer FROM EvaluationQuestion WHERE TemplateQuestionKey=?", {m_visit.questions[0]})
                .toString(),
            QString("No"));
        clickTab(0);
        QCOMPARE(control<QTabWidget>("TabStrip")->currentIndex(), 0);
    }

    // An evaluation opened through the open dialog, changed and saved over the old one; the
    // window then asks before it closes with changes.
    void openChangeAndReplace() {
        const qint64 old = m_visit.store(db(), "Yes", true, true);
        openEvaluation("North060503");
        QTRY_VERIFY(control<QLabel>("lblField", 1)->isVisible());
        QCOMPARE(control<QComboBox>("cmbField", 1)->currentText(), QString("North"));
        QCOMPARE(control<QLineEdit>("txtFileName")->text(), QString("North060503"));
        QTest::mouseClick(control<QPushButton>("cmdFile"), Qt::LeftButton);
        QCOMPARE(control<QListWidget>("lstMenuItems")->count(), 4);
        QTest::keyClick(control<QListWidget>("lstMenuItems"), Qt::Key_Escape);
        type(3, "Bob");
        prompter().answer(PromptAnswer::Yes).answer(PromptAnswer::Yes);
        menu("Save");
        const qint64 replaced = db().scalar("SELECT EvaluationKey FROM Evaluation").toLongLong();
        QVERIFY(replaced > old);
        QCOMPARE(m_fixture->rows("Evaluation"), 1);

        openEvaluation("North060503");
        QTRY_COMPARE(control<QLineEdit>("txtField", 3)->text(), QString("Bob"));
        QTRY_VERIFY(control<QLineEdit>("txtField", 3)->isVisible());
        prompter().answer(PromptAnswer::No);
        m_window->close();
        QCOMPARE(prompter().last().text, QString("Save Current File?"));
        QVERIFY(!m_window->isVisible());
    }

    // New, typing, the drop-down, the date, the question page, Save, Open, Cancel and Delete,
    // all by mouse and keyboard, every box answered by clicking its button.
    void byHand_data() { TestDatabases::addEngines(); }
    void byHand() {
        ClickedPrompter boxes;
        QVERIFY(WindowInput::click(control<QPushButton>("cmdNew")));
        QCOMPARE(status(), QString("Click to add new evaluation"));
        QWidget* add = nullptr;
        QTRY_VERIFY((add = m_window->findChild<QWidget*>("frmAddEvaluation")) && add->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(add));
        QCOMPARE(find<QLabel>(add, "StatusBar1Panel1")->text(), QString("Select template for new evaluation"));
        QVERIFY(WindowInput::click(find<QPushButton>(add, "cmdCancel")));
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmAddEvaluation"));
        QVERIFY(!control<QLabel>("lblFileName")->isVisible());

        QVERIFY(WindowInput::click(control<QPushButton>("cmdNew")));
        QTRY_VERIFY((add = m_window->findChild<QWidget*>("frmAddEvaluation")) && add->isVisible());
        QVERIFY(WindowInput::chooseFromList(find<QComboBox>(add, "cmbTemplate"), "Site Visit"));
        QVERIFY(WindowInput::click(find<QPushButton>(add, "cmdAdd")));
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmAddEvaluation"));
        QTRY_VERIFY(control<QLabel>("lblField", 1)->isVisible());
        QVERIFY(!button("Add")->isEnabled() && !button("Download")->isEnabled() && button("Exit")->isEnabled());

        // Opening the drop-down of the list that has the focus is not leaving it: the forced
        // list, still empty, says nothing.
        QVERIFY(WindowInput::click(control<QLineEdit>("txtFileName")));
        QVERIFY(WindowInput::press(Qt::Key_Tab));
        auto* site = control<QComboBox>("cmbField", 1);
        QVERIFY(site->hasFocus());
        QVERIFY(WindowInput::press(Qt::Key_F4));
        QTRY_VERIFY(site->view()->isVisible());
        QCOMPARE(boxes.shown().size(), 0);
        QVERIFY(WindowInput::clickItem(site->view(), site->view()->model()->index(site->findText("South"), 0)));
        QCOMPARE(site->currentText(), QString("South"));
        QVERIFY(retype(control<QLineEdit>("txtField", 3), "Ann"));
        const QString today = QDate::currentDate().toString("MMddyy");
        QCOMPARE(control<QLineEdit>("txtFileName")->text(), "South" + today);
        boxes.answer("OK");
        QVERIFY(retype(control<QLineEdit>("txtField", 4), "many"));
        QCOMPARE(boxes.last().text, QString("Invalid entry, must be numeric."));
        QCOMPARE(control<QLineEdit>("txtField", 4)->text(), QString("many"));
        QVERIFY(retype(control<QLineEdit>("txtField", 4), "12"));
        boxes.answer("OK");
        QVERIFY(retype(control<QLineEdit>("txtField", 2), "13/45/03"));
        QCOMPARE(boxes.last().text, QString("Invalid date entered."));
        QVERIFY(retype(control<QLineEdit>("txtField", 2), "06/05/03"));
        QCOMPARE(control<QLineEdit>("txtFileName")->text(), QString("South060503"));

        QVERIFY(WindowInput::click(control<QPushButton>("cmdView")));
        QVERIFY(control<QGroupBox>("fraEvaluation", 2)->isVisible());
        QVERIFY(WindowInput::click(control<QComboBox>("cmbFra", 1)));
        QVERIFY(WindowInput::type("No"));
        QVERIFY(WindowInput::click(control<QCheckBox>("chkTBC", 2)));
        auto* picks = control<QListWidget>("lstFra", 3);
        QVERIFY(WindowInput::clickItem(picks, picks->model()->index(1, 0)));
        QCOMPARE(picks->item(1)->checkState(), Qt::Checked);
        auto* pages = control<QScrollBar>("vsrFrame");
        QVERIFY(WindowInput::click(pages, QPoint(pages->width() / 2, pages->height() - 3)));
        QCOMPARE(control<QGroupBox>("fraQuestion", 1)->title(), QString("Question 5?"));
        QVERIFY(!control<QGroupBox>("fraQuestion", 2)->isVisible());
        QVERIFY(WindowInput::click(pages, QPoint(pages->width() / 2, 3)));
        QCOMPARE(control<QComboBox>("cmbFra", 1)->currentText(), QString("No"));

        boxes.answer("&Yes");
        QVERIFY(menuByHand("Save"));
        QCOMPARE(boxes.last().text, QString("Save Current File?"));
        QTRY_VERIFY(!control<QLabel>("lblField", 1)->isVisible());
        QCOMPARE(m_fixture->rows("Evaluation"), 1);
        QCOMPARE(db().scalar("SELECT FileName FROM Evaluation").toString(), QString("South060503"));
        QCOMPARE(entered(m_visit.inspector), QString("Ann"));
        QCOMPARE(entered(m_visit.staff), QString("12"));
        QCOMPARE(
            db().scalar("SELECT Answer FROM EvaluationQuestion WHERE TemplateQuestionKey=?", {m_visit.questions[0]})
                .toString(),
            QString("No"));
        QCOMPARE(
            db().scalar("SELECT TBCCheck FROM EvaluationQuestion WHERE TemplateQuestionKey=?", {m_visit.questions[1]})
                .toInt(),
            -1);
        QCOMPARE(db().scalar("SELECT TemplatePickListKey FROM EvaluationPickList").toLongLong(), m_visit.entries[2][1]);

        // Opened, changed and cancelled: nothing is written.
        openByHand("South060503");
        QVERIFY(menuByHand("Open"));
        QTRY_COMPARE(control<QLineEdit>("txtFileName")->text(), QString("South060503"));
        QTRY_VERIFY(control<QLineEdit>("txtField", 3)->isVisible());
        QVERIFY(retype(control<QLineEdit>("txtField", 3), "Bob"));
        boxes.answer("&Yes");
        QVERIFY(menuByHand("Cancel"));
        QCOMPARE(boxes.last().text, QString("Are you sure you want to cancel this evaluation?"));
        QTRY_VERIFY(!control<QLineEdit>("txtField", 3)->isVisible());
        QCOMPARE(entered(m_visit.inspector), QString("Ann"));

        openByHand("South060503", true);
        QVERIFY(menuByHand("Open"));
        QTRY_VERIFY(control<QLineEdit>("txtField", 3)->isVisible());
        QCOMPARE(control<QLineEdit>("txtField", 3)->text(), QString("Ann"));
        boxes.answer("&Yes");
        QVERIFY(menuByHand("Delete"));
        QCOMPARE(boxes.last().title, QString("Delete Verification"));
        QTRY_VERIFY(!control<QLineEdit>("txtField", 3)->isVisible());
        QCOMPARE(m_fixture->rows("Evaluation"), 0);
        QCOMPARE(m_fixture->rows("EvaluationField"), 0);
        QCOMPARE(boxes.pending(), 0);
    }

    // "Save Current File?" closed by Esc or by the close button of its frame leaves the user
    // where they were: the window stays open with the edit, for closing, Exit, Open and New.
    void saveQuestionClosedUnanswered() {
        ClickedPrompter boxes;
        QVERIFY(WindowInput::click(control<QPushButton>("cmdNew")));
        QWidget* add = nullptr;
        QTRY_VERIFY((add = m_window->findChild<QWidget*>("frmAddEvaluation")) && add->isVisible());
        QVERIFY(WindowInput::chooseFromList(find<QComboBox>(add, "cmbTemplate"), "Site Visit"));
        QVERIFY(WindowInput::click(find<QPushButton>(add, "cmdAdd")));
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmAddEvaluation"));
        auto* inspector = control<QLineEdit>("txtField", 3);
        QTRY_VERIFY(inspector->isVisible());
        QVERIFY(retype(inspector, "Ann"));
        // Any other window that opens instead is closed and remembered.
        QStringList opened;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&opened] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && !qobject_cast<QMessageBox*>(modal)) {
                opened << modal->objectName();
                modal->close();
            }
        });
        watch.start(10);
        const auto stayed = [&] {
            return m_window->isVisible() && inspector->isVisible() && inspector->text() == "Ann" &&
                   m_fixture->rows("Evaluation") == 0;
        };

        boxes.answer(ClickedPrompter::EscapeKey);
        m_window->windowHandle()->close();
        QCOMPARE(boxes.last().text, QString("Save Current File?"));
        QCOMPARE(boxes.last().buttons, QStringList({"&Yes", "&No"}));
        QVERIFY(stayed());

        boxes.answer(ClickedPrompter::CloseButton);
        QVERIFY(WindowInput::clickButton(button("Exit")));
        QVERIFY(stayed());

        boxes.answer(ClickedPrompter::EscapeKey);
        QVERIFY(menuByHand("Open"));
        QVERIFY(stayed());

        boxes.answer(ClickedPrompter::CloseButton);
        QVERIFY(WindowInput::click(control<QPushButton>("cmdNew")));
        QVERIFY(stayed());
        QVERIFY(!m_window->findChild<QWidget*>("frmAddEvaluation"));
        QCOMPARE(opened, QStringList());
        QCOMPARE(boxes.shown().size(), 4);

        // The buttons still do what they say.
        boxes.answer("&No");
        QVERIFY(WindowInput::clickButton(button("Exit")));
        QTRY_VERIFY(!m_window->isVisible());
        QCOMPARE(m_fixture->rows("Evaluation"), 0);
        QCOMPARE(boxes.pending(), 0);
    }

    // A date box of the open dialog keeps the date it had when the user entered it, also
    // when the user went to another window and back in between.
    void openDialogDateAcrossWindows_data() { TestDatabases::addEngines(); }
    void openDialogDateAcrossWindows() {
        m_visit.store(db(), "Yes", false, false);
        QString typed, left;
        int lines = 0;
        whenModal([&typed, &left, &lines](QWidget* dialog) {
            auto* begin = find<QLineEdit>(dialog, "MskField", 0);
            QVERIFY(WindowInput::click(begin));
            QCOMPARE(find<QLabel>(dialog, "StatusBar1Panel1")->text(),
                     QString("Enter the begin download date to filter file names by"));
            QVERIFY(WindowInput::press(Qt::Key_Home) && WindowInput::type("134502"));
            QVERIFY(WindowInput::switchAwayAndBack(dialog));
            QVERIFY(begin->hasFocus());
            typed = begin->text();
            auto* list = find<QListView>(dialog, "lstFileName");
            QVERIFY(WindowInput::click(list->viewport(), QPoint(5, list->viewport()->height() - 5)));
            left = begin->text();
            lines = ListViewRows::count(list);
            QVERIFY(WindowInput::click(find<QPushButton>(dialog, "cmdCancel")));
        });
        QVERIFY(menuByHand("Open"));
        QCOMPARE(typed, QString("13/45/02"));
        QCOMPARE(left, QString("01/01/02"));
        QCOMPARE(lines, 2);
        QVERIFY(!control<QLabel>("lblFileName")->isVisible());
    }

    // More evaluations than the open dialog reads at once: End shows the last line, PageUp a
    // page above it, typing a name's start goes to its line, and the line chosen last opens
    // its evaluation.
    void openFromALongList_data() { TestDatabases::addEngines(); }
    void openFromALongList() {
        {
            Transaction transaction(db());
            for (int i = 0; i < 450; ++i)
                db().insert("Evaluation", {"TemplateKey", "EvaluationGroupKey", "FileName"},
                            {m_visit.templateKey, m_visit.south, QString("A%1.evl").arg(i, 3, 10, QLatin1Char('0'))});
            transaction.commit();
        }
        m_visit.store(db(), "Yes", false, false);
        QString last, paged, typed;
        int pagedRow = 0;
        whenModal([&last, &paged, &pagedRow, &typed](QWidget* dialog) {
            auto* lines = find<QListView>(dialog, "lstFileName");
            QCOMPARE(ListViewRows::count(lines), 452);
            QVERIFY(WindowInput::clickItem(lines, lines->model()->index(1, 0)));
            QVERIFY(WindowInput::press(Qt::Key_End));
            last = lines->currentIndex().data().toString();
            QVERIFY(lines->viewport()->rect().contains(lines->visualRect(lines->currentIndex())));
            QVERIFY(WindowInput::press(Qt::Key_PageUp));
            paged = lines->currentIndex().data().toString();
            pagedRow = lines->currentIndex().row();
            QVERIFY(WindowInput::type("a371"));
            typed = lines->currentIndex().data().toString();
            QVERIFY(WindowInput::press(Qt::Key_End));
            QVERIFY(WindowInput::click(find<QPushButton>(dialog, "cmdSelect")));
        });
        QVERIFY(menuByHand("Open"));
        QCOMPARE(last.left(30).trimmed(), QString("North060503"));
        QVERIFY2(pagedRow > 1 && pagedRow < 451, qPrintable(QString::number(pagedRow)));
        QCOMPARE(paged.left(30).trimmed(), QString("A%1").arg(pagedRow - 1, 3, 10, QLatin1Char('0')));
        QCOMPARE(typed.left(30).trimmed(), QString("A371"));
        QTRY_COMPARE(control<QLineEdit>("txtFileName")->text(), QString("North060503"));
    }

    // Closing the main window closes this one too, with the same question; a save that is
    // refused keeps both open, so nothing entered is lost.
    void closedWithTheMainWindow() {
        db().execute("UPDATE Control SET EULA=?", {"tester"});
        m_owned.reset();
        frmSwitchboard::registerWindow("frmEvaluationMaintenance", [this](QWidget* owner) {
            return new frmEvaluationMaintenance(m_fixture->session(), owner);
        });
        frmSwitchboard main;
        main.show();
        main.nagMenuClick("frmEvaluationMaintenance");
        auto* window = main.findChild<frmEvaluationMaintenance*>();
        QVERIFY(window && window->isVisible());
        m_window = window;
        clickTab(1);
        addEvaluation("Site Visit");
        choose(1, 0);

        // Closing the question unanswered keeps both windows and the work.
        prompter().answer(PromptAnswer::Dismissed);
        main.close();
        QVERIFY(window->isVisible() && main.isVisible());

        prompter().answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        main.close();
        QCOMPARE(prompter().last().text, QString("Entry manditory into the Inspector field."));
        QVERIFY(window->isVisible() && main.isVisible());
        QTRY_VERIFY(control<QLineEdit>("txtField", 3)->hasFocus());

        type(3, "Ann");
        prompter().answer(PromptAnswer::Yes);
        main.close();
        QVERIFY(!main.isVisible());
        QCOMPARE(m_fixture->rows("Evaluation"), 1);
    }
};

QTEST_MAIN(tst_EvaluationWindow)
#include "tst_evaluationwindow.moc"
