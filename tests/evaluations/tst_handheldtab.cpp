#include "ClickedPrompter.h"
#include "EvaluationMaintenance.h"
#include "HandheldFixture.h"
#include "ScriptedPrompter.h"
#include "TestDatabases.h"
#include "WindowInput.h"
#include "frmEvaluationMaintenance.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

// The evaluation window's "Handheld" tab driven as a user drives it.
class tst_HandheldTab : public QObject {
    Q_OBJECT

    std::unique_ptr<HandheldFixture> m_fixture;
    std::unique_ptr<frmEvaluationMaintenance> m_window;

    template <typename T> T* control(const char* name) {
        T* found = m_window->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QAction* button(const char* key) {
        for (QAction* action : control<QToolBar>("Toolbar1")->actions()) {
            if (action->objectName() == QLatin1String(key))
                return action;
        }
        qFatal("no toolbar button %s", key);
    }
    QString status() { return control<QLabel>("StatusBar1Panel1")->text(); }
    QListView* list() { return control<QListView>("lstEvaluations"); }
    QModelIndex file(int row) { return list()->model()->index(row, 0); }

private Q_SLOTS:
    void init() {
        m_fixture =
            std::make_unique<HandheldFixture>(TestDatabases::freshConnectionString(TestDatabases::engineOfRow()));
        const HandheldFixture::Audit audit = m_fixture->addAudit();
        for (const char* name : {"North.txt", "North_2.txt", "South.txt"})
            m_fixture->putOnUnit(name, HandheldFixture::auditFile(audit, name));
        m_window = std::make_unique<frmEvaluationMaintenance>(m_fixture->session());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() {
        m_window.reset();
        m_fixture.reset();
    }

    void windowAndToolbar() {
        QCOMPARE(m_window->objectName(), QString("frmEvaluationMaintenance"));
        QCOMPARE(m_window->windowTitle(), QString("Evaluation Maintenance"));
        auto* tabs = control<QTabWidget>("TabStrip");
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QString("Handheld"));
        QCOMPARE(tabs->tabText(1), QString("Nobrin"));
        QStringList captions;
        for (QAction* action : control<QToolBar>("Toolbar1")->actions())
            captions << (action->isSeparator() ? "|" : action->text());
        QCOMPARE(captions, QStringList({"Exit", "|", "Add", "|", "Down", "|"}));
        QVERIFY(button("Exit")->isEnabled() && button("Add")->isEnabled() && button("Download")->isEnabled());
        QCOMPARE(control<QPushButton>("cmdSelectAll")->text(), QString("&Select All"));
        QCOMPARE(list()->selectionMode(), QAbstractItemView::ExtendedSelection);

        tabs->setCurrentIndex(1);
        QVERIFY(button("Exit")->isEnabled());
        QVERIFY(!button("Add")->isEnabled() && !button("Download")->isEnabled());
        tabs->setCurrentIndex(0);
        QVERIFY(button("Add")->isEnabled() && button("Download")->isEnabled());

        m_window->resize(m_window->width() * 2, m_window->height());
        QTRY_VERIFY(tabs->width() > list()->width());
        QTRY_VERIFY(tabs->width() > 600);
    }

    void downSelectAllAdd() {
        ScriptedPrompter prompter;
        button("Download")->trigger();
        QCOMPARE(list()->model()->rowCount(), 3);
        QCOMPARE(list()->model()->index(0, 0).data().toString(), QString("North.txt"));
        QTRY_VERIFY(list()->hasFocus());
        QCOMPARE(status(), QString("Select files to import, press Add to begin download"));

        auto* selectAll = control<QPushButton>("cmdSelectAll");
        selectAll->setFocus();
        QCOMPARE(status(), QString("Click to select all downloaded evaluation"));
        QTest::mouseClick(selectAll, Qt::LeftButton);
        QCOMPARE(list()->selectionModel()->selectedRows().size(), 3);

        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        button("Add")->trigger();
        QCOMPARE(prompter.last().text, QString("Selected files copied"));
        QCOMPARE(m_fixture->rows("Evaluation"), 3);
        QCOMPARE(m_fixture->unitFiles(), QStringList());
        QCOMPARE(list()->model()->rowCount(), 0);
        QCOMPARE(status(), QString("Press Download to look for evaluations"));
        QVERIFY(!control<QProgressBar>("ProgressBar1")->isVisible());
        QVERIFY(!QApplication::overrideCursor());

        prompter.answer(PromptAnswer::Ok);
        button("Add")->trigger();
        QCOMPARE(prompter.last().text, QString("No files selected to add, please select files to download."));
    }

    // The whole tab by mouse: Down, a pick with Ctrl, Add, Select All; every box answered
    // by clicking its button.
    void byHand_data() { TestDatabases::addEngines(); }
    void byHand() {
        ClickedPrompter boxes;
        QVERIFY(WindowInput::activate(m_window.get()));
        boxes.answer("OK");
        QVERIFY(WindowInput::clickButton(button("Add")));
        QCOMPARE(boxes.last().text, QString("No files selected to add, please select files to download."));

        QVERIFY(WindowInput::clickButton(button("Download")));
        QCOMPARE(list()->model()->rowCount(), 3);
        QTRY_VERIFY(list()->hasFocus());
        QCOMPARE(status(), QString("Select files to import, press Add to begin download"));
        QVERIFY(WindowInput::clickItem(list(), file(0)));
        QVERIFY(WindowInput::clickItem(list(), file(2), Qt::ControlModifier));
        QCOMPARE(list()->selectionModel()->selectedRows().size(), 2);
        boxes.answer("&Yes").answer("OK");
        QVERIFY(WindowInput::clickButton(button("Add")));
        QCOMPARE(boxes.shown().at(1).title, QString("Verificiation"));
        QCOMPARE(boxes.shown().at(1).text, QString("Add selected files to database and delete from unit?"));
        QCOMPARE(boxes.last().title, QString("Message"));
        QCOMPARE(boxes.last().text, QString("Selected files copied"));
        QCOMPARE(m_fixture->rows("Evaluation"), 2);
        QCOMPARE(m_fixture->unitFiles(), QStringList({"North_2.txt"}));
        QCOMPARE(list()->model()->rowCount(), 0);

        QVERIFY(WindowInput::clickButton(button("Download")));
        QVERIFY(WindowInput::click(control<QPushButton>("cmdSelectAll")));
        QCOMPARE(status(), QString("Click to select all downloaded evaluation"));
        QCOMPARE(list()->selectionModel()->selectedRows().size(), 1);
        boxes.answer("&No");
        QVERIFY(WindowInput::clickButton(button("Add")));
        QCOMPARE(m_fixture->unitFiles(), QStringList({"North_2.txt"}));
        boxes.answer("&Yes").answer("OK");
        QVERIFY(WindowInput::clickButton(button("Add")));
        QCOMPARE(m_fixture->rows("Evaluation"), 3);

        boxes.answer("OK");
        QVERIFY(WindowInput::clickButton(button("Download")));
        QCOMPARE(boxes.last().text, QString("No files found to download."));
        QCOMPARE(boxes.pending(), 0);
    }

    // Exit closes the window and, as in the program, deletes it: nothing the window watches
    // may call back into it while it takes its controls down.
    void exitDeletesTheWindow() {
        const QPointer<frmEvaluationMaintenance> window = m_window.get();
        window->setAttribute(Qt::WA_DeleteOnClose);
        QVERIFY(WindowInput::activate(window));
        auto* tabs = control<QTabWidget>("TabStrip")->tabBar();
        QVERIFY(WindowInput::click(tabs, tabs->tabRect(1).center()));
        QTRY_VERIFY(control<QPushButton>("cmdNew")->hasFocus());
        QVERIFY(WindowInput::clickButton(button("Exit")));
        QTRY_VERIFY(window.isNull());
        (void)m_window.release();
    }

    void pickedFilesOnly() {
        ScriptedPrompter prompter;
        button("Download")->trigger();
        list()->selectionModel()->select(list()->model()->index(2, 0), QItemSelectionModel::Select);
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        button("Add")->trigger();
        QCOMPARE(m_fixture->unitFiles(), QStringList({"North.txt", "North_2.txt"}));

        button("Exit")->trigger();
        QTRY_VERIFY(!m_window->isVisible());
    }
};

QTEST_MAIN(tst_HandheldTab)
#include "tst_handheldtab.moc"
