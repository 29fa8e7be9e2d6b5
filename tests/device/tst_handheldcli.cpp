#include "Database.h"
#include "TestDatabases.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSqlError>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// The handheld commands of kestrivo-cli as a user runs them, in a program folder of their own.
class tst_HandheldCli : public QObject {
    Q_OBJECT

    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };

    QTemporaryDir m_folder;

    QString home() const { return m_folder.path() + "/home"; }
    QString settings() const { return m_folder.path() + "/Kestrivo.ini"; }
    static QString program() { return qEnvironmentVariable("KESTRIVO_BINARY_DIR") + "/bin/kestrivo-cli"; }
    QStringList withHome(const QStringList& arguments) const {
        return QStringList({"--home", home(), "--settings", settings()}) + arguments;
    }
    Run cli(const QStringList& arguments) const {
        QProcess process;
        process.start(program(), withHome(arguments));
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    QString unitFolder() const { return home() + "/unit/My Documents/Nobrin/Evaluations/"; }
    QStringList unitFiles() const { return QDir(unitFolder()).entryList(QDir::Files, QDir::Name); }
    QString connection() const {
        return "Provider=SQLite;Data Source=" + home() + "/data/kestrivo.db;Persist Security Info=False";
    }
    int count(const QString& connection, const QString& table) const {
        Database db = Database::open(connection, "probe");
        const int rows = db.scalar("SELECT COUNT(*) FROM " + table).toInt();
        db.close();
        return rows;
    }

    // True while another connection holds the write lock of the SQLite file, or has rows of
    // an open transaction in EvaluationField on the server.
    static bool importerIsWriting(const QString& connection, DatabaseEngine engine) {
        if (engine == DatabaseEngine::PostgreSQL) {
            Database db = Database::open(connection, "probe");
            const bool writing = db.scalar("SELECT COUNT(*) FROM pg_locks l INNER JOIN pg_class c ON l.relation = "
                                           "c.oid WHERE c.relname = 'evaluationfield' AND l.mode = 'RowExclusiveLock' "
                                           "AND l.pid <> pg_backend_pid()")
                                     .toInt() > 0;
            db.close();
            return writing;
        }
        bool writing = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "lockprobe");
            db.setDatabaseName(connection.section("Data Source=", 1).section(';', 0, 0));
            db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=0");
            if (db.open()) {
                QSqlQuery begin(db);
                writing = !begin.exec("BEGIN IMMEDIATE");
                if (!writing)
                    QSqlQuery(db).exec("ROLLBACK");
            }
            db.close();
        }
        QSqlDatabase::removeDatabase("lockprobe");
        return writing;
    }

private Q_SLOTS:
    void init() { QVERIFY(cli({"init"}).exitCode == 0); }
    void cleanup() {
        QDir(home()).removeRecursively();
        QFile::remove(settings());
    }

    void demoThenDownAndAdd() {
        const Run demo = cli({"demo"});
        QCOMPARE(demo.exitCode, 0);
        QVERIFY2(demo.out.contains("20 were imported, and 10 wait on the unit"), qPrintable(demo.out));
        QVERIFY(demo.err.contains("Transfer Completed."));
        QCOMPARE(count(connection(), "Evaluation"), 20);
        QCOMPARE(count(connection(), "TemplateField WHERE FieldType=3"), 1);
        QCOMPARE(count(connection(), "TemplateQuestion"), 12);
        QCOMPARE(count(connection(), "EvaluationQuestion"), 240);
        QVERIFY(QFile::exists(home() + "/data/Demo Site Inspection.evt"));
        QVERIFY(QFile::exists(home() + "/unit/My Documents/Nobrin/Templates/Demo Site Inspection.evt"));

        const Run list = cli({"unit", "list"});
        QCOMPARE(list.exitCode, 0);
        const QStringList names = list.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(names, unitFiles());
        QCOMPARE(names.size(), 10);

        const Run missing = cli({"unit", "add", "Nowhere.txt"});
        QCOMPARE(missing.exitCode, 1);
        QCOMPARE(missing.err, QString("kestrivo-cli: not on the unit: Nowhere.txt\n"));
        QCOMPARE(unitFiles().size(), 10);

        const Run one = cli({"unit", "add", names.first()});
        QCOMPARE(one.exitCode, 0);
        QCOMPARE(one.out, "Added " + names.first() + "\n");
        QVERIFY(one.err.contains("Message: Selected files copied"));
        const Run all = cli({"unit", "add", "--all"});
        QCOMPARE(all.exitCode, 0);
        QCOMPARE(all.out.count("Added "), 9);
        QCOMPARE(count(connection(), "Evaluation"), 30);
        QCOMPARE(unitFiles(), QStringList());

        const Run empty = cli({"unit", "list"});
        QCOMPARE(empty.exitCode, 0);
        QVERIFY(empty.err.contains("Download: No files found to download."));

        // Files already on the PC: a copy of an imported one is skipped, a bad one fails alone.
        const QString copy = home() + "/data/Evaluations/" + names.first();
        QFile bad(m_folder.path() + "/Bad.txt");
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("\"*H*\",x,1,999\r\n");
        bad.close();
        const Run imported = cli({"import-files", copy, bad.fileName()});
        QCOMPARE(imported.exitCode, 1);
        QCOMPARE(imported.out, "Skipped " + copy + " (already imported)\nFailed " + bad.fileName() + "\n");
        QVERIFY(imported.err.contains("The evaluation file Bad.txt was not imported."));
        QCOMPARE(count(connection(), "Evaluation"), 30);

        QCOMPARE(cli({"upload", "Demo Site Inspection"}).exitCode, 0);
        QCOMPARE(cli({"upload", "1"}).exitCode, 0);
        const Run unknown = cli({"upload", "Nothing"});
        QCOMPARE(unknown.exitCode, 1);
        QCOMPARE(unknown.err, QString("kestrivo-cli: no template has the name or key Nothing\n"));
    }

    void usageAndAMissingUnit() {
        QCOMPARE(cli({"unit"}).exitCode, 2);
        QCOMPARE(cli({"unit", "add"}).exitCode, 2);
        QCOMPARE(cli({"unit", "add", "--all", "x.txt"}).exitCode, 2);
        QCOMPARE(cli({"import-files"}).exitCode, 2);
        QCOMPARE(cli({"upload"}).err, QString("kestrivo-cli: usage: upload TEMPLATE\n"));

        QVERIFY(QDir(home() + "/unit").removeRecursively());
        const Run list = cli({"unit", "list"});
        QCOMPARE(list.exitCode, 1);
        QVERIFY(list.err.contains("Connection Error: Unit is not connected to PC.  Try again."));
    }

    void killedImportLeavesNothing_data() { TestDatabases::addEngineRows(); }
    void killedImportLeavesNothing() {
        QFETCH(QString, connection);
        const DatabaseEngine engine =
            connection.startsWith("Provider=SQLite") ? DatabaseEngine::SQLite : DatabaseEngine::PostgreSQL;
        if (engine == DatabaseEngine::PostgreSQL) {
            QSettings ini(settings(), QSettings::IniFormat);
            const QString key = "HKEY_LOCAL_MACHINE/Software/Halvane/Kestrivo/";
            ini.setValue(key + "Provider", "PostgreSQL");
            ini.setValue(key + "DataSource", connection.section("Initial Catalog=", 1).section(';', 0, 0));
            ini.setValue(key + "DataServer", connection.section("Data Source=", 1).section(';', 0, 0));
        } else {
            connection = this->connection();
        }
        qint64 templateKey = 0, field = 0, value = 0;
        {
            Database db = Database::open(connection, "setup");
            templateKey = db.insert("Template", {"Name"}, {"Big"});
            field = db.insert("TemplateField", {"TemplateKey", "FieldLabel", "FieldType", "GroupField"},
                              {templateKey, "Group", 2, -1});
            value = db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {field, "A"});
            db.close();
        }
        QFile big(m_folder.path() + "/Big.txt");
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write(QString("\"*H*\",x,%1,%2\r\n").arg(templateKey).arg(value).toLatin1());
        const QByteArray record = QString("\"*F*\",%1,\"A value\",%2\r\n").arg(field).arg(value).toLatin1();
        for (int i = 0; i < 1500000; ++i)
            big.write(record);
        big.close();

        QProcess process;
        process.start(program(), withHome({"import-files", big.fileName()}));
        QVERIFY(process.waitForStarted());
        QElapsedTimer clock;
        clock.start();
        bool writing = false;
        while (!writing && process.state() == QProcess::Running && clock.elapsed() < 60000) {
            QThread::msleep(20);
            writing = importerIsWriting(connection, engine);
        }
        QVERIFY2(writing, "the import ended before it could be killed in the middle");
        process.kill();
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        QCOMPARE(count(connection, "Evaluation"), 0);
        QCOMPARE(count(connection, "EvaluationField"), 0);
        QCOMPARE(count(connection, "ImportedFile"), 0);
    }
};

QTEST_GUILESS_MAIN(tst_HandheldCli)
#include "tst_handheldcli.moc"
