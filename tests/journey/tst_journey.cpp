#include "BoundGridView.h"
#include "GridInput.h"
#include "HandheldFixture.h"
#include "ListViewRows.h"
#include "ProgramSettings.h"
#include "ReportWindows.h"
#include "ScriptedPrompter.h"
#include "TestDatabases.h"
#include "UnitSimulator.h"
#include "WhenModal.h"
#include "frmEvaluationMaintenance.h"
#include "frmTemplateMaintenance.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>

namespace {

template <typename T> T* find(QWidget* in, const char* name, int index = -1) {
    for (T* control : in->findChildren<T*>(QString::fromLatin1(name))) {
        if (index < 0 || control->property("index").toInt() == index)
            return control;
    }
    qFatal("no control %s %d", name, index);
}

QAction* button(QWidget* window, const char* key) {
    for (QAction* action : find<QToolBar>(window, "Toolbar1")->actions()) {
        if (action->objectName() == QLatin1String(key))
            return action;
    }
    qFatal("no toolbar button %s", key);
}

void activate(QWidget* window) {
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

void leaveTo(QWidget* control) {
    control->setFocus();
    QTRY_VERIFY(control->hasFocus());
}

QStringList printouts() {
    return QDir(qEnvironmentVariable("KESTRIVO_PRINT_DIR")).entryList({"job-*.pdf"}, QDir::Files);
}

} // namespace

// The whole journey of a user, through the real windows by their controls' names: a template
// built in the template window and uploaded, evaluations filled on the unit, downloaded and
// added, one opened, changed and saved, and the group summary previewed and printed.
class tst_Journey : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<HandheldFixture> m_fixture;

    const Database& db() { return m_fixture->db(); }
    int count(const QString& sql) { return db().scalar(sql).toInt(); }

    void buildTemplate() {
        frmTemplateMaintenance window(m_fixture->session(), showReportTemplate);
        activate(&window);
        leaveTo(find<QComboBox>(&window, "cmbTemplate"));
        whenModal([](QWidget* dialog) {
            QTest::keyClicks(find<QLineEdit>(dialog, "txtField", 0), "Journey");
            QTest::mouseClick(find<QPushButton>(dialog, "cmdAdd"), Qt::LeftButton);
        });
        button(&window, "Add")->trigger();
        QCOMPARE(find<QComboBox>(&window, "cmbTemplate")->currentText(), QString("Journey"));
        activate(&window);

        // The group field's values, and a text field.
        auto* fields = find<BoundGridView>(&window, "jgEntryField");
        auto* values = find<BoundGridView>(&window, "jgFieldValue");
        GridInput::typeInto(fields, 1, 2, "Inspector");
        GridInput::typeInto(fields, 0, 2, "Site");
        GridInput::typeInto(values, 0, 2, "North");
        GridInput::typeInto(values, 1, 2, "South");
        leaveTo(find<QLineEdit>(&window, "txtField", 0));
        QTRY_COMPARE(count("SELECT COUNT(*) FROM TemplateFieldValue WHERE FieldValue IN ('North', 'South')"), 2);
        QCOMPARE(count("SELECT COUNT(*) FROM TemplateField WHERE FieldLabel IN ('Site', 'Inspector')"), 2);

        // A question with answers and a pick list.
        auto* tabs = find<QTabWidget>(&window, "TabStrip");
        tabs->setCurrentIndex(1);
        auto* questions = find<BoundGridView>(&window, "jgQuestion");
        GridInput::typeInto(questions, 0, 2, "Clean?");
        auto* answers = find<BoundGridView>(&window, "jgAnswer");
        for (int row = 0; row < 3; ++row)
            GridInput::typeInto(answers, row, 2, QString::number(row + 1));
        auto* pickList = find<BoundGridView>(&window, "jgPicklist");
        GridInput::typeInto(pickList, 0, 2, "Floor");
        GridInput::typeInto(pickList, 1, 2, "Wall");
        leaveTo(find<QLineEdit>(&window, "txtField", 0));
        QTRY_COMPARE(count("SELECT COUNT(*) FROM TemplatePickList"), 2);
        QCOMPARE(count("SELECT COUNT(*) FROM TemplateAnswer"), 3);

        // The file name: the group, then the inspector.
        tabs->setCurrentIndex(2);
        auto* available = find<QListWidget>(&window, "lstAvailable");
        QTRY_COMPARE(available->count(), 2);
        for (int row = 0; row < 2; ++row) {
            const QRect item = available->visualItemRect(available->item(row));
            QTest::mouseClick(available->viewport(), Qt::LeftButton, {}, item.center());
            QTest::mouseDClick(available->viewport(), Qt::LeftButton, {}, item.center());
        }
        QTRY_COMPARE(count("SELECT COUNT(*) FROM FileNameField"), 2);

        leaveTo(find<QComboBox>(&window, "cmbTemplate"));
        m_prompter->answer(PromptAnswer::Ok);
        button(&window, "Upload")->trigger();
        QCOMPARE(m_prompter->last().text, QString("Transfer Completed."));
        window.close();
        QVERIFY(!window.isVisible());
    }

    void downloadAndAdd(frmEvaluationMaintenance& window) {
        button(&window, "Download")->trigger();
        auto* list = find<QListView>(&window, "lstEvaluations");
        QCOMPARE(list->model()->rowCount(), 6);
        QTest::mouseClick(find<QPushButton>(&window, "cmdSelectAll"), Qt::LeftButton);
        m_prompter->answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        button(&window, "Add")->trigger();
        QCOMPARE(m_prompter->last().text, QString("Selected files copied"));
        QCOMPARE(count("SELECT COUNT(*) FROM Evaluation"), 6);
        QCOMPARE(m_fixture->unitFiles(), QStringList());
    }

    void openChangeAndSave(frmEvaluationMaintenance& window) {
        auto* tabBar = find<QTabWidget>(&window, "TabStrip")->tabBar();
        QTest::mouseClick(tabBar, Qt::LeftButton, {}, tabBar->tabRect(1).center());
        const QString fileName = db().scalar("SELECT FileName FROM Evaluation ORDER BY FileName").toString();
        whenModal([fileName](QWidget* dialog) {
            auto* lines = find<QListView>(dialog, "lstFileName");
            const QList<int> found = ListViewRows::rowsStartingWith(lines, fileName.section('.', 0, 0));
            QVERIFY(!found.isEmpty());
            lines->setCurrentIndex(lines->model()->index(found.first(), 0));
            QTest::mouseClick(find<QPushButton>(dialog, "cmdSelect"), Qt::LeftButton);
        });
        QTest::mouseClick(find<QPushButton>(&window, "cmdFile"), Qt::LeftButton);
        auto* menu = find<QListWidget>(&window, "lstMenuItems");
        QTest::mouseClick(menu->viewport(), Qt::LeftButton, {},
                          menu->visualItemRect(menu->findItems("Open", Qt::MatchExactly).first()).center());
        activate(&window);
        QTRY_COMPARE(find<QLineEdit>(&window, "txtFileName")->text(), fileName);

        // The inspector is the second field; the file name follows it.
        auto* inspector = find<QLineEdit>(&window, "txtField", 2);
        leaveTo(inspector);
        inspector->selectAll();
        QTest::keyClicks(inspector, "Zed");
        leaveTo(find<QLineEdit>(&window, "txtFileName"));
        m_prompter->answer(PromptAnswer::Yes).answer(PromptAnswer::Yes);
        QTest::mouseClick(find<QPushButton>(&window, "cmdFile"), Qt::LeftButton);
        QTest::mouseClick(menu->viewport(), Qt::LeftButton, {},
                          menu->visualItemRect(menu->findItems("Save", Qt::MatchExactly).first()).center());
        QCOMPARE(count("SELECT COUNT(*) FROM Evaluation"), 6);
        QCOMPARE(count("SELECT COUNT(*) FROM EvaluationField WHERE EnteredValue='Zed'"), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM Evaluation WHERE FileName LIKE '%Zed'"), 1);
    }

    void previewAndPrintGroupSummary() {
        QPointer<QWidget> window = createReportParameters(nullptr);
        activate(window);
        auto* reports = find<QListWidget>(window, "lstReports");
        reports->setCurrentItem(reports->findItems("Group Summary by Evaluation", Qt::MatchExactly).first());
        auto* templates = find<QComboBox>(window, "cmbTemplate");
        templates->setCurrentIndex(templates->findText("Journey"));
        Q_EMIT templates->activated(templates->currentIndex());
        auto* files = find<QListView>(window, "lstFileName");
        QTRY_VERIFY(ListViewRows::count(files) > 0);
        QTest::mouseClick(find<QPushButton>(window, "cmdSelectAll"), Qt::LeftButton);
        QCOMPARE(ListViewRows::selectedCount(files), ListViewRows::count(files));

        QString previewed;
        whenModal([&previewed](QWidget* modal) { previewed = modal->objectName(); });
        for (QAction* action : find<QToolBar>(window, "Toolbar1")->actions()) {
            if (action->text() == QLatin1String("Prevw"))
                action->trigger();
        }
        QTRY_COMPARE(previewed, QString("frmPrintPreview"));
        const int before = int(printouts().size());
        m_prompter->answer(PromptAnswer::Ok);
        for (QAction* action : find<QToolBar>(window, "Toolbar1")->actions()) {
            if (action->text() == QLatin1String("Print"))
                action->trigger();
        }
        QTRY_COMPARE(int(printouts().size()), before + 1);
        QCOMPARE(m_prompter->last().title, QString("Print"));
        delete window;
    }

private Q_SLOTS:
    void journey_data() { TestDatabases::addEngines(); }
    void journey() {
        QFETCH(DatabaseEngine, engine);
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_fixture = std::make_unique<HandheldFixture>(TestDatabases::freshConnectionString(engine));
        programSettings().LayoutPath = qEnvironmentVariable("KESTRIVO_SOURCE_DIR") + "/app/grid/layouts/";
        programSettings().ReportDataPath = m_fixture->folder() + "data/Report.db";

        buildTemplate();
        if (QTest::currentTestFailed())
            return;
        UnitSimulator unit(m_fixture->unitRoot());
        QCOMPARE(unit.fill("Journey.evt", 6, 7).size(), 6);

        frmEvaluationMaintenance evaluations(m_fixture->session());
        activate(&evaluations);
        downloadAndAdd(evaluations);
        if (QTest::currentTestFailed())
            return;
        openChangeAndSave(evaluations);
        if (QTest::currentTestFailed())
            return;
        evaluations.close();
        QVERIFY(!evaluations.isVisible());

        previewAndPrintGroupSummary();
        QCOMPARE(m_prompter->pending(), 0);
        m_fixture.reset();
        m_prompter.reset();
    }
};

QTEST_MAIN(tst_Journey)
#include "tst_journey.moc"
