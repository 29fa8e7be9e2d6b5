#include "Database.h"
#include "KestrivoCli.h"
#include "TestDatabases.h"
#include "UnitSimulator.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// kestrivo-cli catalog copy, backup and restore as a user runs them: in both directions
// between the engines, the refusals, and a copy killed half-way.
class tst_CatalogCli : public QObject {
    Q_OBJECT

    using Run = KestrivoCli::Run;

    std::unique_ptr<QTemporaryDir> m_folder;

    QString path(const QString& name) const { return m_folder->path() + '/' + name; }
    QStringList withHome(const QStringList& arguments) const {
        return KestrivoCli::withHome(path("home"), path("Kestrivo.ini"), arguments);
    }
    Run cli(const QStringList& arguments) const {
        return KestrivoCli::run(path("home"), path("Kestrivo.ini"), arguments);
    }
    // "[HOST[:PORT]/]CATALOG" of a PostgreSQL connection string.
    static QString serverAndCatalog(const QString& connection) {
        return connection.section("Data Source=", 1).section(';', 0, 0) + '/' +
               connection.section("Initial Catalog=", 1).section(';', 0, 0);
    }
    static QString location(const QString& connection) {
        return connection.startsWith("Provider=SQLite") ? connection.section("Data Source=", 1).section(';', 0, 0)
                                                        : serverAndCatalog(connection);
    }
    static int count(const QString& connection, const QString& table) {
        Database db = Database::open(connection, "probe");
        const int rows = db.scalar("SELECT COUNT(*) FROM " + table).toInt();
        db.close();
        return rows;
    }
    // Runs the settings commands that a copy's last line names.
    void useTheCopy(const QString& closingLine) const {
        QVERIFY2(closingLine.startsWith("To make this PC use the copy: "), qPrintable(closingLine));
        for (QString command : closingLine.section(": ", 1).split(" && ")) {
            QStringList words = command.split(' ');
            QCOMPARE(words.mid(0, 3), QStringList({"kestrivo-cli", "settings", "set"}));
            QString value = words.mid(4).join(' ');
            if (value.startsWith('\'') && value.endsWith('\''))
                value = value.mid(1, value.size() - 2);
            QCOMPARE(cli({"settings", "set", words.at(3), value}).exitCode, 0);
        }
    }
    QString evaluations() const {
        const Run list = cli({"evaluation", "list", "--template", "1", "--begin", "01/01/00"});
        return list.exitCode == 0 ? list.out : list.err;
    }

private Q_SLOTS:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        QCOMPARE(cli({"init"}).exitCode, 0);
    }
    void cleanup() { m_folder.reset(); }

    // The demo's catalog to PostgreSQL and back to a new SQLite file; after each copy its
    // settings commands make the program use the copy, which lists the same evaluations.
    void copyThereAndBack() {
        QCOMPARE(cli({"demo"}).exitCode, 0);
        const QString original = evaluations();
        QCOMPARE(original.count('\n'), 21);
        const QString there = TestDatabases::postgresAvailable()
                                  ? serverAndCatalog(TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL))
                                  : path("there.db");
        const Run out = cli({"catalog", "copy", "--to", there});
        QVERIFY2(out.exitCode == 0, qPrintable(out.err));
        const QStringList lines = out.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 21);
        QVERIFY(lines.first().startsWith("Copying " + path("home") + "/data/kestrivo.db to "));
        QVERIFY2(QRegularExpression("^Evaluation +20 rows  SHA-256 [0-9a-f]{16}\\.\\.\\.  the same on both sides$")
                     .match(lines.at(8))
                     .hasMatch(),
                 qPrintable(lines.at(8)));
        QVERIFY2(QRegularExpression("^Copied \\d+ rows in 18 tables in [0-9.]+ s; every table holds the same rows in "
                                    "the copy as in the source.$")
                     .match(lines.at(19))
                     .hasMatch(),
                 qPrintable(lines.at(19)));
        useTheCopy(lines.last());
        QCOMPARE(evaluations(), original);
        if (TestDatabases::postgresAvailable())
            QVERIFY(cli({"settings"}).out.contains("Provider=PostgreSQL\n"));

        // Back, from the catalog of the settings, into a new file whose name needs quoting.
        const Run back = cli({"catalog", "copy", "--to", path("back again.db")});
        QVERIFY2(back.exitCode == 0, qPrintable(back.err));
        QCOMPARE(back.out.split('\n', Qt::SkipEmptyParts).last(),
                 "To make this PC use the copy: kestrivo-cli settings set DataSource '" + path("back again.db") +
                     "' && kestrivo-cli settings set Provider SQLite");
        useTheCopy(back.out.split('\n', Qt::SkipEmptyParts).last());
        QCOMPARE(evaluations(), original);

        // A target that holds evaluations is refused and keeps them; so is the catalog itself.
        const Run again = cli({"catalog", "copy", "--from", path("home") + "/data/kestrivo.db", "--to", there});
        QCOMPARE(again.exitCode, 1);
        QVERIFY2(again.err.endsWith(" holds 1 template and 20 evaluations: a catalog is copied only into one that "
                                    "holds no template and no evaluation. Nothing was written.\n"),
                 qPrintable(again.err));
        const Run itself = cli({"catalog", "copy", "--to", path("back again.db")});
        QCOMPARE(itself.exitCode, 1);
        QCOMPARE(itself.err,
                 "kestrivo-cli: the source and the target are the same catalog, " + path("back again.db") + "\n");
        const Run missing = cli({"catalog", "copy", "--from", path("nowhere.db"), "--to", path("x.db")});
        QCOMPARE(missing.exitCode, 1);
        QCOMPARE(missing.err, "kestrivo-cli: The file " + path("nowhere.db") + " does not exist.\n");
        QVERIFY(!QFile::exists(path("x.db")));
        for (const QStringList& wrong : QList<QStringList>{{"catalog"},
                                                           {"catalog", "copy"},
                                                           {"catalog", "copy", "--from", "a.db"},
                                                           {"catalog", "copy", "--to"},
                                                           {"catalog", "copy", "--to", "a.db", "--to", "b.db"},
                                                           {"catalog", "backup"},
                                                           {"catalog", "restore"}})
            QCOMPARE(cli(wrong).exitCode, 2);
    }

    void backupAndRestore_data() { TestDatabases::addEngineRows(); }
    void backupAndRestore() {
        QFETCH(QString, connection);
        if (connection.startsWith("Provider=PostgreSQL"))
            QCOMPARE(cli({"init", "--postgres", serverAndCatalog(connection)}).exitCode, 0);
        QCOMPARE(cli({"demo"}).exitCode, 0);
        const QString original = evaluations();
        const Run backup = cli({"catalog", "backup", path("saved.db")});
        QVERIFY2(backup.exitCode == 0, qPrintable(backup.err));
        const QString rows = backup.out.section("Backed up ", 1).section(' ', 0, 0);
        QVERIFY2(backup.out.endsWith("Backed up " + rows + " rows in 18 tables to " + path("saved.db") +
                                     "; every table holds the same rows in the backup as in the catalog.\n"),
                 qPrintable(backup.out));
        QCOMPARE(cli({"catalog", "backup", path("saved.db")}).err,
                 "kestrivo-cli: The file " + path("saved.db") +
                     " exists already; a backup is written only into a new file.\n");

        // Into the catalog that holds what was backed up: refused.
        const Run full = cli({"catalog", "restore", path("saved.db")});
        QCOMPARE(full.exitCode, 1);
        QVERIFY(full.err.contains("holds 1 template and 20 evaluations"));

        // A damaged backup is refused before the empty catalog is touched; the sound one goes in.
        const QString empty = TestDatabases::freshConnectionString(ConnectionString::parse(connection).engine);
        QCOMPARE(cli({"settings", "set", "DataSource", location(empty)}).exitCode, 0);
        if (empty.startsWith("Provider=PostgreSQL"))
            QCOMPARE(cli({"init", "--postgres", serverAndCatalog(empty)}).exitCode, 0);
        QVERIFY(QFile::copy(path("saved.db"), path("cut.db")));
        QFile cut(path("cut.db"));
        QVERIFY(cut.resize(cut.size() - 4096));
        const Run damaged = cli({"catalog", "restore", path("cut.db")});
        QCOMPARE(damaged.exitCode, 1);
        QVERIFY2(damaged.err.contains(" is damaged: it has been cut short") &&
                     damaged.err.endsWith("Nothing was written.\n"),
                 qPrintable(damaged.err));
        QCOMPARE(count(empty, "ReportDefinition"), 4);
        QCOMPARE(count(empty, "Template"), 0);
        const Run restore = cli({"catalog", "restore", path("saved.db")});
        QVERIFY2(restore.exitCode == 0, qPrintable(restore.err));
        QVERIFY2(restore.out.endsWith("Restored " + rows +
                                      " rows in 18 tables; every table holds the same rows in the "
                                      "catalog as in the backup.\n"),
                 qPrintable(restore.out));
        QCOMPARE(evaluations(), original);
    }

    // A backup taken while another PC adds evaluations holds each evaluation whole: the
    // catalog as it was at one moment.
    void backupWhileAnotherPcAdds_data() { TestDatabases::addEngineRows(); }
    void backupWhileAnotherPcAdds() {
        QFETCH(QString, connection);
        if (connection.startsWith("Provider=PostgreSQL"))
            QCOMPARE(cli({"init", "--postgres", serverAndCatalog(connection)}).exitCode, 0);
        else
            connection = "Provider=SQLite;Data Source=" + path("home") + "/data/kestrivo.db";
        QCOMPARE(cli({"demo"}).exitCode, 0);
        UnitSimulator(path("home") + "/unit/").fill("Demo Site Inspection.evt", 1500, 5);
        QProcess adding;
        adding.start(KestrivoCli::program(), withHome({"unit", "add", "--all"}));
        QVERIFY(adding.waitForStarted());
        QVERIFY2(TestDatabases::caughtRunning(adding, [&] { return count(connection, "Evaluation") > 100; }),
                 "the Add ended before a backup could be taken beside it");
        const Run backup = cli({"catalog", "backup", path("during.db")});
        QVERIFY2(backup.exitCode == 0, qPrintable(backup.err));
        QVERIFY(adding.waitForFinished(300000));
        QCOMPARE(adding.exitCode(), 0);

        const QString saved = "Provider=SQLite;Data Source=" + path("during.db");
        const int evaluations = count(saved, "Evaluation");
        QVERIFY2(evaluations > 100 && evaluations < 1530, qPrintable(QString::number(evaluations)));
        QCOMPARE(count(saved, "ImportedFile"), evaluations);
        QCOMPARE(count(saved, "EvaluationQuestion"), 12 * evaluations);
        QCOMPARE(count(saved, "EvaluationField"), 6 * evaluations);
        QCOMPARE(count(connection, "Evaluation"), 1530);
    }

    // A copy killed in the middle leaves the target empty, and a second copy then succeeds.
    void killedCopyLeavesTheTargetEmpty_data() { TestDatabases::addEngineRows(); }
    void killedCopyLeavesTheTargetEmpty() {
        QFETCH(QString, connection);
        const QString source = path("big.db");
        {
            Database db = Database::open("Provider=SQLite;Data Source=" + source, "big");
            Transaction transaction(db);
            const qint64 key = db.insert("Template", {"Name"}, {"Big"});
            const qint64 field = db.insert("TemplateField", {"TemplateKey", "FieldLabel", "FieldType", "GroupField"},
                                           {key, "Group", 2, -1});
            const qint64 value = db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {field, "A"});
            const qint64 question = db.insert("TemplateQuestion", {"TemplateKey", "Question"}, {key, "Q"});
            QSqlQuery evaluation = db.prepare("INSERT INTO Evaluation (TemplateKey, EvaluationGroupKey, FileName) "
                                              "VALUES (?, ?, ?) RETURNING EvaluationKey");
            QSqlQuery fieldRow = db.prepare("INSERT INTO EvaluationField (EvaluationKey, TemplateFieldKey, "
                                            "EnteredValue, TemplateFieldValueKey) VALUES (?, ?, ?, ?)");
            QSqlQuery answer = db.prepare("INSERT INTO EvaluationQuestion (EvaluationKey, TemplateQuestionKey, Answer, "
                                          "TBCCheck) VALUES (?, ?, ?, 0)");
            for (int i = 0; i < 2000; ++i) {
                db.run(evaluation, {key, value, QString("E%1").arg(i)});
                QVERIFY(evaluation.next());
                const qint64 evaluationKey = evaluation.value(0).toLongLong();
                evaluation.finish();
                for (int j = 0; j < 100; ++j) {
                    db.run(fieldRow, {evaluationKey, field, QString("value %1").arg(j), value});
                    db.run(answer, {evaluationKey, question, QString::number(j)});
                }
            }
            transaction.commit();
            db.close();
        }
        const QString target =
            connection.startsWith("Provider=SQLite") ? "Provider=SQLite;Data Source=" + path("copy.db") : connection;
        Database::open(target, "create").close();
        QProcess process;
        process.start(KestrivoCli::program(),
                      withHome({"catalog", "copy", "--from", source, "--to", location(target)}));
        QVERIFY(process.waitForStarted());
        QVERIFY2(TestDatabases::caughtRunning(
                     process, [&] { return TestDatabases::anotherIsWriting(target, "EvaluationQuestion"); }),
                 "the copy ended before it could be killed in the middle");
        process.kill();
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        for (const char* table : {"Template", "Evaluation", "EvaluationField", "EvaluationQuestion"})
            QCOMPARE(count(target, table), 0);
        QCOMPARE(count(target, "ReportDefinition"), 4);

        const Run again = cli({"catalog", "copy", "--from", source, "--to", location(target)});
        QVERIFY2(again.exitCode == 0, qPrintable(again.err));
        QCOMPARE(count(target, "EvaluationQuestion"), 200000);
    }
};

QTEST_GUILESS_MAIN(tst_CatalogCli)
#include "tst_catalogcli.moc"
