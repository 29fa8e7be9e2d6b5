#include "Database.h"
#include "KestrivoCli.h"
#include "TestDatabases.h"
#include "UnitSimulator.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSqlError>
#include <QTest>

// The handheld commands of kestrivo-cli as a user runs them, in a program folder of their own.
class tst_HandheldCli : public QObject, private KestrivoCli::Home {
    Q_OBJECT

    using Run = KestrivoCli::Run;

    QString unitFolder() const { return home() + "/unit/My Documents/Nobrin/Evaluations/"; }
    QStringList unitFiles() const { return QDir(unitFolder()).entryList(QDir::Files, QDir::Name); }
    int count(const QString& connection, const QString& table) const {
        Database db = Database::open(connection, "probe");
        const int rows = db.scalar("SELECT COUNT(*) FROM " + table).toInt();
        db.close();
        return rows;
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
        QVERIFY2(demo.out.contains("on a phone or tablet: run kestrivo-cli unit serve"), qPrintable(demo.out));
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
        QFile bad(path("Bad.txt"));
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

    // Two PCs, each with its own unit, add at the same moment into one catalog; 200 files were
    // copied onto both units. Each file goes in once, and a file that the other PC has just
    // imported is skipped and removed from the unit, never an error.
    void twoPcsAddAtOnce_data() { TestDatabases::addEngineRows(); }
    void twoPcsAddAtOnce() {
        QFETCH(QString, connection);
        const QString otherHome = path("second");
        const QString otherSettings = path("Second.ini");
        QDir(otherHome).removeRecursively();
        QFile::remove(otherSettings);
        const auto second = [&](const QStringList& arguments) {
            return QStringList({"--home", otherHome, "--settings", otherSettings}) + arguments;
        };
        if (connection.startsWith("Provider=PostgreSQL")) {
            const QString target = connection.section("Data Source=", 1).section(';', 0, 0) + '/' +
                                   connection.section("Initial Catalog=", 1).section(';', 0, 0);
            QCOMPARE(cli({"init", "--postgres", target}).exitCode, 0);
            QCOMPARE(KestrivoCli::run(otherHome, otherSettings, {"init", "--postgres", target}).exitCode, 0);
        } else {
            connection = this->connection();
            QCOMPARE(KestrivoCli::run(otherHome, otherSettings,
                                      {"settings", "set", "DataSource", home() + "/data/kestrivo.db"})
                         .exitCode,
                     0);
            QCOMPARE(KestrivoCli::run(otherHome, otherSettings, {"init"}).exitCode, 0);
        }
        {
            Database db = Database::open(connection, "setup");
            const qint64 key = db.insert("Template", {"Name"}, {"Shared"});
            const qint64 site = db.insert(
                "TemplateField", {"TemplateKey", "Sequence", "FieldLabel", "FieldType", "GroupField", "ForceEntry"},
                {key, 1, "Site", 2, -1, -1});
            for (const char* value : {"North", "South", "East"})
                db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {site, value});
            db.insert("TemplateField", {"TemplateKey", "Sequence", "FieldLabel", "FieldType"}, {key, 2, "Notes", 0});
            db.insert("FileNameField", {"TemplateFieldKey", "Sequence"}, {site, 1});
            for (int number = 1; number <= 5; ++number) {
                const qint64 question = db.insert("TemplateQuestion", {"TemplateKey", "Question", "Sequence"},
                                                  {key, QString("Question %1?").arg(number), number});
                for (const char* answer : {"Yes", "No"})
                    db.insert("TemplateAnswer", {"TemplateQuestionKey", "Answer"}, {question, answer});
                for (const char* pick : {"Floor", "Wall", "Roof"})
                    db.insert("TemplatePickList", {"TemplateQuestionKey", "Name"}, {question, pick});
            }
            db.close();
        }
        const UnitSimulator first(home() + "/unit/"), other(otherHome + "/unit/");
        first.init();
        other.init();
        QCOMPARE(cli({"upload", "Shared"}).exitCode, 0);
        QCOMPARE(KestrivoCli::run(otherHome, otherSettings, {"upload", "Shared"}).exitCode, 0);
        const QStringList filled = first.fill("Shared.evt", 400, 1);
        for (const QString& name : filled.mid(0, 200))
            QVERIFY(QFile::copy(first.evaluationFolderPath() + name, other.evaluationFolderPath() + name));
        other.fill("Shared.evt", 200, 2);

        QProcess one, two;
        one.start(KestrivoCli::program(), withHome({"unit", "add", "--all"}));
        two.start(KestrivoCli::program(), second({"unit", "add", "--all"}));
        const Run ranOne = KestrivoCli::finished(one);
        const Run ranTwo = KestrivoCli::finished(two);
        QVERIFY2(ranOne.exitCode == 0, qPrintable(ranOne.err));
        QVERIFY2(ranTwo.exitCode == 0, qPrintable(ranTwo.err));
        for (const Run& ran : {ranOne, ranTwo}) {
            QCOMPARE(ran.out.count("Added ") + ran.out.count("Skipped "), 400);
            QVERIFY2(!ran.err.contains("Error"), qPrintable(ran.err));
        }
        QCOMPARE(ranOne.out.count("Added ") + ranTwo.out.count("Added "), 600);
        QCOMPARE(count(connection, "Evaluation"), 600);
        QCOMPARE(count(connection, "ImportedFile"), 600);
        QCOMPARE(count(connection, "EvaluationQuestion"), 3000);
        QCOMPARE(unitFiles(), QStringList());
        QCOMPARE(QDir(other.evaluationFolderPath()).entryList(QDir::Files), QStringList());
        QVERIFY(!QFile::exists(home() + "/logs/ErrorLog.txt"));
        QVERIFY(!QFile::exists(otherHome + "/logs/ErrorLog.txt"));
    }

    void usageAndAMissingUnit() {
        QCOMPARE(cli({"unit"}).exitCode, 2);
        QCOMPARE(cli({"unit", "add"}).exitCode, 2);
        QCOMPARE(cli({"unit", "add", "--all", "x.txt"}).exitCode, 2);
        QCOMPARE(cli({"import-files"}).exitCode, 2);
        QCOMPARE(cli({"upload"}).err, QString("kestrivo-cli: usage: upload TEMPLATE\n"));

        // A unit mounted elsewhere that is not there; the emulated one below the program folder
        // is made again at every start.
        QCOMPARE(cli({"settings", "set", "UnitPath", home() + "/media/unit/"}).exitCode, 0);
        const Run list = cli({"unit", "list"});
        QCOMPARE(list.exitCode, 1);
        QVERIFY(list.err.contains("Connection Error: Unit is not connected to PC.  Try again."));
    }

    // Add commits files in batches and removes a file from the unit only after its batch was
    // committed: killed at any moment, every file gone from the unit is in the catalog, whole.
    void killedAddRemovesOnlyCommittedFiles_data() { TestDatabases::addEngineRows(); }
    void killedAddRemovesOnlyCommittedFiles() {
        QFETCH(QString, connection);
        if (connection.startsWith("Provider=PostgreSQL"))
            TestDatabases::usePostgresInSettings(settings(), connection);
        else
            connection = this->connection();
        QCOMPARE(cli({"demo"}).exitCode, 0);
        const UnitSimulator unit(home() + "/unit/");
        unit.fill("Demo Site Inspection.evt", 1500, 3);
        const QStringList names = unitFiles();
        QCOMPARE(names.size(), 1510);
        QProcess process;
        process.start(KestrivoCli::program(), withHome({"--yes", "unit", "add", "--all"}));
        QVERIFY(process.waitForStarted());
        QVERIFY2(TestDatabases::caughtRunning(process,
                                              [&] {
                                                  return unitFiles().size() < 1510 &&
                                                         TestDatabases::anotherIsWriting(connection,
                                                                                         "EvaluationPickList");
                                              }),
                 "the Add ended before it could be killed in the middle");
        process.kill();
        QVERIFY(process.waitForFinished());
        const QStringList left = unitFiles();
        Database db = Database::open(connection, "probe");
        QStringList imported;
        QSqlQuery files = db.query("SELECT FileName FROM ImportedFile");
        while (files.next())
            imported << files.value(0).toString();
        int removed = 0;
        for (const QString& name : names) {
            if (left.contains(name))
                continue;
            ++removed;
            QVERIFY2(imported.contains(name), qPrintable(name + " left the unit but is not in the catalog"));
        }
        QVERIFY(removed > 0);
        QVERIFY(left.size() > 0);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Evaluation").toInt(), int(imported.size()));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM EvaluationQuestion").toInt(), 12 * int(imported.size()));
        db.close();

        // The next Add takes the rest, skipping what was imported but not yet removed.
        const Run rest = cli({"--yes", "unit", "add", "--all"});
        QVERIFY2(rest.exitCode == 0, qPrintable(rest.err));
        QCOMPARE(unitFiles(), QStringList());
        QCOMPARE(count(connection, "Evaluation"), 1530);
    }

    void killedImportLeavesNothing_data() { TestDatabases::addEngineRows(); }
    void killedImportLeavesNothing() {
        QFETCH(QString, connection);
        connection = useCatalog(connection);
        qint64 templateKey = 0, field = 0, value = 0;
        {
            Database db = Database::open(connection, "setup");
            templateKey = db.insert("Template", {"Name"}, {"Big"});
            field = db.insert("TemplateField", {"TemplateKey", "FieldLabel", "FieldType", "GroupField"},
                              {templateKey, "Group", 2, -1});
            value = db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {field, "A"});
            db.close();
        }
        QFile big(path("Big.txt"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write(QString("\"*H*\",x,%1,%2\r\n").arg(templateKey).arg(value).toLatin1());
        const QByteArray record = QString("\"*F*\",%1,\"A value\",%2\r\n").arg(field).arg(value).toLatin1();
        for (int i = 0; i < 1500000; ++i)
            big.write(record);
        big.close();

        QProcess process;
        process.start(KestrivoCli::program(), withHome({"import-files", big.fileName()}));
        QVERIFY(process.waitForStarted());
        QVERIFY2(TestDatabases::caughtRunning(
                     process, [&] { return TestDatabases::anotherIsWriting(connection, "EvaluationField"); }),
                 "the import ended before it could be killed in the middle");
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
