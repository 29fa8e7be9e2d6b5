#include "AboutInfo.h"
#include "ClickedPrompter.h"
#include "DataEnvironment.h"
#include "ProgramSettings.h"
#include "Registry.h"
#include "ScriptedPrompter.h"
#include "Settings.h"
#include "ShippedFiles.h"
#include "Startup.h"
#include "TestDatabases.h"
#include "WhenModal.h"
#include "WindowControls.h"
#include "WindowInput.h"
#include "frmAbout.h"
#include "frmOptions.h"
#include "frmSwitchboard.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using WindowControls::control;

// The shell's windows driven offscreen through their object names.
class tst_ShellWindows : public QObject {
    Q_OBJECT

    // Clicks the window's button with the mouse.
    static void click(QWidget* window, const char* name) {
        QVERIFY(WindowInput::click(control<QPushButton>(window, name)));
    }

    // Replaces what a field holds by typing, as a person does: click, select all, type.
    static void retype(QWidget* window, const char* name, const QString& text) {
        QVERIFY(WindowInput::click(control<QLineEdit>(window, name)) &&
                WindowInput::press(Qt::Key_A, Qt::ControlModifier) && WindowInput::type(text));
    }

    // Chooses the item of the shown window's menu bar with the mouse: its menu, then the item.
    static void chooseFromMenu(frmSwitchboard& window, const char* name) {
        QAction* item = control<QAction>(&window, name);
        QMenuBar* bar = window.menuBar();
        for (QAction* title : bar->actions()) {
            QMenu* menu = title->menu();
            if (!menu || !menu->actions().contains(item))
                continue;
            QVERIFY(WindowInput::click(bar, bar->actionGeometry(title).center()));
            QTRY_VERIFY(menu->isVisible());
            QVERIFY(WindowInput::click(menu, menu->actionGeometry(item).center()));
            return;
        }
        QFAIL(qPrintable(QStringLiteral("no menu holds %1").arg(QString::fromLatin1(name))));
    }

    // The agreement accepted before, so that showing the main window asks nothing.
    static void agreementAccepted() {
        DataEnvironment::instance().cnnConnection().execute("UPDATE Control SET EULA='ann'");
    }

    static QString eula() {
        return DataEnvironment::instance()
            .cnnConnection()
            .scalar("SELECT EULA FROM Control WHERE ControlKey=1")
            .toString();
    }

private Q_SLOTS:
    void initTestCase() {
        Startup::loadProgramSettings("/ignored/");
        ShippedFiles::install(programSettings().AppPath);
        Startup::openDatabase();
    }

    void optionsShowAServerSetUpAndSwitchBack() {
        Settings::writeSetting("Provider", "PostgreSQL");
        Settings::writeSetting("DataSource", "catalog1");
        Settings::writeSetting("DataServer", "db1:5432");
        ScriptedPrompter prompter;
        frmOptions options;
        QVERIFY(WindowInput::activate(&options));
        auto* filePath = control<QLineEdit>(&options, "txtFilePath");
        auto* server = control<QLineEdit>(&options, "txtServer");
        auto* catalog = control<QLineEdit>(&options, "txtCatalog");
        QCOMPARE(server->text(), QString("db1:5432"));
        QCOMPARE(catalog->text(), QString("catalog1"));
        QVERIFY(server->isEnabled() && catalog->isEnabled());
        QVERIFY(!filePath->isEnabled());
        QCOMPARE(filePath->text(), QString());

        const QList<QRadioButton*> engines = options.findChildren<QRadioButton*>("optEngine");
        QCOMPARE(engines.size(), 2);
        QCOMPARE(engines[0]->text(), QString("SQLite:"));
        // On its round button: the rest of the row is no part of it.
        QVERIFY(WindowInput::click(engines[0], QPoint(8, engines[0]->height() / 2)));
        QVERIFY(filePath->isEnabled() && !server->isEnabled());
        // Paths of the test's own home: the database chosen here is opened by a later test.
        const QString database = TestDatabases::home() + "k.db";
        const QString layouts = TestDatabases::home() + "layouts";
        retype(&options, "txtFilePath", database);

        auto* tabs = control<QTabBar>(&options, "TabStrip");
        QVERIFY(WindowInput::click(tabs, tabs->tabRect(1).center()));
        auto* layout = control<QLineEdit>(&options, "txtLayoutPath");
        retype(&options, "txtLayoutPath", layouts);
        QVERIFY(WindowInput::press(Qt::Key_Tab));
        QCOMPARE(layout->text(), layouts + "/");

        prompter.answer(PromptAnswer::Ok);
        click(&options, "cmdOK");
        QCOMPARE(prompter.last().text, QString("Values saved, restart program to use new parameters."));
        QCOMPARE(prompter.last().title, QString("Saved Changes"));
        QCOMPARE(Settings::readSetting("Provider"), QString("SQLite"));
        QCOMPARE(Settings::readSetting("DataSource"), database);
        QCOMPARE(Settings::readSetting("DataServer"), QString());
        QCOMPARE(Settings::readSetting("ConnectionMisc"), QString(";Persist Security Info=False"));
        QCOMPARE(Settings::readSetting("LayoutPath"), layouts + "/");
    }

    void optionsTabsHintsAndCompany() {
        ScriptedPrompter prompter;
        frmOptions options;
        QVERIFY(WindowInput::activate(&options));
        const QList<QFrame*> frames = options.findChildren<QFrame*>("fraOptions");
        QCOMPARE(frames.size(), 3);
        auto* tabs = control<QTabBar>(&options, "TabStrip");
        QCOMPARE(tabs->tabText(2), QString("Company"));
        QVERIFY(WindowInput::click(tabs, tabs->tabRect(1).center()));
        QVERIFY(!frames[0]->isVisible() && frames[1]->isVisible());
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("txtReportPath"));
        QCOMPARE(control<QLabel>(&options, "StatusBar1Panel1")->text(), QString("Enter the report generator database"));
        QVERIFY(WindowInput::click(control<QLineEdit>(&options, "txtUnitPath")));
        QCOMPARE(control<QLabel>(&options, "StatusBar1Panel1")->text(),
                 QString("Enter the folder where the handheld unit is mounted"));

        QVERIFY(WindowInput::click(tabs, tabs->tabRect(2).center()));
        auto* columns = control<QLineEdit>(&options, "txtReportColumns");
        QCOMPARE(columns->text(), QString("3"));
        for (const char* wrong : {"11", "0", "2.5", "abc"}) {
            prompter.answer(PromptAnswer::Ok);
            retype(&options, "txtReportColumns", wrong);
            QVERIFY(WindowInput::press(Qt::Key_Tab));
            QCOMPARE(prompter.last().text, QString("Report columns must be a whole number from 1 to 10."));
            QCOMPARE(columns->text(), QString("3"));
        }
        retype(&options, "txtReportColumns", "4");
        QVERIFY(WindowInput::press(Qt::Key_Tab));
        auto* unitTemplates = control<QLineEdit>(&options, "txtDeviceTemplatePath");
        retype(&options, "txtDeviceTemplatePath", "\\Storage\\Templates");
        QVERIFY(WindowInput::press(Qt::Key_Tab));
        QCOMPARE(unitTemplates->text(), QString("\\Storage\\Templates\\"));
        retype(&options, "txtCompanyName", "Halvane Care");
        prompter.answer(PromptAnswer::Ok);
        click(&options, "cmdOK");
        const CompanyParameter& company = DataEnvironment::instance().rsCompanyParameter();
        QCOMPARE(company.ReportColumns, 4);
        QCOMPARE(company.Name, QString("Halvane Care"));
        QCOMPARE(company.DeviceTemplatePath, QString("\\Storage\\Templates\\"));
        QCOMPARE(
            DataEnvironment::instance().cnnConnection().scalar("SELECT ReportColumns FROM CompanyParameter").toInt(),
            4);
    }

    void optionsCancelAsksFirst() {
        ScriptedPrompter prompter;
        frmOptions options;
        QVERIFY(WindowInput::activate(&options));
        prompter.answer(PromptAnswer::No);
        click(&options, "cmdCancel");
        QCOMPARE(prompter.last().text, QString("Quit without saving changes?"));
        QCOMPARE(prompter.last().title, QString("Cancel Verification"));
        QVERIFY(options.isVisible());
        prompter.answer(PromptAnswer::Yes);
        click(&options, "cmdCancel");
        QVERIFY(!options.isVisible());
    }

    void switchboardCaptionMenusAndButtons() {
        frmSwitchboard window;
        QCOMPARE(window.windowTitle(), QString("Kestrivo: Version 3.1.0"));
        QStringList menus;
        for (QAction* action : window.menuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, QStringList({"&File", "&Entry", "&Tools", "&View", "&Help"}));
        for (const char* name : {"mnuExit", "mnuEvaluations", "mnuTemplates", "mnuReports", "mnuDeleteErrorLog",
                                 "mnuOptions", "mnuErrorLog", "mnuContents", "mnuAbout", "mnuEula"})
            control<QAction>(&window, name);
        QCOMPARE(control<QAction>(&window, "frmEvaluationMaintenance")->text(), QString("Evaluations"));
        QCOMPARE(control<QAction>(&window, "frmTemplates")->toolTip(), QString("Maintain Evaluation Templates"));
        QVERIFY(control<QAction>(&window, "mnuExit")->isEnabled());
        QVERIFY(!control<QAction>(&window, "frmReports")->isEnabled());
    }

    void firstActivationAgreementAccepted() {
        DataEnvironment::instance().cnnConnection().execute("DELETE FROM Control");
        frmSwitchboard window;
        QSignalSpy ended(&window, &frmSwitchboard::endRequested);
        whenModal([](QWidget* modal) {
            QCOMPARE(modal->objectName(), QString("frmEula"));
            QCOMPARE(modal->windowTitle(), QString("EULA Agreement for Kestrivo"));
            click(modal, "cmdAgree");
        });
        window.firstActivation();
        QCOMPARE(ended.count(), 0);
        QCOMPARE(eula(), programSettings().UserName);
        QWidget* help = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "frmHelp" && w->isVisible())
                help = w;
        QVERIFY(help);
        help->close();
        // The check runs once per run.
        window.firstActivation();
        QCOMPARE(DataEnvironment::instance().cnnConnection().scalar("SELECT COUNT(*) FROM Control").toInt(), 1);
    }

    void agreementDeclinedEndsTheProgram() {
        DataEnvironment::instance().cnnConnection().execute("UPDATE Control SET EULA=NULL");
        {
            frmSwitchboard window;
            QSignalSpy ended(&window, &frmSwitchboard::endRequested);
            whenModal([](QWidget* modal) { click(modal, "cmdDisagree"); });
            window.firstActivation();
            QCOMPARE(ended.count(), 1);
            QVERIFY(DataEnvironment::instance().cnnConnection().scalar("SELECT EULA FROM Control").isNull());
        }
        // Declining later, from the Help menu, ends the program and keeps the acceptance.
        DataEnvironment::instance().cnnConnection().execute("UPDATE Control SET EULA='ann'");
        frmSwitchboard window;
        QVERIFY(WindowInput::activate(&window));
        QSignalSpy ended(&window, &frmSwitchboard::endRequested);
        whenModal([](QWidget* modal) { click(modal, "cmdDisagree"); });
        chooseFromMenu(window, "mnuEula");
        QCOMPARE(ended.count(), 1);
        QCOMPARE(eula(), QString("ann"));
    }

    void agreementPrintsAsOneJob() {
        const QDir printouts(qEnvironmentVariable("KESTRIVO_PRINT_DIR"));
        const int before = printouts.entryList({"*.pdf"}, QDir::Files).size();
        agreementAccepted();
        frmSwitchboard window;
        QVERIFY(WindowInput::activate(&window));
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        whenModal([](QWidget* modal) {
            click(modal, "cmdPrint");
            click(modal, "cmdAgree");
        });
        chooseFromMenu(window, "mnuEula");
        const QStringList jobs = printouts.entryList({"*.pdf"}, QDir::Files);
        QCOMPARE(jobs.size(), before + 1);
        // The user learns where the printout went.
        QCOMPARE(prompter.last().text,
                 "Printouts are written as PDF files, so the printout was saved as the PDF file\r\n" +
                     printouts.filePath(jobs.last()));
        QFile pdf(printouts.filePath(jobs.last()));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        QVERIFY(pdf.size() > 1000);
    }

    void errorLogViewerWaitsUntilClosed() {
        const QString path = programSettings().LogPath + "ErrorLog.txt";
        QFile log(path);
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write("User:ann Date:06/02/2003 @ 14:05\r\nError= 13  - Type mismatch\r\n \r\n");
        log.close();
        agreementAccepted();
        frmSwitchboard window;
        QVERIFY(WindowInput::activate(&window));
        QString shown;
        QTimer::singleShot(300, [&shown] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == "frmLogViewer" && w->isVisible()) {
                    shown = control<QPlainTextEdit>(w, "txtLog")->toPlainText();
                    w->close();
                }
            }
        });
        chooseFromMenu(window, "mnuErrorLog"); // returns once the viewer is closed
        QVERIFY(shown.contains("Error= 13  - Type mismatch"));
    }

    void aboutShowsVersionAndHistory() {
        frmAbout about;
        QCOMPARE(about.windowTitle(), QString("About Kestrivo"));
        QCOMPARE(control<QLabel>(&about, "lblVersion")->text(), QString("Version 3.1.0"));
        auto* list = control<QListWidget>(&about, "lstModifications");
        QCOMPARE(list->count(), 21);
        QCOMPARE(list->item(0)->text(), QString("-- Modifications --"));
        QCOMPARE(list->item(20)->text(),
                 QString("10/14/02 Fix       : Report generator will not break with error 381 when printing report"));
    }

    void deleteErrorLogAsksAndClosingClosesEverything() {
        ScriptedPrompter prompter;
        const QString path = programSettings().LogPath + "ErrorLog.txt";
        QFile log(path);
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.close();
        agreementAccepted();
        frmSwitchboard window;
        QVERIFY(WindowInput::activate(&window));
        prompter.answer(PromptAnswer::No);
        chooseFromMenu(window, "mnuDeleteErrorLog");
        QCOMPARE(prompter.last().text, QString("Delete the Error Log File?"));
        QCOMPARE(prompter.last().title, QString("Delete Confirmation"));
        QVERIFY(QFile::exists(path));
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Yes);
        chooseFromMenu(window, "mnuDeleteErrorLog");
        QVERIFY(!QFile::exists(path));
        chooseFromMenu(window, "mnuDeleteErrorLog"); // a missing log is no error

        frmSwitchboard::registerWindow("frmReports", [](QWidget*) { return new QWidget; });
        frmSwitchboard owner;
        QVERIFY(WindowInput::activate(&owner));
        QVERIFY(WindowInput::clickButton(control<QAction>(&owner, "frmReports")));
        QPointer<QWidget> child;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != &owner && w->isVisible() && w->parentWidget() == &owner)
                child = w;
        QVERIFY(child);
        owner.close();
        QVERIFY(!child || !child->isVisible());
    }

    // The main window without a mouse: Tab reaches the bar's buttons (not its caption), the
    // arrow keys move along the bar, Enter and Space press a button, and the Entry menu opens
    // the working windows by its mnemonics.
    void switchboardFromTheKeyboard() {
        DataEnvironment::instance().cnnConnection().execute("UPDATE Control SET EULA='ann'");
        for (const char* key : {"frmEvaluationMaintenance", "frmTemplates", "frmReports"}) {
            frmSwitchboard::registerWindow(key, [key](QWidget*) {
                auto* area = new QWidget;
                area->setObjectName(key);
                return area;
            });
        }
        const auto opened = [](const char* key) {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->objectName() == key && window->isVisible())
                    return true;
            return false;
        };
        const auto focusedButton = [] {
            auto* button = qobject_cast<QToolButton*>(QApplication::focusWidget());
            return button && button->defaultAction() ? button->defaultAction()->objectName() : QString();
        };
        frmSwitchboard window;
        QVERIFY(WindowInput::activate(&window));
        QTRY_COMPARE(focusedButton(), QString("frmEvaluationMaintenance"));
        QStringList tabbed;
        for (int step = 0; step < 4; ++step) {
            QVERIFY(WindowInput::press(Qt::Key_Tab));
            tabbed << focusedButton();
        }
        QCOMPARE(tabbed, QStringList({"frmTemplates", "frmReports", "mnuExit", "frmEvaluationMaintenance"}));

        QVERIFY(WindowInput::press(Qt::Key_Down));
        QCOMPARE(focusedButton(), QString("frmTemplates"));
        QVERIFY(WindowInput::press(Qt::Key_Return));
        QTRY_VERIFY(opened("frmTemplates"));
        // Back to the main window, as with Alt+Tab.
        QVERIFY(WindowInput::activate(&window));
        QTRY_COMPARE(QGuiApplication::focusWindow(), window.windowHandle());
        QVERIFY(WindowInput::press(Qt::Key_Down) && WindowInput::press(Qt::Key_Space));
        QTRY_VERIFY(opened("frmReports"));
        QVERIFY(!opened("frmEvaluationMaintenance"));

        QVERIFY(WindowInput::activate(&window));
        QTRY_COMPARE(QGuiApplication::focusWindow(), window.windowHandle());
        QVERIFY(WindowInput::press(Qt::Key_E, Qt::AltModifier));
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        QCOMPARE(QApplication::activePopupWidget()->objectName(), QString("mnuEntry"));
        QVERIFY(WindowInput::press(Qt::Key_E));
        QTRY_VERIFY(opened("frmEvaluationMaintenance"));
    }

    // Options refuse a log folder that is not there unless it may be created, and keep a unit
    // folder that is not there only when the user insists; each time the field at fault has
    // the focus.
    void optionsCheckTheFolders() {
        const QString unitBefore = Settings::readSetting("UnitPath");
        const QString logBefore = Settings::readSetting("LogPath");
        ClickedPrompter boxes;
        frmOptions options;
        QVERIFY(WindowInput::activate(&options));
        auto* tabs = control<QTabBar>(&options, "TabStrip");
        QVERIFY(WindowInput::click(tabs, tabs->tabRect(1).center()));
        const QString logs = TestDatabases::home() + "new logs/";
        const QString unit = TestDatabases::home() + "phone/";
        auto* log = control<QLineEdit>(&options, "txtLogPath");
        auto* unitPath = control<QLineEdit>(&options, "txtUnitPath");
        QVERIFY(WindowInput::click(log) && WindowInput::press(Qt::Key_A, Qt::ControlModifier) &&
                WindowInput::type(logs));
        QVERIFY(WindowInput::click(unitPath) && WindowInput::press(Qt::Key_A, Qt::ControlModifier) &&
                WindowInput::type(unit));
        auto* ok = control<QPushButton>(&options, "cmdOK");

        boxes.answer("&No");
        QVERIFY(WindowInput::click(ok));
        QCOMPARE(boxes.last().text, "The log folder " + logs + " does not exist.\r\nCreate it?");
        QVERIFY(options.isVisible());
        QCOMPARE(options.focusWidget(), log);
        QVERIFY(!QFileInfo(logs).isDir());

        boxes.answer("&Yes").answer("&No");
        QVERIFY(WindowInput::click(ok));
        QVERIFY(QFileInfo(logs).isDir());
        QCOMPARE(boxes.last().text, "The unit folder " + unit +
                                        " does not exist, so no unit is connected there now.\r\nKeep it all the same?");
        QVERIFY(options.isVisible());
        QCOMPARE(options.focusWidget(), unitPath);
        QVERIFY(Settings::readSetting("UnitPath") != unit);

        boxes.answer("&Yes").answer("OK");
        QVERIFY(WindowInput::click(ok));
        QCOMPARE(boxes.last().text, QString("Values saved, restart program to use new parameters."));
        QVERIFY(!options.isVisible());
        QCOMPARE(Settings::readSetting("UnitPath"), unit);
        QCOMPARE(Settings::readSetting("LogPath"), logs);
        QCOMPARE(boxes.pending(), 0);
        Settings::writeSetting("UnitPath", unitBefore);
        Settings::writeSetting("LogPath", logBefore);
    }

    // A database that cannot be opened at start-up offers Options, where the user points the
    // program to another one, and the program goes on.
    void startupOffersOptions() {
        DataEnvironment::instance().close();
        const QString good = Settings::readSetting("DataSource");
        const QString broken = TestDatabases::home() + "data/letter.db";
        QFile letter(broken);
        QVERIFY(letter.open(QIODevice::WriteOnly) && letter.write("Dear Sir, this is no database.") > 0);
        letter.close();
        Settings::writeSetting("DataSource", broken);

        ClickedPrompter boxes;
        boxes.answer("&Options\u2026");
        bool companyOffered = true;
        const auto options = [&] {
            whenModal([&](QWidget* modal) {
                auto* window = qobject_cast<frmOptions*>(modal);
                QVERIFY(window && QTest::qWaitForWindowActive(window));
                companyOffered = control<QTabBar>(window, "TabStrip")->isTabEnabled(2);
                auto* file = control<QLineEdit>(window, "txtFilePath");
                QCOMPARE(file->text(), broken);
                QVERIFY(WindowInput::click(file) && WindowInput::press(Qt::Key_A, Qt::ControlModifier) &&
                        WindowInput::type(good));
                QVERIFY(WindowInput::click(control<QPushButton>(window, "cmdOK")));
            });
            frmOptions window;
            window.exec();
        };
        QCOMPARE(Startup::prepareProgram("/ignored/", options), 0);
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.last().buttons, QStringList({"&Options\u2026", "&Quit"}));
        QVERIFY(!companyOffered);
        QVERIFY(DataEnvironment::instance().isOpen());
        QCOMPARE(Settings::readSetting("DataSource"), good);
    }
};

QTEST_MAIN(tst_ShellWindows)
#include "tst_shell_windows.moc"
