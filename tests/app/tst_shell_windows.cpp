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

// The shell's windows driven offscreen through their object names.
class tst_ShellWindows : public QObject {
    Q_OBJECT

    // Runs action on the next modal window once it is shown.
    static void onModal(std::function<void(QWidget*)> action) {
        QTimer::singleShot(0, [action] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            action(modal);
        });
    }

    static void click(QWidget* window, const char* name) {
        auto* button = window->findChild<QPushButton*>(name);
        QVERIFY2(button, name);
        button->click();
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
        auto* filePath = options.findChild<QLineEdit*>("txtFilePath");
        auto* server = options.findChild<QLineEdit*>("txtServer");
        auto* catalog = options.findChild<QLineEdit*>("txtCatalog");
        QCOMPARE(server->text(), QString("db1:5432"));
        QCOMPARE(catalog->text(), QString("catalog1"));
        QVERIFY(server->isEnabled() && catalog->isEnabled());
        QVERIFY(!filePath->isEnabled());
        QCOMPARE(filePath->text(), QString());

        const QList<QRadioButton*> engines = options.findChildren<QRadioButton*>("optEngine");
        QCOMPARE(engines.size(), 2);
        QCOMPARE(engines[0]->text(), QString("SQLite:"));
        engines[0]->click();
        QVERIFY(filePath->isEnabled() && !server->isEnabled());
        // Paths of the test's own home: the database chosen here is opened by a later test.
        const QString database = TestDatabases::home() + "k.db";
        const QString layouts = TestDatabases::home() + "layouts";
        filePath->setText(database);
        QTest::keyClick(filePath, Qt::Key_End); // mirror typing into the logic
        options.logic().fields().txtFilePath = database;

        auto* layout = options.findChild<QLineEdit*>("txtLayoutPath");
        layout->setText(layouts);
        Q_EMIT layout->editingFinished();
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
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        const QList<QFrame*> frames = options.findChildren<QFrame*>("fraOptions");
        QCOMPARE(frames.size(), 3);
        QCOMPARE(options.findChild<QTabBar*>("TabStrip")->tabText(2), QString("Company"));
        options.selectTab(1);
        QVERIFY(!frames[0]->isVisible() && frames[1]->isVisible());
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("txtReportPath"));
        QCOMPARE(options.findChild<QLabel*>("StatusBar1Panel1")->text(),
                 QString("Enter the report generator database"));
        options.findChild<QLineEdit*>("txtUnitPath")->setFocus();
        QCOMPARE(options.findChild<QLabel*>("StatusBar1Panel1")->text(),
                 QString("Enter the folder where the handheld unit is mounted"));

        options.selectTab(2);
        auto* columns = options.findChild<QLineEdit*>("txtReportColumns");
        QCOMPARE(columns->text(), QString("3"));
        for (const char* wrong : {"11", "0", "2.5", "abc"}) {
            prompter.answer(PromptAnswer::Ok);
            columns->setText(wrong);
            Q_EMIT columns->editingFinished();
            QCOMPARE(prompter.last().text, QString("Report columns must be a whole number from 1 to 10."));
            QCOMPARE(columns->text(), QString("3"));
        }
        columns->setText("4");
        Q_EMIT columns->editingFinished();
        auto* unitTemplates = options.findChild<QLineEdit*>("txtDeviceTemplatePath");
        unitTemplates->setText("\\Storage\\Templates");
        Q_EMIT unitTemplates->editingFinished();
        QCOMPARE(unitTemplates->text(), QString("\\Storage\\Templates\\"));
        options.findChild<QLineEdit*>("txtCompanyName")->setText("Halvane Care");
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
        options.show();
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
            QVERIFY2(window.findChild<QAction*>(name), name);
        QCOMPARE(window.findChild<QAction*>("frmEvaluationMaintenance")->text(), QString("Evaluations"));
        QCOMPARE(window.findChild<QAction*>("frmTemplates")->toolTip(), QString("Maintain Evaluation Templates"));
        QVERIFY(window.findChild<QAction*>("mnuExit")->isEnabled());
        QVERIFY(!window.findChild<QAction*>("frmReports")->isEnabled());
    }

    void firstActivationAgreementAccepted() {
        DataEnvironment::instance().cnnConnection().execute("DELETE FROM Control");
        frmSwitchboard window;
        QSignalSpy ended(&window, &frmSwitchboard::endRequested);
        onModal([](QWidget* modal) {
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
            onModal([](QWidget* modal) { click(modal, "cmdDisagree"); });
            window.firstActivation();
            QCOMPARE(ended.count(), 1);
            QVERIFY(DataEnvironment::instance().cnnConnection().scalar("SELECT EULA FROM Control").isNull());
        }
        // Declining later, from the Help menu, ends the program and keeps the acceptance.
        DataEnvironment::instance().cnnConnection().execute("UPDATE Control SET EULA='ann'");
        frmSwitchboard window;
        QSignalSpy ended(&window, &frmSwitchboard::endRequested);
        onModal([](QWidget* modal) { click(modal, "cmdDisagree"); });
        window.findChild<QAction*>("mnuEula")->trigger();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(eula(), QString("ann"));
    }

    void agreementPrintsAsOneJob() {
        const QDir printouts(qEnvironmentVariable("KESTRIVO_PRINT_DIR"));
        const int before = printouts.entryList({"*.pdf"}, QDir::Files).size();
        frmSwitchboard window;
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        onModal([](QWidget* modal) {
            click(modal, "cmdPrint");
            click(modal, "cmdAgree");
        });
        window.findChild<QAction*>("mnuEula")->trigger();
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
        frmSwitchboard window;
        window.show();
        QString shown;
        QTimer::singleShot(300, [&shown] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == "frmLogViewer" && w->isVisible()) {
                    shown = w->findChild<QPlainTextEdit*>("txtLog")->toPlainText();
                    w->close();
                }
            }
        });
        window.findChild<QAction*>("mnuErrorLog")->trigger(); // returns once the viewer is closed
        QVERIFY(shown.contains("Error= 13  - Type mismatch"));
    }

    void aboutShowsVersionAndHistory() {
        frmAbout about;
        QCOMPARE(about.windowTitle(), QString("About Kestrivo"));
        QCOMPARE(about.findChild<QLabel*>("lblVersion")->text(), QString("Version 3.1.0"));
        auto* list = about.findChild<QListWidget*>("lstModifications");
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
        frmSwitchboard window;
        prompter.answer(PromptAnswer::No);
        window.findChild<QAction*>("mnuDeleteErrorLog")->trigger();
        QCOMPARE(prompter.last().text, QString("Delete the Error Log File?"));
        QCOMPARE(prompter.last().title, QString("Delete Confirmation"));
        QVERIFY(QFile::exists(path));
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Yes);
        window.findChild<QAction*>("mnuDeleteErrorLog")->trigger();
        QVERIFY(!QFile::exists(path));
        window.findChild<QAction*>("mnuDeleteErrorLog")->trigger(); // a missing log is no error

        frmSwitchboard::registerWindow("frmReports", [](QWidget*) { return new QWidget; });
        frmSwitchboard owner;
        owner.show();
        owner.nagMenuClick("frmReports");
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
        auto* tabs = options.findChild<QTabBar*>("TabStrip");
        QVERIFY(WindowInput::click(tabs, tabs->tabRect(1).center()));
        const QString logs = TestDatabases::home() + "new logs/";
        const QString unit = TestDatabases::home() + "phone/";
        auto* log = options.findChild<QLineEdit*>("txtLogPath");
        auto* unitPath = options.findChild<QLineEdit*>("txtUnitPath");
        QVERIFY(WindowInput::click(log) && WindowInput::press(Qt::Key_A, Qt::ControlModifier) &&
                WindowInput::type(logs));
        QVERIFY(WindowInput::click(unitPath) && WindowInput::press(Qt::Key_A, Qt::ControlModifier) &&
                WindowInput::type(unit));
        auto* ok = options.findChild<QPushButton*>("cmdOK");

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
            QTimer::singleShot(0, [&] {
                auto* window = qobject_cast<frmOptions*>(QApplication::activeModalWidget());
                QVERIFY(window && QTest::qWaitForWindowActive(window));
                companyOffered = window->findChild<QTabBar*>("TabStrip")->isTabEnabled(2);
                auto* file = window->findChild<QLineEdit*>("txtFilePath");
                QCOMPARE(file->text(), broken);
                QVERIFY(WindowInput::click(file) && WindowInput::press(Qt::Key_A, Qt::ControlModifier) &&
                        WindowInput::type(good));
                QVERIFY(WindowInput::click(window->findChild<QPushButton*>("cmdOK")));
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
