#include "CatalogRights.h"
#include "ClickedPrompter.h"
#include "EvaluationHistory.h"
#include "HandheldFixture.h"
#include "SiteVisit.h"
#include "TestDatabases.h"
#include "WindowControls.h"
#include "WindowInput.h"
#include "frmEvaluationMaintenance.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QUuid>

using WindowControls::control;

// View > History of the evaluation window and a catalog that lets its user only read, driven
// by mouse and keyboard on a shown window.
class tst_HistoryWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<HandheldFixture> m_fixture;
    std::unique_ptr<frmEvaluationMaintenance> m_window;
    SiteVisit m_visit;
    qint64 m_key = 0;

    const Database& db() { return m_fixture->db(); }
    template <typename T> T* find(const char* name, int index) {
        for (T* found : m_window->findChildren<T*>(QString::fromLatin1(name))) {
            if (found->property("index").toInt() == index)
                return found;
        }
        qFatal("no control %s %d", name, index);
    }
    void showWindow(const QString& connection) {
        m_fixture = std::make_unique<HandheldFixture>(connection);
        m_window = std::make_unique<frmEvaluationMaintenance>(m_fixture->session());
        QVERIFY(WindowInput::activate(m_window.get()));
        auto* tabs = control<QTabWidget>(m_window.get(), "TabStrip")->tabBar();
        QVERIFY(WindowInput::click(tabs, tabs->tabRect(1).center()));
        QTRY_VERIFY(control<QPushButton>(m_window.get(), "cmdNew")->hasFocus());
    }
    void openOnTheTab(qint64 key) {
        QVERIFY(m_window->logic().commands().openEvaluationKey(key));
        QTRY_VERIFY(find<QLineEdit>("txtField", 3)->isVisible());
    }
    bool menuEntry(const QString& entry) {
        if (!WindowInput::click(control<QPushButton>(m_window.get(), "cmdFile")))
            return false;
        auto* list = control<QListWidget>(m_window.get(), "lstMenuItems");
        const QList<QListWidgetItem*> items = list->findItems(entry, Qt::MatchExactly);
        return items.size() == 1 && WindowInput::clickItem(list, list->model()->index(list->row(items.first()), 0));
    }
    // View > History by mouse; the history window that opens.
    QWidget* viewHistory() {
        QMenuBar* bar = m_window->menuBar();
        auto* view = control<QMenu>(m_window.get(), "mnuView");
        auto* history = control<QAction>(m_window.get(), "mnuHistory");
        if (!WindowInput::click(bar, bar->actionGeometry(view->menuAction()).center()))
            return nullptr;
        if (!QTest::qWaitFor([view] { return view->isVisible(); }) || !history->isEnabled())
            return nullptr;
        if (!WindowInput::click(view, view->actionGeometry(history).center()))
            return nullptr;
        QWidget* window = nullptr;
        return QTest::qWaitFor([&] { return (window = m_window->findChild<QWidget*>("frmEvaluationHistory")); })
                   ? window
                   : nullptr;
    }
    static QString cell(QTableWidget* table, int row, int column) { return table->item(row, column)->text(); }

private Q_SLOTS:
    void cleanup() {
        m_window.reset();
        m_fixture.reset();
    }

    // A change made on the tab is in the evaluation's history window, newest first, and the
    // window only shows.
    void changeThenViewHistory_data() { TestDatabases::addEngines(); }
    void changeThenViewHistory() {
        showWindow(TestDatabases::freshConnectionString(TestDatabases::engineOfRow()));
        m_visit = SiteVisit::create(db(), 5);
        m_key = m_visit.store(db(), "Yes", true, true);
        QVERIFY(!control<QAction>(m_window.get(), "mnuHistory")->isEnabled());
        openOnTheTab(m_key);
        QVERIFY(control<QAction>(m_window.get(), "mnuHistory")->isEnabled());

        ClickedPrompter boxes;
        QVERIFY(WindowInput::click(find<QLineEdit>("txtField", 3)));
        QVERIFY(WindowInput::press(Qt::Key_A, Qt::ControlModifier));
        QVERIFY(WindowInput::type("Bob"));
        QVERIFY(WindowInput::press(Qt::Key_Tab));
        boxes.answer("&Yes").answer("&Yes");
        QVERIFY(menuEntry("Save"));
        QTRY_VERIFY(!find<QLabel>("lblField", 1)->isVisible());
        const qint64 saved = db().scalar("SELECT EvaluationKey FROM Evaluation").toLongLong();
        QVERIFY(saved > m_key);
        openOnTheTab(saved);

        QWidget* window = viewHistory();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), QString("History of North060503 (evaluation %1)").arg(saved));
        auto* table = control<QTableWidget>(window, "lstHistory");
        QCOMPARE(table->rowCount(), 2);
        QStringList headings;
        for (int column = 0; column < table->columnCount(); ++column)
            headings << table->horizontalHeaderItem(column)->text();
        QCOMPARE(headings, QStringList({"When", "Who", "How", "What", "Old", "New"}));
        QCOMPARE(cell(table, 0, 2), QString("editor"));
        QCOMPARE(cell(table, 0, 3), QString("Inspector"));
        QCOMPARE(cell(table, 0, 4), QString("Ann"));
        QCOMPARE(cell(table, 0, 5), QString("Bob"));
        QCOMPARE(cell(table, 1, 3), QString("Saved under a new key"));
        QVERIFY(cell(table, 0, 1).startsWith(EvaluationHistory::of(db(), saved).first().login + '@'));
        QVERIFY(!control<QLabel>(window, "lblEmpty")->isVisible());

        // Nothing in it is for changing: a double click and typing leave every cell as it was.
        QVERIFY(WindowInput::doubleClick(table->viewport(), table->visualItemRect(table->item(0, 5)).center()));
        QTest::qWait(50);
        QVERIFY(WindowInput::type("Eve"));
        QCOMPARE(cell(table, 0, 5), QString("Bob"));
        QVERIFY(WindowInput::press(Qt::Key_Escape));
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmEvaluationHistory"));
        QCOMPARE(boxes.pending(), 0);
    }

    // On a catalog that lets its user only read, deleting and saving are refused in one
    // sentence; the evaluation stays on the screen and in the catalog as it was.
    void aReaderIsRefused() {
        if (!TestDatabases::postgresAvailable())
            QSKIP("needs the throwaway PostgreSQL server");
        const QString connection = TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL);
        const QString role = "kt_reader_" + QUuid::createUuid().toString(QUuid::Id128).left(8);
        {
            Database owner = Database::open(connection, "owner");
            m_visit = SiteVisit::create(owner, 2);
            m_key = m_visit.store(owner, "Yes", false, true);
            owner.execute(QString("CREATE ROLE %1 LOGIN").arg(role));
            CatalogRights::grant(owner, role, CatalogRights::Level::Reader);
            owner.close();
            QSqlDatabase::removeDatabase("owner");
        }
        showWindow(connection + ";user=" + role);
        const QStringList before = SiteVisit::contents(db(), m_key);
        openOnTheTab(m_key);

        ClickedPrompter boxes;
        boxes.answer("&Yes").answer("OK");
        QVERIFY(menuEntry("Delete"));
        QCOMPARE(boxes.last().text, CatalogRights::ReaderRefusal);
        QVERIFY(find<QLineEdit>("txtField", 3)->isVisible());

        QVERIFY(WindowInput::click(find<QLineEdit>("txtField", 3)));
        QVERIFY(WindowInput::type("x"));
        QVERIFY(WindowInput::press(Qt::Key_Tab));
        boxes.answer("&Yes").answer("&Yes").answer("OK");
        QVERIFY(menuEntry("Save"));
        QCOMPARE(boxes.last().text, CatalogRights::ReaderRefusal);
        QCOMPARE(boxes.last().title, QString("Not Allowed"));
        QCOMPARE(find<QLineEdit>("txtField", 3)->text(), QString("Annx"));
        QCOMPARE(SiteVisit::contents(db(), m_key), before);
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM EvaluationHistory").toInt(), 0);

        // The window goes on working: its history shows, and Cancel clears the screen.
        QWidget* window = viewHistory();
        QVERIFY(window);
        QVERIFY(control<QLabel>(window, "lblEmpty")->isVisible());
        QVERIFY(WindowInput::click(control<QPushButton>(window, "cmdClose")));
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmEvaluationHistory"));
        QVERIFY(WindowInput::activate(m_window.get()));
        boxes.answer("&Yes");
        QVERIFY(menuEntry("Cancel"));
        QTRY_VERIFY(!find<QLineEdit>("txtField", 3)->isVisible());
        QCOMPARE(boxes.pending(), 0);
    }
};

QTEST_MAIN(tst_HistoryWindow)
#include "tst_historywindow.moc"
