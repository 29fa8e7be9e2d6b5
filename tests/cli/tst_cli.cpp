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

    static Run cli(const QStringList& arguments, const QProcessEnvironment& environment = {}) {
        QProcess process;
        if (!environment.isEmpty())
            process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("KESTRIVO_BINARY_DIR") + "/bin/kestrivo-cli", arguments);
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    static QString stored(const QString& settings, const QString& name) {
        return QSettings(settings, QSettings::IniFormat)
            .value("HKEY_LOCAL_MACHINE/Software/Halvane/Kestrivo/" + name)
            .toString();
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
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM ReportDefinition").toInt(), 4);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM CompanyParameter").toInt(), 1);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Control WHERE EULA IS NULL").toInt(), 1);
        db.close();
    }

    void badInputIsAnsweredClearly() {
        QCOMPARE(cli({"--version"}).out, QString("kestrivo-cli 3.1.0\n"));
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

    void settingsSetWritesWhatTheOptionsWindowWrites() {
        QTemporaryDir folder;
        const QString settings = folder.path() + "/Kestrivo.ini";
        const QStringList home{"--home", folder.path(), "--settings", settings};
        // On a fresh home the first-run defaults come first, then the one value.
        const Run server = cli(home + QStringList{"settings", "set", "Provider", "postgresql"});
        QCOMPARE(server.exitCode, 0);
        QCOMPARE(server.out,
                 QString("Provider=PostgreSQL\nDataServer=\nConnectionMisc=;Persist Security Info=False;\n"));
        QCOMPARE(stored(settings, "LogPath"), folder.path() + "/logs/");
        QCOMPARE(cli(home + QStringList{"settings", "set", "DataServer", "db.example:5433"}).exitCode, 0);
        QCOMPARE(cli(home + QStringList{"settings", "set", "DataSource", "inspections"}).exitCode, 0);
        QVERIFY(cli(home + QStringList{"settings"})
                    .out.contains("ConnectionString=Provider=PostgreSQL;Initial Catalog=inspections;Data "
                                  "Source=db.example:5433;Persist Security Info=False;\n"));

        // Back to SQLite: the server is cleared as the options window clears it.
        QCOMPARE(cli(home + QStringList{"settings", "set", "Provider", "SQLite"}).exitCode, 0);
        QCOMPARE(stored(settings, "DataServer"), QString());
        QCOMPARE(stored(settings, "ConnectionMisc"), QString(";Persist Security Info=False"));

        QCOMPARE(cli(home + QStringList{"settings", "set", "UnitPath", "/media/unit"}).out,
                 QString("UnitPath=/media/unit/\n"));
        QCOMPARE(cli(home + QStringList{"settings", "set", "ReportDataPath", "/srv/Report.db"}).out,
                 QString("ReportDataPath=/srv/Report.db\n"));

        const Run unknown = cli(home + QStringList{"settings", "set", "DataPath", "/tmp/"});
        QCOMPARE(unknown.exitCode, 2);
        QCOMPARE(unknown.err, QString("kestrivo-cli: there is no setting DataPath to set; the settings are Provider, "
                                      "DataSource, DataServer, ReportDataPath, LayoutPath, LogPath, UnitPath, "
                                      "WebUnitListen, WebUnitInstallPort, WebUnitCertificate, WebUnitKey\n"));
        const Run listen = cli(home + QStringList{"settings", "set", "WebUnitListen", "127.0.0.1:8123"});
        QCOMPARE(listen.exitCode, 0);
        QCOMPARE(listen.out, QString("WebUnitListen=127.0.0.1:8123\n"));
        const Run provider = cli(home + QStringList{"settings", "set", "Provider", "Oracle"});
        QCOMPARE(provider.exitCode, 2);
        QCOMPARE(provider.err,
                 QString("kestrivo-cli: the provider \"Oracle\" is not known; use SQLite or PostgreSQL\n"));
        QCOMPARE(stored(settings, "Provider"), QString("SQLite"));
        QCOMPARE(cli(home + QStringList{"settings", "set", "Provider"}).exitCode, 2);

        // Settings whose provider cannot be loaded are repaired by setting one.
        QSettings(settings, QSettings::IniFormat)
            .setValue("HKEY_LOCAL_MACHINE/Software/Halvane/Kestrivo/Provider", "Jet");
        QCOMPARE(cli(home + QStringList{"settings", "set", "LogPath", "/tmp"}).exitCode, 1);
        QCOMPARE(cli(home + QStringList{"settings", "set", "Provider", "SQLite"}).exitCode, 0);
        QCOMPARE(cli(home + QStringList{"settings"}).exitCode, 0);
    }

    void initPostgres() {
        if (!TestDatabases::postgresAvailable()) {
            if (!qEnvironmentVariable("CI").isEmpty())
                QFAIL("no PostgreSQL server (KESTRIVO_TEST_PGHOST)");
            QSKIP("no PostgreSQL server (KESTRIVO_TEST_PGHOST)");
        }
        QTemporaryDir folder;
        const QString settings = folder.path() + "/Kestrivo.ini";
        const QStringList home{"--home", folder.path(), "--settings", settings};
        const QString host = qEnvironmentVariable("KESTRIVO_TEST_PGHOST");
        const QString port = qEnvironmentVariable("KESTRIVO_TEST_PGPORT");
        const QString catalog = TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL)
                                    .section("Initial Catalog=", 1)
                                    .section(';', 0, 0);

        // A server that does not answer leaves the settings as they were.
        QCOMPARE(cli(home + QStringList{"init"}).exitCode, 0);
        const Run refused = cli(home + QStringList{"init", "--postgres", folder.path() + "/nowhere:5432/" + catalog});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains("cannot be opened") &&
                     refused.err.contains("the settings were left as they were"),
                 qPrintable(refused.err));
        QCOMPARE(stored(settings, "Provider"), QString("SQLite"));
        QCOMPARE(cli(home + QStringList{"init", "--postgres", host + ":" + port + "/"}).exitCode, 2);

        // The socket folder and port given; the catalog is created with its tables.
        const Run init = cli(home + QStringList{"init", "--postgres", host + ":" + port + "/" + catalog});
        QVERIFY2(init.exitCode == 0, qPrintable(init.err));
        QCOMPARE(stored(settings, "Provider"), QString("PostgreSQL"));
        QCOMPARE(stored(settings, "DataSource"), catalog);
        QCOMPARE(stored(settings, "DataServer"), host + ":" + port);
        QCOMPARE(stored(settings, "ConnectionMisc"), QString(";Persist Security Info=False;"));
        const QString connection =
            "Provider=PostgreSQL;Initial Catalog=" + catalog + ";Data Source=" + host + ":" + port;
        Database db = Database::open(connection, "cli");
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM ReportDefinition").toInt(), 4);
        db.close();

        // Without a server the settings leave it empty, and libpq's PGHOST and PGPORT decide.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PGHOST", host);
        environment.insert("PGPORT", port);
        const Run byEnvironment = cli(home + QStringList{"init", "--postgres", catalog}, environment);
        QVERIFY2(byEnvironment.exitCode == 0, qPrintable(byEnvironment.err));
        QCOMPARE(stored(settings, "DataServer"), QString());
    }
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
