#include "ControlMessages.h"
#include "FormToolbar.h"
#include "PdfProbe.h"
#include "RecordingPrinter.h"
#include "ReportSession.h"
#include "ScriptedPrompter.h"
#include "SharedControlState.h"
#include "WhenModal.h"
#include "frmPrintPages.h"
#include "frmPrintPreview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>
#include <memory>

namespace {

QRadioButton* option(QWidget* dialog, int index) {
    for (auto* button : dialog->findChildren<QRadioButton*>("optPages"))
        if (button->property("index").toInt() == index)
            return button;
    return nullptr;
}

QString printFolder() {
    return qEnvironmentVariable("KESTRIVO_PRINT_DIR");
}

QStringList printedJobs() {
    return QDir(printFolder()).entryList({"job-*.pdf"}, QDir::Files, QDir::Name);
}

} // namespace

class tst_PrintPreviewWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<ReportSession> m_session;
    frmPrintPages m_printPages;
    qint32 m_key = 0;

    void text(const QString& value, qint32 page, qint16 orientation = 1) {
        qint16 y = 1440;
        m_session->ppReport_PrintData(m_key, y, 1440, value, page, orientation, false, 12, 300, "Arial", false, 0, 0,
                                      false, false, false);
    }
    std::unique_ptr<frmPrintPreview> openPreview() {
        auto window = std::make_unique<frmPrintPreview>(m_key, m_printPages);
        window->show();
        return window;
    }
    template <typename T> static T* child(QWidget* window, const QString& name) {
        T* found = window->findChild<T*>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    static qint64 pictureKey(QWidget* window) { return child<QLabel>(window, "Document")->pixmap().cacheKey(); }

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_prompter = std::make_unique<ScriptedPrompter>();
        ControlMessages::setPrompter(m_prompter.get());
        SharedControlState::instance().setConnectionString("Provider=SQLite;Data Source=" +
                                                           m_dir->filePath("Report.db"));
        m_session = std::make_unique<ReportSession>([](qint32) {},
                                                    []() -> PrinterTarget& {
                                                        static RecordingPrinter unused;
                                                        return unused;
                                                    });
        m_key = m_session->ppReportStart(false, false);
        QDir(printFolder()).removeRecursively();
    }
    void cleanup() {
        m_session.reset();
        ControlMessages::setPrompter(nullptr);
        QCOMPARE(m_prompter->pending(), 0);
        m_prompter.reset();
        m_dir.reset();
    }

    void theWindowHasItsControls() {
        text("One", 1);
        auto window = openPreview();
        QCOMPARE(window->objectName(), QString("frmPrintPreview"));
        QCOMPARE(window->windowTitle(), QString("Print Preview"));
        QStringList buttons;
        for (QAction* action : child<QToolBar>(window.get(), "Toolbar1")->actions())
            buttons << (action->isSeparator() ? "|" : toolbarButtonKey(action));
        QCOMPARE(buttons, QStringList({"Exit", "|", "Print"}));
        QCOMPARE(child<QLabel>(window.get(), "lblLabel")->text(), QString("Page:"));
        QCOMPARE(child<QPushButton>(window.get(), "cmdBeginPage")->toolTip(), QString("Beginning of Document"));
        QCOMPARE(child<QPushButton>(window.get(), "cmdPrevious")->toolTip(), QString("Previous Page"));
        QCOMPARE(child<QPushButton>(window.get(), "cmdNext")->toolTip(), QString("Next Page"));
        QCOMPARE(child<QPushButton>(window.get(), "cmdEndPage")->toolTip(), QString("End of Document"));
        QStringList items;
        for (QAction* action : child<QMenu>(window.get(), "mnuFile")->actions())
            if (!action->isSeparator())
                items << action->objectName() + "=" + action->text();
        QCOMPARE(items, QStringList(
                            {"mnuPrint=&Print", "mnuSetup=Print Set&up", "mnuSavePdf=Save as &PDF…", "mnuExit=E&xit"}));
        QVERIFY(child<QFrame>(window.get(), "Container"));
        QCOMPARE(child<QLabel>(window.get(), "Document")->size(), QSize(816, 1056));
        QCOMPARE(child<QLineEdit>(window.get(), "txtPage")->text(), QString("1"));
    }

    void pageButtonsMoveAndStopAtTheEnds() {
        for (qint32 page = 1; page <= 3; ++page)
            text(QString("Page %1").arg(page), page);
        auto window = openPreview();
        auto* page = child<QLineEdit>(window.get(), "txtPage");
        const qint64 first = pictureKey(window.get());
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdPrevious"), Qt::LeftButton);
        QCOMPARE(pictureKey(window.get()), first); // page 1: nothing redrawn
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdNext"), Qt::LeftButton);
        QCOMPARE(page->text(), QString("2"));
        QVERIFY(pictureKey(window.get()) != first);
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdEndPage"), Qt::LeftButton);
        QCOMPARE(page->text(), QString("3"));
        const qint64 last = pictureKey(window.get());
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdNext"), Qt::LeftButton);
        QCOMPARE(page->text(), QString("3"));
        QCOMPARE(pictureKey(window.get()), last);
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdBeginPage"), Qt::LeftButton);
        QCOMPARE(window->logic().currentPage(), 1);
        QCOMPARE(page->text(), QString("1"));
    }

    void typedPagesOutsideTheReportAreUndone_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("zero") << "0"
                              << "2";
        QTest::newRow("beyond the last") << "4"
                                         << "2";
        QTest::newRow("not a number") << "abc"
                                      << "2";
        QTest::newRow("rounded up") << "2.6"
                                    << "3";
        QTest::newRow("rounded down") << " 1.2 "
                                      << "1";
        QTest::newRow("last") << "3"
                              << "3";
    }
    void typedPagesOutsideTheReportAreUndone() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        for (qint32 page = 1; page <= 3; ++page)
            text(QString("Page %1").arg(page), page);
        auto window = openPreview();
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdNext"), Qt::LeftButton);
        auto* page = child<QLineEdit>(window.get(), "txtPage");
        page->setText(typed);
        Q_EMIT page->editingFinished();
        QCOMPARE(page->text(), shown);
        QCOMPARE(window->logic().currentPage(), shown.toInt());
    }

    void scrollBarsAppearOnlyWhenThePageDoesNotFit() {
        text("Tall page", 1);
        text("Wide page", 2, 2);
        auto window = openPreview();
        auto* container = child<QFrame>(window.get(), "Container");
        auto* vertical = child<QScrollBar>(window.get(), "VScroll1");
        auto* horizontal = child<QScrollBar>(window.get(), "HScroll1");
        auto* document = child<QLabel>(window.get(), "Document");

        window->resize(1000, 1500);
        QVERIFY(container->height() > 1056);
        QVERIFY(!vertical->isVisibleTo(window.get()));
        QVERIFY(container->width() > 816);
        QVERIFY(!horizontal->isVisibleTo(window.get()));

        window->resize(700, 500);
        QVERIFY(vertical->isVisibleTo(window.get()));
        QCOMPARE(vertical->maximum(), 15840 - container->height() * 15);
        QCOMPARE(vertical->pageStep(), container->height() * 15);
        QCOMPARE(vertical->singleStep(), container->height() * 15 / 10);
        QCOMPARE(vertical->x(), container->x() + container->width());
        QCOMPARE(vertical->height(), container->height());
        QCOMPARE(horizontal->y(), container->y() + container->height());
        QCOMPARE(horizontal->maximum(), std::max(0, 12240 - container->width() * 15));

        vertical->setValue(3000);
        QCOMPARE(document->y(), -200);
        window->resize(720, 520); // every resize goes back to the top-left corner
        QCOMPARE(vertical->value(), 0);
        QCOMPARE(document->pos(), QPoint(0, 0));

        QTest::mouseClick(child<QPushButton>(window.get(), "cmdNext"), Qt::LeftButton);
        QCOMPARE(document->size(), QSize(1056, 816));
        QCOMPARE(horizontal->maximum(), 15840 - container->width() * 15);
        QVERIFY(horizontal->isVisibleTo(window.get()));
    }

    void resizingKeepsControlsInProportion() {
        text("One", 1);
        auto window = openPreview();
        auto* panel = child<QWidget>(window.get(), "pnlControls");
        auto* page = child<QLineEdit>(window.get(), "txtPage");
        window->resize(window->width() * 2, window->height());
        QCOMPARE(panel->width(), 1600);
        QCOMPARE(page->geometry().left(), 100);
        QCOMPARE(page->width(), 120);
    }

    void aReportWithoutRowsShowsAnEmptyWindow() {
        auto window = openPreview();
        QCOMPARE(window->logic().lastPage(), 0);
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdNext"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdEndPage"), Qt::LeftButton);
        QCOMPARE(child<QLineEdit>(window.get(), "txtPage")->text(), QString("1"));
        whenModal([](QWidget* dialog) { QTest::mouseClick(child<QPushButton>(dialog, "cmdPrint"), Qt::LeftButton); });
        child<QMenu>(window.get(), "mnuFile")->findChild<QAction*>("mnuPrint")->trigger();
        QCOMPARE(printedJobs(), QStringList());
    }

    void aReportWithAnEmptyFirstPageCannotBeLoaded() {
        text("Late", 3);
        m_prompter->answer(PromptAnswer::Ok);
        auto window = openPreview();
        QCOMPARE(m_prompter->last().title, QString("Error: In Form Load"));
        QVERIFY(m_prompter->last().text.contains("Page 1"));
    }

    void printingAsksForPagesAndCopies() {
        for (qint32 page = 1; page <= 3; ++page)
            text(QString("Sheet %1").arg(page), page);
        auto window = openPreview();
        whenModal([](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QString("frmPrintPages"));
            QVERIFY(option(dialog, 0)->isChecked());
            child<QLineEdit>(dialog, "txtPages")->setFocus();
            QTest::keyClicks(child<QLineEdit>(dialog, "txtPages"), "1,3");
            auto* copies = child<QLineEdit>(dialog, "txtCopies");
            copies->selectAll();
            QTest::keyClicks(copies, "2");
            QVERIFY(option(dialog, 2)->isChecked());
            QTest::mouseClick(child<QPushButton>(dialog, "cmdPrint"), Qt::LeftButton);
        });
        const QAction* print = toolbarButton(window.get(), "Print");
        const_cast<QAction*>(print)->trigger();
        QCOMPARE(m_printPages.logic().ppOptIndex(), qint16(2));
        QCOMPARE(m_printPages.logic().ppCopies(), qint16(2));
        const QStringList jobs = printedJobs();
        QCOMPARE(jobs, QStringList({"job-0001.pdf", "job-0002.pdf", "job-0003.pdf", "job-0004.pdf"}));
        QStringList sheets;
        for (const QString& job : jobs)
            sheets << PdfProbe::text(QDir(printFolder()).filePath(job)).trimmed();
        QCOMPARE(sheets, QStringList({"Sheet 1", "Sheet 3", "Sheet 1", "Sheet 3"}));

        // Closing the dialog with its frame prints nothing, though the last choice stands.
        whenModal([](QWidget* dialog) {
            QVERIFY(option(dialog, 0)->isChecked());
            QCOMPARE(child<QLineEdit>(dialog, "txtCopies")->text(), QString("2"));
            dialog->close();
        });
        child<QMenu>(window.get(), "mnuFile")->findChild<QAction*>("mnuPrint")->trigger();
        QCOMPARE(printedJobs().size(), 4);
        QVERIFY(m_printPages.logic().ppPreviewAbort());
    }

    void theCopiesBoxTakesOnlyAWordOfCopies() {
        text("One", 1);
        auto window = openPreview();
        m_prompter->answer(PromptAnswer::Ok);
        whenModal([this](QWidget* dialog) {
            auto* copies = child<QLineEdit>(dialog, "txtCopies");
            auto* spin = child<QScrollBar>(dialog, "vscrCopies");
            QCOMPARE(spin->minimum(), 1);
            QCOMPARE(spin->maximum(), 32767);
            copies->setFocus();
            copies->selectAll();
            QTest::keyClick(copies, Qt::Key_0);
            QCOMPARE(copies->text(), QString("1"));
            copies->selectAll();
            QTest::keyClicks(copies, "3276");
            QCOMPARE(spin->value(), 3276);
            QTest::keyClick(copies, Qt::Key_9); // 32769
            QCOMPARE(copies->text(), QString("3276"));
            QCOMPARE(m_prompter->last().title, QString("Print Pages"));
            spin->setValue(12);
            QCOMPARE(copies->text(), QString("12"));
            QTest::mouseClick(child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
        });
        child<QMenu>(window.get(), "mnuFile")->findChild<QAction*>("mnuPrint")->trigger();
        QVERIFY(m_printPages.logic().ppPreviewAbort());
        QCOMPARE(printedJobs(), QStringList());
    }

    void setupSaysWherePrintoutsGo() {
        text("One", 1);
        auto window = openPreview();
        m_prompter->answer(PromptAnswer::Ok);
        child<QMenu>(window.get(), "mnuFile")->findChild<QAction*>("mnuSetup")->trigger();
        QCOMPARE(m_prompter->last().title, QString("Print Setup"));
        QVERIFY(m_prompter->last().text.contains(QDir::toNativeSeparators(printFolder())));
    }

    void saveAsPdfWritesTheWholeReport() {
        for (qint32 page = 1; page <= 3; ++page)
            text(QString("Sheet %1").arg(page), page);
        auto window = openPreview();
        const QString file = m_dir->filePath("whole.pdf");
        whenModal([this, &file](QWidget* dialog) {
            auto* chooser = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(chooser);
            QCOMPARE(chooser->objectName(), QString("cdSavePdf"));
            // The dialog lists folders in the background; a file chosen before that is done
            // can be cleared again.
            auto* model = chooser->findChild<QFileSystemModel*>();
            QVERIFY(model);
            QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
            chooser->setDirectory(m_dir->path());
            QVERIFY(loaded.wait(5000));
            chooser->findChild<QLineEdit*>("fileNameEdit")->setText("whole.pdf");
            const bool chosen = chooser->selectedFiles() == QStringList({file});
            QMetaObject::invokeMethod(chooser, "done", Q_ARG(int, chosen ? QDialog::Accepted : QDialog::Rejected));
            QVERIFY(chosen);
        });
        child<QMenu>(window.get(), "mnuFile")->findChild<QAction*>("mnuSavePdf")->trigger();
        QCOMPARE(PdfProbe::pageCount(file), 3);
        QCOMPARE(printedJobs(), QStringList());
    }

    void exitCloses() {
        text("One", 1);
        auto window = openPreview();
        QVERIFY(window->isVisible());
        toolbarButton(window.get(), "Exit")->trigger();
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(tst_PrintPreviewWindow)
#include "tst_printpreviewwindow.moc"
