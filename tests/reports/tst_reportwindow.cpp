#include "ReportTestbed.h"
#include "ReportWindows.h"
#include "TestDatabases.h"
#include "WhenModal.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
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
class tst_ReportWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<ReportTestbed> m_bed;
    qint64 m_audit = 0;
    QPointer<QWidget> m_window;

    template <typename T> T* control(const char* name) const {
        T* found = m_window->findChild<T*>(name);
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    void chooseTemplate(const QString& name) {
        auto* templates = control<QComboBox>("cmbTemplate");
        const int index = templates->findText(name);
        templates->setCurrentIndex(index);
        Q_EMIT templates->activated(index);
    }

private Q_SLOTS:
    void init() {
        m_bed = std::make_unique<ReportTestbed>(DatabaseEngine::SQLite);
        EvaluationFixture& build = m_bed->build();
        build.setCompany("Halvane", 3);
        m_audit = build.addTemplate("Audit");
        const qint64 groups = build.addGroupField(m_audit, {"North", "South"});
        const qint64 inspector = build.addField(m_audit, {"Inspector", 0, {}, 2});
        const qint64 q1 = build.addQuestion(m_audit, "Clean?", {"1", "2", "3"}, {"Floor"}, 1);
        for (const char* name : {"Ann", "Bo", "Cy"})
            build.addEvaluation(m_audit, build.valueKey(groups, "North"), QString(name) + ".evl", {{inspector, name}},
                                {{q1, {"2", false, {"Floor"}}}});
        m_window = createReportParameters(nullptr);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
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
        QCOMPARE(reports->count(), 3);
        reports->setCurrentRow(rowOf(reports, "Group Summary by Evaluation"));
        chooseTemplate("Audit");
        auto* groups = control<QListWidget>("lstGroup");
        QCOMPARE(groups->count(), 1); // only the groups that evaluations use
        QVERIFY(groups->item(0)->isSelected());
        auto* files = control<QListWidget>("lstFileName");
        QCOMPARE(files->count(), 3);
        files->setFocus();
        QCOMPARE(control<QLabel>("StatusBar1Panel1")->text(), QString("Select the evaluation to print"));
        QTest::mouseClick(control<QPushButton>("cmdSelectAll"), Qt::LeftButton);
        QCOMPARE(files->selectedItems().size(), 3);

        QString previewed;
        whenModal([&previewed](QWidget* modal) { previewed = modal->objectName(); });
        button(m_window, "Prevw")->trigger();
        QTRY_COMPARE(previewed, QString("frmPrintPreview"));
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmReportGroupSummary"));

        const int before = int(printouts().size());
        button(m_window, "Print")->trigger();
        QTRY_COMPARE(int(printouts().size()), before + 1);
        QTRY_VERIFY(!m_window->findChild<QWidget*>("frmReportGroupSummary"));
        QCOMPARE(m_bed->prompter().shown().size(), 0);
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
        control<QListWidget>("lstFileName")->setFocus();
        QCOMPARE(begin->text(), QString("01/01/02"));
        QCOMPARE(control<QListWidget>("lstFileName")->count(), 3);
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
