#include "AuditReportTest.h"
#include "ClickedPrompter.h"
#include "Database.h"
#include "ListViewRows.h"
#include "ReportCapture.h"
#include "ReportTestbed.h"
#include "ReportWindows.h"
#include "TestDatabases.h"
#include "WhenModal.h"
#include "WindowControls.h"
#include "WindowInput.h"
#include "frmReportParameters.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>

namespace {

QAction* button(QWidget* window, const QString& caption) {
    for (QAction* action : window->findChild<QToolBar*>("Toolbar1")->actions())
        if (action->text() == caption)
            return action;
    return nullptr;
}

int rowOf(QListWidget* list, const QString& text) {
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->text() == text)
            return row;
    return -1;
}

QStringList printouts() {
    return QDir(qEnvironmentVariable("KESTRIVO_PRINT_DIR")).entryList({"job-*.pdf"}, QDir::Files);
}

} // namespace

// The report windows driven offscreen through their controls' names, as a user drives them.
class tst_ReportWindow : public AuditReportTest {
    Q_OBJECT

    qint64 m_inspector = 0;
    qint64 m_question = 0;
    QPointer<QWidget> m_window;

    template <typename T> T* control(const char* name) const { return WindowControls::control<T>(m_window, name); }
    void chooseTemplate(const QString& name) {
        auto* templates = control<QComboBox>("cmbTemplate");
        const int index = templates->findText(name);
        templates->setCurrentIndex(index);
        Q_EMIT templates->activated(index);
    }

    QString status() const { return control<QLabel>("StatusBar1Panel1")->text(); }
    QLineEdit* date(int index) const {
        for (QLineEdit* box : m_window->findChildren<QLineEdit*>("MskField"))
            if (box->property("index").toInt() == index)
                return box;
        qFatal("no date field %d", index);
    }
    // Clicks the entry of that text in a list, with the keys held.
    static bool clickEntry(QListWidget* list, const QString& text, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        return WindowInput::clickItem(list, list->model()->index(rowOf(list, text), 0), keys);
    }
    int columnFieldRows() const { return m_bed->db().scalar("SELECT COUNT(*) FROM ReportColumnField").toInt(); }

private Q_SLOTS:
    void init() {
        startAudit(TestDatabases::engineOfRow(), {"North", "South"});
        m_inspector = build().addField(m_audit, {"Inspector", 0, {}, 2});
        m_question = build().addQuestion(m_audit, "Clean?", {"1", "2", "3"}, {"Floor"}, 1);
        for (const char* name : {"Ann", "Bo", "Cy"})
            build().addEvaluation(m_audit, group("North"), QString(name) + ".evl", {{m_inspector, name}},
                                  {{m_question, {"2", false, {"Floor"}}}});
        m_window = createReportParameters(nullptr);
        QVERIFY(WindowInput::activate(m_window));
    }
    void cleanup() {
        delete m_window;
        m_bed.reset();
    }

    // Preview and print the group summary from the window; the generator window closes
    // itself after each run.
    void previewAndPrintGroupSummary() {
        QCOMPARE(m_window->windowTitle(), QString("Report Generator"));
        auto* reports = control<QListWidget>("lstReports");
        QCOMPARE(reports->count(), 4);
        reports->setCurrentRow(rowOf(reports, "Group Summary by Evaluation"));
        chooseTemplate("Audit");
        auto* groups = control<QListWidget>("lstGroup");
        QCOMPARE(groups->count(), 1); // only the groups that evaluations use
        QVERIFY(groups->item(0)->isSelected());
        auto* files = control<QListView>("lstFileName");
        QCOMPARE(ListViewRows::count(files), 3);
        files->setFocus();
        QCOMPARE(control<QLabel>("StatusBar1Panel1")->text(), QString("Select the evaluation to print"));
        QTest::mouseClick(control<QPushButton>("cmdSelectAll"), Qt::LeftButton);
        QCOMPARE(ListViewRows::selectedCount(files), 3);

        QString previewed;
        whenModal([&previewed](QWidget* modal) { previewed = modal->objectName(); });
        button(m_window, "Prevw")->trigger();
        QTRY_COMPARE(previewed, QString("frmPrintPreview"));
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmReportGroupSummary"));

        const int before = int(printouts().size());
        m_bed->prompter().answer(PromptAnswer::Ok);
        button(m_window, "Print")->trigger();
        QTRY_COMPARE(int(printouts().size()), before + 1);
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmReportGroupSummary"));
        // Printed straight to a PDF file: the user is told which.
        QCOMPARE(m_bed->prompter().shown().size(), 1);
        QCOMPARE(m_bed->prompter().last().title, QString("Print"));
        QVERIFY(m_bed->prompter().last().text.endsWith(printouts().constLast()));
    }

    // A check that fails says so and hands nothing over; an impossible date is put back.
    void checksAndDates() {
        m_bed->prompter().answer(PromptAnswer::Ok);
        button(m_window, "Print")->trigger();
        QCOMPARE(m_bed->prompter().last().title, QString("Selection Error"));

        QList<QLineEdit*> dates = m_window->findChildren<QLineEdit*>("MskField");
        QCOMPARE(dates.size(), 2);
        QLineEdit* begin = dates.first()->property("index").toInt() == 0 ? dates.first() : dates.last();
        begin->setFocus();
        QCOMPARE(control<QLabel>("StatusBar1Panel1")->text(),
                 QString("Enter the begin download date to filter file names by"));
        begin->setText("13/45/02");
        control<QListView>("lstFileName")->setFocus();
        QCOMPARE(begin->text(), QString("01/01/02"));
        QCOMPARE(ListViewRows::count(control<QListView>("lstFileName")), 3);
    }

    // Add opens "Add Column Field"; the chosen field becomes a column of the report.
    void addColumnField() {
        auto* reports = control<QListWidget>("lstReports");
        QVERIFY(!control<QTableView>("jgColumnFields")->isEnabled());
        QVERIFY(!button(m_window, "Add")->isEnabled());
        reports->setCurrentRow(rowOf(reports, "Group Summary by Group"));
        chooseTemplate("Audit");
        QVERIFY(control<QTableView>("jgColumnFields")->isEnabled());
        QVERIFY(button(m_window, "Add")->isEnabled());
        QString caption;
        whenModal([&caption](QWidget* dialog) {
            caption = dialog->windowTitle();
            auto* fields = dialog->findChild<QComboBox*>("cmbTemplateField");
            fields->setCurrentIndex(fields->findText("Inspector"));
            QTest::mouseClick(dialog->findChild<QPushButton*>("cmdAdd"), Qt::LeftButton);
        });
        button(m_window, "Add")->trigger();
        QCOMPARE(caption, QString("Add Column Field"));
        QAbstractItemModel* model = control<QTableView>("jgColumnFields")->model();
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->headerData(4, Qt::Horizontal).toString(), QString("Report Columns"));
    }

    // A report, a template and two groups chosen by mouse (the second with Ctrl), Select All
    // and Prevw; a report that takes one group says so in a box answered by clicking OK.
    void reportByHand_data() { TestDatabases::addEngines(); }
    void reportByHand() {
        build().addEvaluation(m_audit, group("South"), "Di.evl", {{m_inspector, "Di"}},
                              {{m_question, {"3", false, {}}}});
        ClickedPrompter boxes;
        auto* reports = control<QListWidget>("lstReports");
        QVERIFY(clickEntry(reports, "Group Summary by Evaluation"));
        QCOMPARE(status(), QString("Select the report to print!"));
        QVERIFY(WindowInput::chooseFromList(control<QComboBox>("cmbTemplate"), "Audit"));
        auto* groups = control<QListWidget>("lstGroup");
        QCOMPARE(groups->count(), 2);
        QCOMPARE(groups->selectedItems().size(), 1);
        QVERIFY(clickEntry(groups, "South", Qt::ControlModifier));
        QCOMPARE(status(), QString("Select the groups to filter on the report"));
        QCOMPARE(groups->selectedItems().size(), 2);
        auto* files = control<QListView>("lstFileName");
        QCOMPARE(ListViewRows::count(files), 4);
        QVERIFY(WindowInput::click(control<QPushButton>("cmdSelectAll")));
        QCOMPARE(ListViewRows::selectedCount(files), 4);

        boxes.answer("OK");
        QVERIFY(WindowInput::clickButton(button(m_window, "Prevw")));
        QCOMPARE(boxes.last().title, QString("Report Error"));
        QCOMPARE(boxes.last().text, QString("You cannot select multiple groups for this report"));
        QVERIFY(!m_window->findChild<QWidget*>("frmReportGroupSummary"));

        QVERIFY(clickEntry(reports, "Group Summary by Group"));
        QCOMPARE(groups->selectedItems().size(), 2);
        QVERIFY(WindowInput::click(control<QPushButton>("cmdSelectAll")));
        QCOMPARE(ListViewRows::selectedCount(files), 4);
        QString previewed;
        whenModal([&previewed](QWidget* preview) {
            previewed = preview->objectName();
            QVERIFY(WindowInput::press(Qt::Key_Escape));
        });
        QVERIFY(WindowInput::clickButton(button(m_window, "Prevw")));
        QTRY_COMPARE(previewed, QString("frmPrintPreview"));
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmReportGroupSummary"));
        QCOMPARE(boxes.pending(), 0);
    }

    // Cancel on the generator window while it records: the run stops, nothing is previewed
    // or kept, and the window closes.
    void cancelByHand() {
        for (int i = 0; i < 200; ++i)
            build().addEvaluation(m_audit, group("North"), QString("E%1.evl").arg(i), {{m_inspector, "Ed"}},
                                  {{m_question, {"1", false, {}}}});
        QVERIFY(clickEntry(control<QListWidget>("lstReports"), "Evaluation Report"));
        QVERIFY(WindowInput::click(control<QPushButton>("cmdSelectAll")));
        bool clicked = false;
        QString previewed;
        QTimer cancelling;
        cancelling.setInterval(0);
        connect(&cancelling, &QTimer::timeout, [&] {
            // A preview that should not come is noted and closed, so the test fails rather
            // than waits.
            if (QWidget* modal = QApplication::activeModalWidget()) {
                previewed = modal->objectName();
                modal->close();
            }
            auto* generator = m_window->findChild<QWidget*>("frmReportEvaluation");
            auto* cancel = generator ? generator->findChild<QPushButton*>("cmdCancel") : nullptr;
            if (cancel && cancel->isVisible() && !clicked)
                clicked = WindowInput::click(cancel);
        });
        cancelling.start();
        QVERIFY(WindowInput::clickButton(button(m_window, "Prevw")));
        QTRY_VERIFY(clicked);
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmReportEvaluation"));
        QTest::qWait(100);
        cancelling.stop();
        QCOMPARE(previewed, QString());
        QCOMPARE(ReportCapture::storedRows(), 0);
        QCOMPARE(m_bed->prompter().shown().size(), 0);
    }

    // Add and Del of the column grid by mouse: Del takes the current row only once the user
    // is in the grid.
    void columnFieldsByHand_data() { TestDatabases::addEngines(); }
    void columnFieldsByHand() {
        auto* reports = control<QListWidget>("lstReports");
        auto* grid = control<QTableView>("jgColumnFields");
        QVERIFY(clickEntry(reports, "Evaluation Report"));
        QVERIFY(!grid->isEnabled());
        QVERIFY(!button(m_window, "Add")->isEnabled() && !button(m_window, "Del")->isEnabled());
        QVERIFY(clickEntry(reports, "Group Summary by Group"));
        QVERIFY(WindowInput::chooseFromList(control<QComboBox>("cmbTemplate"), "Audit"));
        QVERIFY(grid->isEnabled());
        QVERIFY(button(m_window, "Add")->isEnabled() && button(m_window, "Del")->isEnabled());

        QString caption;
        whenModal([&caption](QWidget* dialog) {
            caption = dialog->windowTitle();
            QVERIFY(WindowInput::chooseFromList(dialog->findChild<QComboBox*>("cmbTemplateField"), "Inspector"));
            QVERIFY(WindowInput::click(dialog->findChild<QPushButton*>("cmdAdd")));
        });
        QVERIFY(WindowInput::clickButton(button(m_window, "Add")));
        QCOMPARE(caption, QString("Add Column Field"));
        QTRY_COMPARE(grid->model()->rowCount(), 1);
        QCOMPARE(grid->model()->index(0, 4).data().toString(), QString("Inspector"));
        QCOMPARE(columnFieldRows(), 1);

        QVERIFY(clickEntry(reports, "Group Summary by Group"));
        QVERIFY(WindowInput::clickButton(button(m_window, "Del")));
        QCOMPARE(grid->model()->rowCount(), 1);
        QCOMPARE(columnFieldRows(), 1);

        QVERIFY(WindowInput::click(grid->viewport(), grid->visualRect(grid->model()->index(0, 4)).center()));
        QCOMPARE(status(), QString("Add / Delete column(s) used for report header"));
        QVERIFY(WindowInput::clickButton(button(m_window, "Del")));
        QCOMPARE(grid->model()->rowCount(), 0);
        QCOMPARE(columnFieldRows(), 0);
    }

    // More evaluations than the list reads at once, by keyboard and mouse: End shows the last
    // line, PageUp a page above it, a click selects, Select All hands every evaluation over in
    // list order, and typing a name's start goes to its line.
    void longListByKeyboard_data() { TestDatabases::addEngines(); }
    void longListByKeyboard() {
        const qint64 south = group("South");
        {
            Transaction transaction(m_bed->db());
            for (int i = 0; i < 500; ++i)
                build().addEvaluation(m_audit, south, QString("s%1.evl").arg(i, 3, 10, QLatin1Char('0')), {}, {});
            transaction.commit();
        }
        QVERIFY(clickEntry(control<QListWidget>("lstReports"), "Evaluation Report"));
        QVERIFY(WindowInput::chooseFromList(control<QComboBox>("cmbTemplate"), "Audit"));
        QVERIFY(clickEntry(control<QListWidget>("lstGroup"), "South"));
        auto* files = control<QListView>("lstFileName");
        QCOMPARE(ListViewRows::count(files), 503);
        QVERIFY(WindowInput::clickItem(files, files->model()->index(0, 0)));
        QVERIFY(WindowInput::press(Qt::Key_End));
        QCOMPARE(files->currentIndex().row(), 502);
        QVERIFY(files->viewport()->rect().contains(files->visualRect(files->currentIndex())));
        QCOMPARE(files->currentIndex().data().toString().left(19).trimmed(), QString("s499"));
        QVERIFY(WindowInput::press(Qt::Key_PageUp));
        const int row = files->currentIndex().row();
        QVERIFY2(row > 3 && row < 502, qPrintable(QString::number(row)));
        QCOMPARE(files->currentIndex().data().toString().left(19).trimmed(),
                 QString("s%1").arg(row - 3, 3, 10, QLatin1Char('0')));
        QVERIFY(WindowInput::clickItem(files, files->currentIndex()));
        ReportParameters& logic = static_cast<frmReportParameters*>(m_window.data())->logic();
        QCOMPARE(logic.fileSelection().count(true), 2);
        QVERIFY(logic.fileSelection().at(0) && logic.fileSelection().at(row));
        QCOMPARE(logic.currentFile(), row);

        QVERIFY(WindowInput::click(control<QPushButton>("cmdSelectAll")));
        QCOMPARE(ListViewRows::selectedCount(files), 503);
        const std::optional<ReportRequest> request = logic.checkedRequest(true);
        QVERIFY(request);
        QCOMPARE(request->selectedEvaluations(), logic.files().keys());
        QVERIFY(WindowInput::click(control<QPushButton>("cmdClearAll")));
        QCOMPARE(ListViewRows::selectedCount(files), 0);
        QCOMPARE(logic.fileSelection().count(true), 0);

        QVERIFY(WindowInput::clickItem(files, files->model()->index(0, 0)));
        QVERIFY(WindowInput::type("S421"));
        QCOMPARE(files->currentIndex().data().toString().left(19).trimmed(), QString("s421"));
        QVERIFY(files->viewport()->rect().contains(files->visualRect(files->currentIndex())));
    }

    // A date being typed stays as it is while the user is in another window; leaving the box
    // afterwards still puts back the date it had when the user entered it.
    void dateAcrossWindows() {
        QLineEdit* begin = date(0);
        QVERIFY(WindowInput::click(begin));
        QVERIFY(WindowInput::press(Qt::Key_Home) && WindowInput::type("134502"));
        QVERIFY(WindowInput::switchAwayAndBack(m_window));
        QVERIFY(begin->hasFocus());
        QCOMPARE(begin->text(), QString("13/45/02"));
        auto* files = control<QListView>("lstFileName");
        QVERIFY(WindowInput::clickItem(files, files->model()->index(0, 0)));
        QCOMPARE(begin->text(), QString("01/01/02"));
        QCOMPARE(ListViewRows::count(files), 3);

        QVERIFY(WindowInput::click(date(1)));
        QVERIFY(WindowInput::press(Qt::Key_Home) && WindowInput::type("01"));
        QVERIFY(WindowInput::press(Qt::Key_Tab));
        QCOMPARE(date(1)->text(), QString("01/31/29"));
    }

    // "Answer Chart by Group" chosen by mouse runs like the other reports: Prevw shows it in
    // the preview window, Print prints it; its own window shows progress and closes.
    void answerChartByHand_data() { TestDatabases::addEngines(); }
    void answerChartByHand() {
        ClickedPrompter boxes;
        QVERIFY(clickEntry(control<QListWidget>("lstReports"), "Answer Chart by Group"));
        QVERIFY(!control<QTableView>("jgColumnFields")->isEnabled());
        QVERIFY(WindowInput::chooseFromList(control<QComboBox>("cmbTemplate"), "Audit"));
        QVERIFY(WindowInput::click(control<QPushButton>("cmdSelectAll")));
        QString previewed;
        QPointer<QWidget> generator;
        whenModal([&](QWidget* preview) {
            previewed = preview->objectName() + ":" + preview->windowTitle();
            generator = m_window->findChild<QWidget*>("frmReportAnswerChart");
            QVERIFY(WindowInput::press(Qt::Key_Escape));
        });
        QVERIFY(WindowInput::clickButton(button(m_window, "Prevw")));
        QTRY_COMPARE(previewed, QString("frmPrintPreview:Print Preview"));
        QTRY_VERIFY(!generator);

        const int before = int(printouts().size());
        boxes.answer("OK");
        QVERIFY(WindowInput::clickButton(button(m_window, "Print")));
        QTRY_COMPARE(int(printouts().size()), before + 1);
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmReportAnswerChart"));
        // Printed straight to a PDF file: the user is told which, and nothing else.
        QTRY_COMPARE(boxes.pending(), 0);
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.last().title, QString("Print"));
        QVERIFY(boxes.last().text.endsWith(printouts().constLast()));
    }

    // The template editor's Print: the listing is previewed and its window closes itself.
    void templateListing() {
        QString previewed;
        whenModal([&previewed](QWidget* modal) { previewed = modal->objectName(); });
        showReportTemplate(m_window, m_audit);
        QTRY_COMPARE(previewed, QString("frmPrintPreview"));
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmReportTemplate"));
    }
};

QTEST_MAIN(tst_ReportWindow)
#include "tst_reportwindow.moc"
