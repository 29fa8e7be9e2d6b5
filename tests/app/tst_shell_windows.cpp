#include "AboutInfo.h"
#include "DataEnvironment.h"
#include "ProgramSettings.h"
#include "Registry.h"
#include "ScriptedPrompter.h"
#include "Settings.h"
#include "ShippedFiles.h"
#include "Startup.h"
#include "frmAbout.h"
#include "frmOptions.h"
#include "frmSwitchboard.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTimer>

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
        filePath->setText("/srv/k.db");
        QTest::keyClick(filePath, Qt::Key_End); // mirror typing into the logic
        options.logic().fields().txtFilePath = "/srv/k.db";

        auto* layout = options.findChild<QLineEdit*>("txtLayoutPath");
        layout->setText("/srv/layouts");
        Q_EMIT layout->editingFinished();
        QCOMPARE(layout->text(), QString("/srv/layouts/"));

        prompter.answer(PromptAnswer::Ok);
        click(&options, "cmdOK");
        QCOMPARE(prompter.last().text, QString("Values saved, restart program to use new parameters."));
        QCOMPARE(prompter.last().title, QString("Saved Changes"));
        QCOMPARE(Settings::readSetting("Provider"), QString("SQLite"));
        QCOMPARE(Settings::readSetting("DataSource"), QString("/srv/k.db"));
        QCOMPARE(Settings::readSetting("DataServer"), QString());
        QCOMPARE(Settings::readSetting("ConnectionMisc"), QString(";Persist Security Info=False"));
        QCOMPARE(Settings::readSetting("LayoutPath"), QString("/srv/layouts/"));
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
        QCOMPARE(menus, QStringList({"&File", "&Tools", "&View", "&Help"}));
        for (const char* name :
             {"mnuExit", "mnuDeleteErrorLog", "mnuOptions", "mnuErrorLog", "mnuContents", "mnuAbout", "mnuEula"})
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
        onModal([](QWidget* modal) {
            click(modal, "cmdPrint");
            click(modal, "cmdAgree");
        });
        window.findChild<QAction*>("mnuEula")->trigger();
        const QStringList jobs = printouts.entryList({"*.pdf"}, QDir::Files);
        QCOMPARE(jobs.size(), before + 1);
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
};

QTEST_MAIN(tst_ShellWindows)
#include "tst_shell_windows.moc"
