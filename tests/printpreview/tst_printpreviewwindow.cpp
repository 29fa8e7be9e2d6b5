#include "ControlMessages.h"
#include "FormToolbar.h"
#include "PdfProbe.h"
#include "RecordingPrinter.h"
#include "ReportSession.h"
#include "ScriptedPrompter.h"
#include "SharedControlState.h"
#include "WhenModal.h"
#include "WindowControls.h"
#include "WindowInput.h"
#include "frmPrintPages.h"
#include "frmPrintPreview.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <functional>
#include <memory>

namespace {

using WindowControls::control;

QRadioButton* option(QWidget* dialog, int index) {
    for (auto* button : dialog->findChildren<QRadioButton*>("optPages"))
        if (button->property("index").toInt() == index)
            return button;
    qFatal("no control optPages %d", index);
}

// Chooses an item of one of the window's menus with the mouse: the menu's title, then the item.
void chooseFromMenu(QWidget* window, const char* menuName, const char* itemName) {
    auto* menu = control<QMenu>(window, menuName);
    QAction* item = control<QAction>(menu, itemName);
    auto* bar = window->findChild<QMenuBar*>();
    QVERIFY(bar);
    QVERIFY(WindowInput::click(bar, bar->actionGeometry(menu->menuAction()).center()));
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(WindowInput::click(menu, menu->actionGeometry(item).center()));
}

// Replaces what the box holds as a person does: click, select all, type.
bool retype(QLineEdit* box, const QString& text) {
    return WindowInput::click(box) && WindowInput::press(Qt::Key_A, Qt::ControlModifier) && WindowInput::type(text);
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
    static qint64 pictureKey(QWidget* window) { return control<QLabel>(window, "Document")->pixmap().cacheKey(); }

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
        for (QAction* action : control<QToolBar>(window.get(), "Toolbar1")->actions())
            buttons << (action->isSeparator() ? "|" : toolbarButtonKey(action));
        QCOMPARE(buttons, QStringList({"Exit", "|", "Print"}));
        QCOMPARE(control<QLabel>(window.get(), "lblLabel")->text(), QString("Page:"));
        QCOMPARE(control<QPushButton>(window.get(), "cmdBeginPage")->toolTip(), QString("Beginning of Document"));
        QCOMPARE(control<QPushButton>(window.get(), "cmdPrevious")->toolTip(), QString("Previous Page"));
        QCOMPARE(control<QPushButton>(window.get(), "cmdNext")->toolTip(), QString("Next Page"));
        QCOMPARE(control<QPushButton>(window.get(), "cmdEndPage")->toolTip(), QString("End of Document"));
        QStringList items;
        for (QAction* action : control<QMenu>(window.get(), "mnuFile")->actions())
            if (!action->isSeparator())
                items << action->objectName() + "=" + action->text();
        QCOMPARE(items, QStringList(
                            {"mnuPrint=&Print", "mnuSetup=Print Set&up", "mnuSavePdf=Save as P&DF…", "mnuExit=E&xit"}));
        QVERIFY(control<QFrame>(window.get(), "Container"));
        QCOMPARE(control<QLabel>(window.get(), "Document")->size(), QSize(816, 1056));
        QCOMPARE(control<QLineEdit>(window.get(), "txtPage")->text(), QString("1"));
    }

    void pageButtonsMoveAndStopAtTheEnds() {
        for (qint32 page = 1; page <= 3; ++page)
            text(QString("Page %1").arg(page), page);
        auto window = openPreview();
        auto* page = control<QLineEdit>(window.get(), "txtPage");
        const qint64 first = pictureKey(window.get());
        QVERIFY(WindowInput::click(control<QPushButton>(window.get(), "cmdPrevious")));
        QCOMPARE(pictureKey(window.get()), first); // page 1: nothing redrawn
        QVERIFY(WindowInput::click(control<QPushButton>(window.get(), "cmdNext")));
        QCOMPARE(page->text(), QString("2"));
        QVERIFY(pictureKey(window.get()) != first);
        QVERIFY(WindowInput::click(control<QPushButton>(window.get(), "cmdEndPage")));
        QCOMPARE(page->text(), QString("3"));
        const qint64 last = pictureKey(window.get());
        QVERIFY(WindowInput::click(control<QPushButton>(window.get(), "cmdNext")));
        QCOMPARE(page->text(), QString("3"));
        QCOMPARE(pictureKey(window.get()), last);
        QVERIFY(WindowInput::click(control<QPushButton>(window.get(), "cmdBeginPage")));
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
        QVERIFY(WindowInput::click(control<QPushButton>(window.get(), "cmdNext")));
        auto* page = control<QLineEdit>(window.get(), "txtPage");
        QVERIFY(retype(page, typed) && WindowInput::press(Qt::Key_Return));
        QCOMPARE(page->text(), shown);
        QCOMPARE(window->logic().currentPage(), shown.toInt());
    }

    void scrollBarsAppearOnlyWhenThePageDoesNotFit() {
        text("Tall page", 1);
        text("Wide page", 2, 2);
        auto window = openPreview();
        auto* container = control<QFrame>(window.get(), "Container");
        auto* vertical = control<QScrollBar>(window.get(), "VScroll1");
        auto* horizontal = control<QScrollBar>(window.get(), "HScroll1");
        auto* document = control<QLabel>(window.get(), "Document");

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

        QVERIFY(WindowInput::click(control<QPushButton>(window.get(), "cmdNext")));
        QCOMPARE(document->size(), QSize(1056, 816));
        QCOMPARE(horizontal->maximum(), 15840 - container->width() * 15);
        QVERIFY(horizontal->isVisibleTo(window.get()));
    }

    void resizingKeepsControlsInProportion() {
        text("One", 1);
        auto window = openPreview();
        auto* panel = control<QWidget>(window.get(), "pnlControls");
        auto* page = control<QLineEdit>(window.get(), "txtPage");
        window->resize(window->width() * 2, window->height());
        QCOMPARE(panel->width(), 1600);
        QCOMPARE(page->geometry().left(), 100);
        QCOMPARE(page->width(), 120);
    }

    void aReportWithoutRowsShowsAnEmptyWindow() {
        auto window = openPreview();
        QCOMPARE(window->logic().lastPage(), 0);
        QVERIFY(WindowInput::click(control<QPushButton>(window.get(), "cmdNext")));
        QVERIFY(WindowInput::click(control<QPushButton>(window.get(), "cmdEndPage")));
        QCOMPARE(control<QLineEdit>(window.get(), "txtPage")->text(), QString("1"));
        whenModal([](QWidget* dialog) { QVERIFY(WindowInput::click(control<QPushButton>(dialog, "cmdPrint"))); });
        chooseFromMenu(window.get(), "mnuFile", "mnuPrint");
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
            QVERIFY(WindowInput::click(control<QLineEdit>(dialog, "txtPages")) && WindowInput::type("1,3"));
            QVERIFY(retype(control<QLineEdit>(dialog, "txtCopies"), "2"));
            QVERIFY(option(dialog, 2)->isChecked());
            QVERIFY(WindowInput::click(control<QPushButton>(dialog, "cmdPrint")));
        });
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(WindowInput::clickButton(toolbarButton(window.get(), "Print")));
        QCOMPARE(m_printPages.logic().ppOptIndex(), qint16(2));
        QCOMPARE(m_printPages.logic().ppCopies(), qint16(2));
        const QStringList jobs = printedJobs();
        QCOMPARE(jobs, QStringList({"job-0001.pdf", "job-0002.pdf", "job-0003.pdf", "job-0004.pdf"}));
        // Without a printer the user learns where the printout went.
        QCOMPARE(m_prompter->last().title, QString("Print"));
        QCOMPARE(m_prompter->last().text,
                 "Printouts are written as PDF files, so the report was saved as 4 PDF files in\r\n" +
                     QDir(printFolder()).absolutePath() + "\r\n" + jobs.join(", "));
        QStringList sheets;
        for (const QString& job : jobs)
            sheets << PdfProbe::text(QDir(printFolder()).filePath(job)).trimmed();
        QCOMPARE(sheets, QStringList({"Sheet 1", "Sheet 3", "Sheet 1", "Sheet 3"}));

        // Closing the dialog with its frame prints nothing, though the last choice stands.
        whenModal([](QWidget* dialog) {
            QVERIFY(option(dialog, 0)->isChecked());
            QCOMPARE(control<QLineEdit>(dialog, "txtCopies")->text(), QString("2"));
            dialog->close();
        });
        chooseFromMenu(window.get(), "mnuFile", "mnuPrint");
        QCOMPARE(printedJobs().size(), 4);
        QVERIFY(m_printPages.logic().ppPreviewAbort());
    }

    void theCopiesBoxTakesOnlyAWordOfCopies() {
        text("One", 1);
        auto window = openPreview();
        m_prompter->answer(PromptAnswer::Ok);
        whenModal([this](QWidget* dialog) {
            auto* copies = control<QLineEdit>(dialog, "txtCopies");
            auto* spin = control<QScrollBar>(dialog, "vscrCopies");
            QCOMPARE(spin->minimum(), 1);
            QCOMPARE(spin->maximum(), 32767);
            QVERIFY(retype(copies, "0"));
            QCOMPARE(copies->text(), QString("1"));
            QVERIFY(retype(copies, "3276"));
            QCOMPARE(spin->value(), 3276);
            QVERIFY(WindowInput::type("9")); // 32769
            QCOMPARE(copies->text(), QString("3276"));
            QCOMPARE(m_prompter->last().title, QString("Print Pages"));
            spin->setValue(12);
            QCOMPARE(copies->text(), QString("12"));
            QVERIFY(WindowInput::click(control<QPushButton>(dialog, "cmdCancel")));
        });
        chooseFromMenu(window.get(), "mnuFile", "mnuPrint");
        QVERIFY(m_printPages.logic().ppPreviewAbort());
        QCOMPARE(printedJobs(), QStringList());
    }

    void setupSaysWherePrintoutsGo() {
        text("One", 1);
        auto window = openPreview();
        m_prompter->answer(PromptAnswer::Ok);
        chooseFromMenu(window.get(), "mnuFile", "mnuSetup");
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
            control<QLineEdit>(chooser, "fileNameEdit")->setText("whole.pdf");
            const bool chosen = chooser->selectedFiles() == QStringList({file});
            QMetaObject::invokeMethod(chooser, "done", Q_ARG(int, chosen ? QDialog::Accepted : QDialog::Rejected));
            QVERIFY(chosen);
        });
        m_prompter->answer(PromptAnswer::Ok);
        chooseFromMenu(window.get(), "mnuFile", "mnuSavePdf");
        QCOMPARE(PdfProbe::pageCount(file), 3);
        QCOMPARE(printedJobs(), QStringList());
        QCOMPARE(m_prompter->last().title, QString("Save as PDF"));
        QCOMPARE(m_prompter->last().text, "The report was saved as\r\n" + file);

        // One page printed: its file is named.
        whenModal([](QWidget* dialog) {
            QVERIFY(WindowInput::click(option(dialog, 1)));
            QVERIFY(WindowInput::click(control<QLineEdit>(dialog, "txtCopies")) &&
                    WindowInput::press(Qt::Key_A, Qt::ControlModifier) && WindowInput::type("1"));
            QVERIFY(WindowInput::click(control<QPushButton>(dialog, "cmdPrint")));
        });
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(WindowInput::clickButton(toolbarButton(window.get(), "Print")));
        QCOMPARE(printedJobs(), QStringList({"job-0001.pdf"}));
        QCOMPARE(m_prompter->last().text,
                 "Printouts are written as PDF files, so the report was saved as the PDF file\r\n" +
                     QDir(printFolder()).filePath("job-0001.pdf"));
    }

    // Enter in the page box goes to the typed page, and no button of the window takes it.
    void enterInThePageBox() {
        for (qint32 page = 1; page <= 3; ++page)
            text(QString("Page %1").arg(page), page);
        auto window = openPreview();
        QVERIFY(WindowInput::activate(window.get()));
        auto* page = control<QLineEdit>(window.get(), "txtPage");
        QVERIFY(WindowInput::click(page) && WindowInput::press(Qt::Key_A, Qt::ControlModifier));
        QVERIFY(WindowInput::type("3") && WindowInput::press(Qt::Key_Return));
        QCOMPARE(window->logic().currentPage(), 3);
        QCOMPARE(page->text(), QString("3"));
        QVERIFY(WindowInput::press(Qt::Key_A, Qt::ControlModifier) && WindowInput::type("2") &&
                WindowInput::press(Qt::Key_Enter, Qt::KeypadModifier));
        QCOMPARE(window->logic().currentPage(), 2);
        QVERIFY(window->isVisible());
    }

    // Zoom by keys, wheel, list and menu, from 50 to 400 %, each step drawn at its own
    // resolution; a fitted page follows the window and the page's orientation.
    void zoom() {
        text("Zoomed", 1);
        text("Wide", 2, 2);
        auto window = openPreview();
        QVERIFY(WindowInput::activate(window.get()));
        auto* document = control<QLabel>(window.get(), "Document");
        auto* zoom = control<QComboBox>(window.get(), "cmbZoom");
        auto* container = control<QFrame>(window.get(), "Container");
        QCOMPARE(zoom->currentText(), QString("100%"));
        const QImage full = document->pixmap().toImage();

        QVERIFY(WindowInput::press(Qt::Key_Plus, Qt::ControlModifier));
        QCOMPARE(zoom->currentText(), QString("125%"));
        QCOMPARE(document->size(), QSize(1020, 1320));
        const auto wheel = [&document](int turn, Qt::KeyboardModifiers modifiers) {
            const QPointF at(100, 100);
            QWheelEvent event(at, document->mapToGlobal(at), QPoint(), QPoint(0, turn), Qt::NoButton, modifiers,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(document, &event);
        };
        wheel(120, Qt::ControlModifier);
        QCOMPARE(window->logic().zoom(), 150);
        wheel(-240, Qt::ControlModifier);
        QCOMPARE(window->logic().zoom(), 100);
        QVERIFY(WindowInput::chooseFromList(zoom, "200%"));
        QCOMPARE(document->pixmap().size(), full.size() * 2);
        QVERIFY(!document->hasScaledContents());
        QVERIFY2(document->pixmap().toImage() !=
                     full.scaled(full.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                 "the page is drawn anew, not scaled up");
        for (int step = 0; step < 5; ++step)
            QVERIFY(WindowInput::press(Qt::Key_Plus, Qt::ControlModifier));
        QCOMPARE(window->logic().zoom(), 400);
        QCOMPARE(document->size(), QSize(3264, 4224));
        for (int step = 0; step < 9; ++step)
            QVERIFY(WindowInput::press(Qt::Key_Minus, Qt::ControlModifier));
        QCOMPARE(zoom->currentText(), QString("50%"));
        QCOMPARE(document->size(), QSize(408, 528));
        wheel(-120, Qt::NoModifier); // the wheel alone scrolls, it does not zoom
        QCOMPARE(window->logic().zoom(), 50);

        QVERIFY(WindowInput::chooseFromList(zoom, "Fit Width"));
        const int inner = container->contentsRect().width();
        QVERIFY2(document->width() <= inner && document->width() > inner - 10,
                 qPrintable(QString::number(document->width())));
        QVERIFY(WindowInput::click(control<QPushButton>(window.get(), "cmdNext")));
        QCOMPARE(zoom->currentText(), QString("Fit Width"));
        QVERIFY(document->width() <= inner && document->width() > inner - 10);
        QVERIFY(document->height() < document->width());

        chooseFromMenu(window.get(), "mnuView", "mnuFitPage");
        QCOMPARE(zoom->currentText(), QString("Fit Page"));
        window->resize(window->width() + 300, window->height() + 300);
        QTRY_VERIFY(document->width() <= container->contentsRect().width() &&
                    document->height() <= container->contentsRect().height());
        QVERIFY(document->width() > container->contentsRect().width() - 10 ||
                document->height() > container->contentsRect().height() - 10);
        chooseFromMenu(window.get(), "mnuView", "mnuActualSize");
        QCOMPARE(document->size(), QSize(1056, 816));
    }

    void exitCloses() {
        text("One", 1);
        auto window = openPreview();
        QVERIFY(window->isVisible());
        QVERIFY(WindowInput::clickButton(toolbarButton(window.get(), "Exit")));
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(tst_PrintPreviewWindow)
#include "tst_printpreviewwindow.moc"
