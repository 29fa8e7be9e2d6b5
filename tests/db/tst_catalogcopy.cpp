#include "CatalogBackup.h"
#include "CatalogCopy.h"
#include "Database.h"
#include "DatabaseExists.h"
#include "EvaluationFixture.h"
#include "KestrivoError.h"
#include "Schema.h"
#include "TestDatabases.h"

#include <QDateTime>
#include <QFile>
#include <QSqlRecord>
#include <QTest>

// Catalog copies between the engines, backups and restores: every row and key arrives, the
// counters go on past them, and whatever is refused or fails leaves the target as it was.
class tst_CatalogCopy : public QObject {
    Q_OBJECT

    // Every row of every table, read without the copy's own reader: what the two sides must
    // share, times to the second on both engines.
    static QStringList dump(const Database& db) {
        QStringList rows;
        for (const Schema::Table& table : Schema::tables()) {
            QSqlQuery query = db.query(QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(table.name, table.key()));
            while (query.next()) {
                QStringList cells{table.name};
                for (int i = 0; i < query.record().count(); ++i) {
                    const QVariant value = query.value(i);
                    cells << (value.isNull() ? QStringLiteral("NULL")
                              : value.typeId() == QMetaType::QDateTime
                                  ? value.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
                                  : value.toString());
                }
                rows << cells.join(QLatin1Char('|'));
            }
        }
        return rows;
    }

    // A catalog with a bit of everything: deleted template items, texts that need care, null
    // values, a deleted evaluation (a gap in the keys and a file record without evaluation),
    // report columns, the company row and the agreement.
    static void fill(const Database& db) {
        EvaluationFixture build(db);
        const qint64 audit = build.addTemplate(QStringLiteral("Audit"));
        const qint64 group = build.addGroupField(audit, {QStringLiteral("North"), QStringLiteral("Süd")});
        const qint64 notes = build.addField(audit, {QStringLiteral("Notes"), 0, {}, 2});
        const qint64 gone = build.addField(audit, {QStringLiteral("Gone"), 0, {}, 3});
        build.markDeleted(QStringLiteral("TemplateField"), gone);
        const qint64 clean =
            build.addQuestion(audit, QStringLiteral("Clean?"), {QStringLiteral("Yes"), QStringLiteral("No")},
                              {QStringLiteral("Floor"), QStringLiteral("Wall")}, 1);
        const qint64 score =
            build.addQuestion(audit, QStringLiteral("Score"), {QStringLiteral("1"), QStringLiteral("5")}, {}, 2);
        build.addTemplate(QStringLiteral("Empty template"));
        const QStringList texts{QStringLiteral("it's \"quoted\""), QStringLiteral("tab\there"),
                                QStringLiteral("two\nlines"),      QStringLiteral("back\\slash {x}"),
                                QStringLiteral("Café €5"),         QString(QLatin1String("")),
                                QStringLiteral("  padded  "),      QStringLiteral("NULL")};
        QList<qint64> evaluations;
        for (int i = 0; i < texts.size(); ++i) {
            const qint64 key = build.addEvaluation(
                audit, build.valueKey(group, i % 2 ? QStringLiteral("Süd") : QStringLiteral("North")),
                QStringLiteral("File %1").arg(i), {{notes, texts.at(i)}, {gone, QString::number(i)}},
                {{clean, {QStringLiteral("Yes"), i % 3 == 0, {QStringLiteral("Wall"), QStringLiteral("Floor")}}},
                 {score, {QString::number(i % 5 + 1)}}});
            build.setDownloaded(key, QDateTime(QDate(2024, 3, 1 + i), QTime(9, i, 30)));
            db.execute(QStringLiteral("INSERT INTO ImportedFile (Digest, FileName, EvaluationKey) VALUES (?, ?, ?)"),
                       {QStringLiteral("digest-%1").arg(i), QStringLiteral("File %1.txt").arg(i), key});
            evaluations << key;
        }
        db.execute(QStringLiteral("UPDATE EvaluationField SET EnteredValue=NULL WHERE TemplateFieldKey=? AND "
                                  "EvaluationKey=?"),
                   {notes, evaluations.at(1)});
        db.execute(QStringLiteral("DELETE FROM Evaluation WHERE EvaluationKey=?"), {evaluations.last()});
        db.execute(QStringLiteral("INSERT INTO ReportColumnField (ReportDefinitionKey, TemplateKey, TemplateFieldKey) "
                                  "VALUES (2, ?, ?)"),
                   {audit, notes});
        db.execute(QStringLiteral("UPDATE CompanyParameter SET Name=?, ReportColumns=4"),
                   {QStringLiteral("Halvane Care")});
        db.execute(QStringLiteral("UPDATE Control SET EULA=?"), {QStringLiteral("ann")});
        db.execute(QStringLiteral("INSERT INTO Code (Code1, Code2) VALUES (7, -3)"));
    }

    static QString otherEngine(const QString& connection, bool sameEngine) {
        const DatabaseEngine engine = ConnectionString::parse(connection).engine;
        if (sameEngine)
            return TestDatabases::freshConnectionString(engine);
        return TestDatabases::freshConnectionString(engine == DatabaseEngine::SQLite ? DatabaseEngine::PostgreSQL
                                                                                     : DatabaseEngine::SQLite);
    }

private Q_SLOTS:
    void copiesEveryRowAndKey_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        const auto add = [](const char* name, DatabaseEngine from, DatabaseEngine to) {
            QTest::newRow(name) << TestDatabases::freshConnectionString(from)
                                << TestDatabases::freshConnectionString(to);
        };
        add("SQLite to SQLite", DatabaseEngine::SQLite, DatabaseEngine::SQLite);
        if (TestDatabases::postgresAvailable()) {
            add("SQLite to PostgreSQL", DatabaseEngine::SQLite, DatabaseEngine::PostgreSQL);
            add("PostgreSQL to SQLite", DatabaseEngine::PostgreSQL, DatabaseEngine::SQLite);
            add("PostgreSQL to PostgreSQL", DatabaseEngine::PostgreSQL, DatabaseEngine::PostgreSQL);
        } else if (!qEnvironmentVariable("CI").isEmpty()) {
            QFAIL("no PostgreSQL server for the database tests (KESTRIVO_TEST_PGHOST)");
        }
    }
    void copiesEveryRowAndKey() {
        QFETCH(QString, source);
        QFETCH(QString, target);
        Database from = Database::open(source, QStringLiteral("source"));
        fill(from);
        Database into = Database::open(target, QStringLiteral("target"));
        QList<CatalogCopy::Progress> steps;
        CatalogCopy copy(from, into);
        copy.setProgressHandler([&steps](const CatalogCopy::Progress& progress) { steps << progress; });
        const QList<CatalogCopy::TableCheck> checks = copy.run();

        QCOMPARE(dump(into), dump(from));
        QCOMPARE(checks.size(), Schema::tables().size());
        QCOMPARE(checks.at(0).table, QString("Template"));
        QCOMPARE(checks.at(0).rows, 2);
        QCOMPARE(checks.at(0).digest.size(), 32);
        QVERIFY(steps.size() >= 2 * checks.size());
        QCOMPARE(steps.last().rowsCopied, steps.last().rowsTotal);
        QCOMPARE(steps.last().tables, int(checks.size()));
        QVERIFY(std::any_of(steps.begin(), steps.end(), [](const auto& step) { return step.checking; }));
        // The server plans the first reports on the copy with statistics of its rows.
        if (into.engine() == DatabaseEngine::PostgreSQL)
            QVERIFY(into.scalar("SELECT COUNT(*) FROM pg_stats WHERE tablename='evaluation'").toInt() > 0);

        // New rows take keys past the source's, also past the evaluation deleted before the copy.
        const qint64 lastEvaluation = from.scalar("SELECT MAX(EvaluationKey) FROM Evaluation").toLongLong() + 1;
        QCOMPARE(into.insert("Template", {"Name"}, {"New"}), 3);
        QCOMPARE(into.insert("Evaluation", {"TemplateKey", "FileName"}, {1, "After"}), lastEvaluation + 1);
        QCOMPARE(into.insert("Code", {"Code1"}, {1}), 2);

        // A second copy into the same target is refused, and writes nothing.
        const QStringList before = dump(into);
        QCOMPARE(CatalogCopy::openTargetRefusal(into),
                 QString("holds 3 templates and 8 evaluations: a catalog is copied only into one that holds no "
                         "template and no evaluation"));
        try {
            CatalogCopy(from, into).run();
            QFAIL("a catalog was copied into one that holds templates");
        } catch (const KestrivoError& error) {
            QVERIFY2(error.description().startsWith("The target holds 3 templates"), qPrintable(error.description()));
            QVERIFY(error.description().endsWith("Nothing was written."));
        }
        QCOMPARE(dump(into), before);
        from.close();
        into.close();
    }

    // A backup is a file of its own, whole or not there at all; restoring it gives the
    // catalog back row for row, on either engine.
    void backupAndRestore_data() { TestDatabases::addEngineRows(); }
    void backupAndRestore() {
        QFETCH(QString, connection);
        Database catalog = Database::open(connection, QStringLiteral("catalog"));
        fill(catalog);
        const QString file =
            TestDatabases::home() + QStringLiteral("backup-%1.db").arg(QDateTime::currentMSecsSinceEpoch());
        const QList<CatalogCopy::TableCheck> checks = CatalogBackup::backup(catalog, file, {});
        QCOMPARE(checks.size(), Schema::tables().size());
        QVERIFY(QFile::exists(file));
        QVERIFY(!QFile::exists(file + ".part"));
        QVERIFY(!QFile::exists(file + "-wal"));
        QCOMPARE(CatalogBackup::damage(file), QString());
        try {
            CatalogBackup::backup(catalog, file, {});
            QFAIL("a backup overwrote a file");
        } catch (const KestrivoError& error) {
            QCOMPARE(error.description(),
                     QString("The file %1 exists already; a backup is written only into a new file.").arg(file));
        }

        Database restored = Database::open(otherEngine(connection, false), QStringLiteral("restored"));
        CatalogBackup::restore(file, restored, {});
        QCOMPARE(dump(restored), dump(catalog));
        catalog.close();
        restored.close();
    }

    // A backup made before the answer chart restores with the chart among its reports, keyed
    // after the copied rows: what every catalog holds since comes with the restore.
    void anOlderBackupGetsTheLaterReports_data() { TestDatabases::addEngineRows(); }
    void anOlderBackupGetsTheLaterReports() {
        QFETCH(QString, connection);
        const QString file =
            TestDatabases::home() + QStringLiteral("older-%1.db").arg(QDateTime::currentMSecsSinceEpoch());
        {
            Database catalog = Database::open(TestDatabases::freshConnectionString(DatabaseEngine::SQLite), "catalog");
            fill(catalog);
            CatalogBackup::backup(catalog, file, {});
            catalog.close();
            QSqlDatabase backup = QSqlDatabase::addDatabase("QSQLITE", "older");
            backup.setDatabaseName(file);
            QVERIFY(backup.open());
            for (const char* sql : {"DELETE FROM ReportDefinition WHERE objectName='frmReportAnswerChart'",
                                    "UPDATE sqlite_sequence SET seq=3 WHERE name='ReportDefinition'",
                                    "UPDATE SchemaVersion SET Version=3"})
                QVERIFY(QSqlQuery(backup).exec(sql));
            backup.close();
        }
        QSqlDatabase::removeDatabase("older");
        Database restored = Database::open(connection, QStringLiteral("restored"));
        CatalogBackup::restore(file, restored, {});
        QCOMPARE(restored.scalar("SELECT Name FROM ReportDefinition WHERE ReportDefinitionKey=4").toString(),
                 QString("Answer Chart by Group"));
        QCOMPARE(restored.insert("ReportDefinition", {"Name"}, {"Later"}), 5);
        restored.close();
    }

    // A damaged backup is refused before anything is written: cut short, not a database, a
    // database that holds no catalog, one of a newer program.
    void damagedBackupsAreRefused_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("message");
        QTest::newRow("cut short") << "truncated"
                                   << "is damaged: it has been cut short";
        QTest::newRow("text") << "text"
                              << "is not a Kestrivo backup: it is not an SQLite database.";
        QTest::newRow("other database") << "other"
                                        << "cannot be restored: it holds no Kestrivo catalog.";
        QTest::newRow("newer") << "newer"
                               << QString("cannot be restored: it was written by a newer version of Kestrivo "
                                          "(schema 99; this program knows %1).")
                                      .arg(Schema::CurrentVersion);
        QTest::newRow("missing") << "missing"
                                 << "does not exist.";
    }
    void damagedBackupsAreRefused() {
        QFETCH(QString, damage);
        QFETCH(QString, message);
        const QString file = TestDatabases::home() + QStringLiteral("damaged-%1.db").arg(damage);
        QFile::remove(file);
        if (damage == "truncated" || damage == "newer") {
            Database catalog = Database::open(TestDatabases::freshConnectionString(DatabaseEngine::SQLite), "catalog");
            fill(catalog);
            for (int i = 0; i < 300; ++i)
                catalog.execute("INSERT INTO Code (Code1, Code2) VALUES (?, ?)", {i, i});
            CatalogBackup::backup(catalog, file, {});
            catalog.close();
            if (damage == "newer") {
                Database backup = Database::open(CatalogBackup::fileConnection(file), "newer");
                backup.execute("UPDATE SchemaVersion SET Version=99");
                backup.query("PRAGMA journal_mode=DELETE");
                backup.close();
            } else {
                QFile bytes(file);
                QVERIFY(bytes.resize(bytes.size() / 2));
            }
        } else if (damage == "text") {
            QFile text(file);
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write(QByteArray("Template,Evaluation\r\n").repeated(400));
        } else if (damage == "other") {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(file);
            QVERIFY(other.open());
            QSqlQuery(other).exec("CREATE TABLE Notes (Text VARCHAR(20))");
            other.close();
            other = QSqlDatabase();
            QSqlDatabase::removeDatabase("other");
        }
        const QByteArray bytes = [&] {
            QFile read(file);
            return read.open(QIODevice::ReadOnly) ? read.readAll() : QByteArray();
        }();
        QVERIFY2(CatalogBackup::damage(file).contains(message), qPrintable(CatalogBackup::damage(file)));

        Database catalog = Database::open(TestDatabases::freshConnectionString(DatabaseEngine::SQLite), "catalog");
        const QStringList before = dump(catalog);
        try {
            CatalogBackup::restore(file, catalog, {});
            QFAIL("a damaged backup was restored");
        } catch (const KestrivoError& error) {
            QVERIFY2(error.description().contains(message), qPrintable(error.description()));
            QVERIFY(error.description().endsWith("Nothing was written."));
        }
        QCOMPARE(dump(catalog), before);
        catalog.close();
        // Checking the file does not change it.
        QFile after(file);
        QCOMPARE(after.open(QIODevice::ReadOnly) ? after.readAll() : QByteArray(), bytes);
    }

    // The target of a copy must hold no catalog of its own rows; a database of another kind
    // is no target either.
    void targetsThatAreRefused() {
        const QString folder = TestDatabases::home();
        QCOMPARE(CatalogCopy::namedTargetRefusal(CatalogBackup::fileConnection(folder + "not-yet.db")), QString());
        QVERIFY(!QFile::exists(folder + "not-yet.db"));
        QCOMPARE(CatalogCopy::namedTargetRefusal(CatalogBackup::fileConnection(folder + "no-folder/not-yet.db")),
                 QString());
        // A catalog not on the server yet takes a copy, and is not made by asking; a server that
        // cannot be reached is no missing catalog.
        if (TestDatabases::postgresAvailable()) {
            const QString fresh = TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL);
            QCOMPARE(CatalogCopy::namedTargetRefusal(fresh), QString());
            QVERIFY(!databaseExists(fresh));
        }
        QVERIFY_THROWS_EXCEPTION(
            KestrivoError,
            CatalogCopy::namedTargetRefusal("Provider=PostgreSQL;Initial Catalog=kt_nowhere;Data Source=127.0.0.1:1"));
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(folder + "other-kind.db");
        QVERIFY(other.open());
        QSqlQuery(other).exec("CREATE TABLE Notes (Text VARCHAR(20))");
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("other");
        QCOMPARE(CatalogCopy::namedTargetRefusal(CatalogBackup::fileConnection(folder + "other-kind.db")),
                 QString("is a database of another kind: it has tables, but no Kestrivo catalog"));
        const QString empty = TestDatabases::freshConnectionString(DatabaseEngine::SQLite);
        Database::open(empty, "empty").close();
        QCOMPARE(CatalogCopy::namedTargetRefusal(empty), QString());
    }
};

QTEST_GUILESS_MAIN(tst_CatalogCopy)
#include "tst_catalogcopy.moc"
