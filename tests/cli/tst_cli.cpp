#include "Database.h"
#include "TestDatabases.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// kestrivo-cli as a user runs it: a separate process in an empty program folder.
class tst_Cli : public QObject {
    Q_OBJECT

    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };

    static Run cli(const QStringList& arguments) {
        QProcess process;
        process.start(qEnvironmentVariable("KESTRIVO_BINARY_DIR") + "/bin/kestrivo-cli", arguments);
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private Q_SLOTS:
    void initThenSettingsInAnEmptyHome() {
        QTemporaryDir folder;
        const QString home = folder.path() + "/home";
        const QString settings = folder.path() + "/Kestrivo.ini";
        const Run init = cli({"--home", home, "--settings", settings, "init"});
        QCOMPARE(init.exitCode, 0);

        const Run shown = cli({"--home", home, "--settings", settings, "settings"});
        QCOMPARE(shown.exitCode, 0);
        const QStringList lines = shown.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines[0], QString("Provider=SQLite"));
        QCOMPARE(lines[9], "UnitPath=" + home + "/unit/");
        const QString connection =
            "Provider=SQLite;Data Source=" + home + "/data/kestrivo.db;Persist Security Info=False";
        QCOMPARE(lines[10], "ConnectionString=" + connection);

        Database db = Database::open(connection, "cli");
        for (const char* table :
             {"Template", "TemplateField", "TemplateFieldValue", "FileNameField", "TemplateQuestion", "TemplateAnswer",
              "TemplatePickList", "Evaluation", "EvaluationField", "EvaluationQuestion", "EvaluationPickList",
              "ReportColumnField", "Code"})
            QCOMPARE(db.scalar(QString("SELECT COUNT(*) FROM %1").arg(table)).toInt(), 0);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM ReportDefinition").toInt(), 3);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM CompanyParameter").toInt(), 1);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Control WHERE EULA IS NULL").toInt(), 1);
        db.close();
    }

    void badInputIsAnsweredClearly() {
        QCOMPARE(cli({"--version"}).out, QString("kestrivo-cli 3.0.0\n"));
        QVERIFY(cli({"--help"}).out.contains("init"));
        const Run unknown = cli({"frobnicate"});
        QCOMPARE(unknown.exitCode, 2);
        QCOMPARE(unknown.err, QString("kestrivo-cli: unknown command frobnicate (try --help)\n"));

        QTemporaryDir folder;
        const QString settings = folder.path() + "/Kestrivo.ini";
        QVERIFY(cli({"--home", folder.path(), "--settings", settings, "init"}).exitCode == 0);
        QSettings ini(settings, QSettings::IniFormat);
        ini.setValue("HKEY_LOCAL_MACHINE/Software/Halvane/Kestrivo/Provider", "Oracle");
        ini.sync();
        const Run refused = cli({"--home", folder.path(), "--settings", settings, "init"});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains("The setting Provider holds \"Oracle\""), qPrintable(refused.err));
    }
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
