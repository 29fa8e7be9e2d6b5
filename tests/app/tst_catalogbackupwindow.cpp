#include "CatalogBackup.h"
#include "DataEnvironment.h"
#include "ProgramSettings.h"
#include "ScriptedPrompter.h"
#include "ShippedFiles.h"
#include "Startup.h"
#include "WhenModal.h"
#include "WindowControls.h"
#include "WindowInput.h"
#include "frmCatalogBackup.h"
#include "frmSwitchboard.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

// Tools > "Back up catalog…" driven as a person does, with the mouse and the keyboard: the
// backup is written with its progress shown, a file that exists is refused.
using WindowControls::control;

class tst_CatalogBackupWindow : public QObject {
    Q_OBJECT

    static int count(const Database& db, const QString& table) {
        return db.scalar("SELECT COUNT(*) FROM " + table).toInt();
    }

private Q_SLOTS:
    void initTestCase() {
        Startup::loadProgramSettings("/ignored/");
        ShippedFiles::install(programSettings().AppPath);
        Startup::openDatabase();
        const Database& db = DataEnvironment::instance().cnnConnection();
        Transaction transaction(db);
        db.execute("UPDATE Control SET EULA='tester'");
        const qint64 key = db.insert("Template", {"Name"}, {"Audit"});
        const qint64 field =
            db.insert("TemplateField", {"TemplateKey", "FieldLabel", "FieldType", "GroupField"}, {key, "Site", 2, -1});
        const qint64 value = db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {field, "North"});
        for (int i = 0; i < 4000; ++i) {
            const qint64 evaluation =
                db.insert("Evaluation", {"TemplateKey", "EvaluationGroupKey", "FileName"}, {key, value, "E"});
            db.insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey", "TemplateFieldValueKey", "EnteredValue"},
                      {evaluation, field, value, "North"});
        }
        transaction.commit();
    }

    void backUpThroughTheToolsMenu() {
        ScriptedPrompter prompter;
        frmSwitchboard window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QMenuBar* bar = window.menuBar();
        QAction* tools = bar->actions().at(2);
        QCOMPARE(tools->text(), QString("&Tools"));
        QVERIFY(WindowInput::click(bar, bar->actionGeometry(tools).center()));
        QMenu* menu = tools->menu();
        QTRY_VERIFY(menu->isVisible());
        QAction* item = control<QAction>(&window, "mnuBackupCatalog");
        QCOMPARE(item->text(), QString("Back up catalog\u2026"));

        const QString file = programSettings().DataPath + "Nightly backup.db";
        bool checked = false;
        whenModal([&](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QString("frmCatalogBackup"));
            QCOMPARE(dialog->windowTitle(), QString("Back up catalog"));
            auto* path = control<QLineEdit>(dialog, "txtFile");
            QTRY_VERIFY(path->hasFocus());
            QVERIFY2(path->text().startsWith(programSettings().DataPath + "kestrivo-backup-"),
                     qPrintable(path->text()));
            QCOMPARE(control<QLabel>(dialog, "StatusBar1Panel1")->text(),
                     QString("Enter the new file that is to hold the backup"));
            QVERIFY(WindowInput::press(Qt::Key_A, Qt::ControlModifier));
            QVERIFY(WindowInput::type(file));

            auto& logic = static_cast<frmCatalogBackup*>(dialog)->logic();
            QSignalSpy progress(&logic, &CatalogBackupLogic::progressChanged);
            auto* bar = control<QProgressBar>(dialog, "prgBackup");
            prompter.answer(PromptAnswer::Ok);
            QVERIFY(WindowInput::click(control<QPushButton>(dialog, "cmdBackUp")));
            QTRY_VERIFY(QFile::exists(file));
            QVERIFY2(progress.size() > 4, qPrintable(QString::number(progress.size())));
            QCOMPARE(bar->value(), bar->maximum());
            const QString done = QString("The catalog was backed up to %1: 8009 rows in 18 tables, each the same in "
                                         "the backup as in the catalog.")
                                     .arg(file);
            QCOMPARE(control<QLabel>(dialog, "lblStatus")->text(), done);
            QCOMPARE(prompter.last().text, done);
            QCOMPARE(prompter.last().title, QString("Back up catalog"));
            QVERIFY(control<QPushButton>(dialog, "cmdBackUp")->isEnabled());

            // The same file again: refused, and the backup stays as it was.
            prompter.answer(PromptAnswer::Ok);
            QVERIFY(WindowInput::click(control<QPushButton>(dialog, "cmdBackUp")));
            QCOMPARE(prompter.last().text,
                     QString("The file %1 exists already; a backup is written only into a new file.").arg(file));
            QCOMPARE(prompter.last().icon, PromptIcon::Critical);
            QVERIFY(WindowInput::click(control<QPushButton>(dialog, "cmdClose")));
            QVERIFY(!dialog->isVisible());
            checked = true;
        });
        QVERIFY(WindowInput::click(menu, menu->actionGeometry(item).center()));
        QTRY_VERIFY(checked);

        Database backup = Database::openExisting(CatalogBackup::fileConnection(file), "backup");
        QCOMPARE(count(backup, "Evaluation"), 4000);
        QCOMPARE(count(backup, "EvaluationField"), 4000);
        QCOMPARE(backup.scalar("SELECT EULA FROM Control").toString(), QString("tester"));
        backup.close();
    }
};

QTEST_MAIN(tst_CatalogBackupWindow)
#include "tst_catalogbackupwindow.moc"
