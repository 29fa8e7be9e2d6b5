#include "CatalogBackup.h"
#include "CatalogCopy.h"
#include "CatalogRights.h"
#include "Database.h"
#include "EvaluationHistory.h"
#include "HistoryChain.h"
#include "KestrivoError.h"
#include "TestDatabases.h"

#include <QTest>
#include <QThread>
#include <QUuid>

// The history's chain on both engines: rows numbered in the order of the chain, an edited or
// removed row found and named, writers on two connections at once, and the rights a role
// has on a shared catalog.
class tst_History : public QObject {
    Q_OBJECT

    static QList<EvaluationHistory::Change> changes(qint64 evaluationKey, int count) {
        QList<EvaluationHistory::Change> list;
        for (int i = 0; i < count; ++i)
            list.append({evaluationKey,
                         EvaluationHistory::Item::Field,
                         10 + i,
                         QStringLiteral("Field %1").arg(i),
                         QStringLiteral("old\t%1").arg(i),
                         QStringLiteral("new \u00e9 %1").arg(i),
                         {}});
        return list;
    }
    static void appendOne(const Database& db, qint64 evaluationKey, int count) {
        Transaction transaction(db, Transaction::Writing);
        HistoryChain::append(db, EvaluationHistory::Means::CommandLine, changes(evaluationKey, count));
        transaction.commit();
    }
    static Database fresh(const QString& name) {
        return Database::open(TestDatabases::freshConnectionString(TestDatabases::engineOfRow()), name);
    }
    static QString uniqueRole() {
        return QStringLiteral("kt_role_") + QUuid::createUuid().toString(QUuid::Id128).left(10);
    }

private Q_SLOTS:
    void cleanup() { QSqlDatabase::removeDatabase("history"); }

    void rowsFollowTheChain_data() { TestDatabases::addEngines(); }
    void rowsFollowTheChain() {
        Database db = fresh("history");
        QVERIFY(HistoryChain::verify(db).intact());
        appendOne(db, 7, 3);
        appendOne(db, 8, 1);
        appendOne(db, 7, 2);
        const HistoryChain::Verification check = HistoryChain::verify(db);
        QVERIFY2(check.intact(), qPrintable(check.problems.join('\n')));
        QCOMPARE(check.rows, qint64(6));
        QCOMPARE(db.scalar("SELECT HistoryLastKey FROM Control").toInt(), 6);
        // The newest first, with who and how; the values as they were given.
        const QList<EvaluationHistory::Record> seven = EvaluationHistory::of(db, 7);
        QCOMPARE(seven.size(), 5);
        QCOMPARE(seven.first().key, qint64(6));
        QCOMPARE(seven.last().key, qint64(1));
        QCOMPARE(seven.last().oldValue, QString("old\t0"));
        QCOMPARE(seven.last().newValue, QString("new \u00e9 0"));
        QCOMPARE(seven.last().means, QString("command line"));
        QVERIFY(!seven.last().login.isEmpty());
        QVERIFY(seven.last().changed.isValid());
        QVERIFY(qAbs(seven.last().changed.secsTo(QDateTime::currentDateTimeUtc())) < 120);
        QCOMPARE(seven.last().role.isEmpty(), db.engine() == DatabaseEngine::SQLite);
        db.close();
    }

    // Whoever edits the table by hand is found out, and told which rows.
    void editedAndRemovedRowsAreNamed_data() { TestDatabases::addEngines(); }
    void editedAndRemovedRowsAreNamed() {
        Database db = fresh("history");
        for (int i = 0; i < 4; ++i)
            appendOne(db, 20 + i, 2);
        db.execute("UPDATE EvaluationHistory SET NewValue='forged' WHERE EvaluationHistoryKey=3");
        db.execute("DELETE FROM EvaluationHistory WHERE EvaluationHistoryKey IN (5, 6)");
        db.execute("DELETE FROM EvaluationHistory WHERE EvaluationHistoryKey=8");
        HistoryChain::Verification check = HistoryChain::verify(db);
        QCOMPARE(check.rows, qint64(5));
        QCOMPARE(check.problems.size(), 3);
        QVERIFY2(check.problems.at(0).startsWith("History row 3 was changed: it now reads evaluation 21"),
                 qPrintable(check.problems.at(0)));
        QCOMPARE(check.problems.at(1), QString("History rows 5 to 6 were removed."));
        QCOMPARE(check.problems.at(2), QString("The newest history row, 8, was removed."));

        // A changed digest is found too, also on the newest row.
        Database other = fresh("history");
        appendOne(other, 1, 2);
        other.execute("UPDATE EvaluationHistory SET ChainDigest=? WHERE EvaluationHistoryKey=2", {QString(64, 'a')});
        check = HistoryChain::verify(other);
        QCOMPARE(check.problems.size(), 1);
        QVERIFY(check.problems.first().startsWith("History row 2 was changed"));
        other.close();
        db.close();
    }

    // Two PCs write at the same moment: each transaction's rows stay together, in the order
    // the transactions took the chain, and the chain holds.
    void twoWritersAtOnce_data() { TestDatabases::addEngines(); }
    void twoWritersAtOnce() {
        const QString connection = TestDatabases::freshConnectionString(TestDatabases::engineOfRow());
        Database::open(connection, "history").close();
        constexpr int Transactions = 40;
        QStringList failures(2);
        QList<QThread*> writers;
        for (int writer = 0; writer < 2; ++writer) {
            writers << QThread::create([connection, writer, &failures] {
                const QString name = QStringLiteral("writer%1").arg(writer);
                try {
                    Database db = Database::open(connection, name);
                    for (int i = 0; i < Transactions; ++i)
                        appendOne(db, (writer + 1) * 1000 + i, 3);
                    db.close();
                } catch (const KestrivoError& error) {
                    failures[writer] = error.description();
                }
                QSqlDatabase::removeDatabase(name);
            });
            writers.last()->start();
        }
        for (QThread* writer : writers) {
            QVERIFY(writer->wait(120000));
            delete writer;
        }
        QCOMPARE(failures, QStringList(2));
        Database db = Database::open(connection, "history");
        const HistoryChain::Verification check = HistoryChain::verify(db);
        QVERIFY2(check.intact(), qPrintable(check.problems.join('\n')));
        QCOMPARE(check.rows, qint64(2 * Transactions * 3));
        QSqlQuery spread = db.query("SELECT COUNT(*) FROM (SELECT EvaluationKey FROM EvaluationHistory GROUP BY "
                                    "EvaluationKey HAVING MAX(EvaluationHistoryKey) - MIN(EvaluationHistoryKey) <> 2) "
                                    "s");
        QVERIFY(spread.next());
        QCOMPARE(spread.value(0).toInt(), 0);
        db.close();
    }

    // On a shared catalog each role may do what its rights say and no more; no one but the
    // owner changes the history, whatever rights they were given.
    void rolesOnASharedCatalog() {
        if (!TestDatabases::postgresAvailable())
            QSKIP("needs the throwaway PostgreSQL server");
        const QString connection = TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL);
        Database owner = Database::open(connection, "history");
        appendOne(owner, 5, 1);
        const QString role = uniqueRole();
        owner.execute(QStringLiteral("CREATE ROLE %1 LOGIN").arg(role));
        const auto as = [&](const char* name) { return Database::open(connection + ";user=" + role, name); };
        const auto refusal = [](const std::function<void()>& action) {
            try {
                action();
            } catch (const KestrivoError& error) {
                return error.number() == ErrorNumber::NoRights ? error.description() : "other: " + error.description();
            }
            return QString("allowed");
        };

        QCOMPARE(refusal([&] { as("role").close(); }), CatalogRights::NoAccessRefusal);
        CatalogRights::grant(owner, role, CatalogRights::Level::Reader);
        Database reader = as("role");
        QCOMPARE(EvaluationHistory::of(reader, 5).size(), 1);
        QCOMPARE(refusal([&] { appendOne(reader, 6, 1); }), CatalogRights::ReaderRefusal);
        // A reader records the licence agreement, but not the head of the history's chain.
        QCOMPARE(refusal([&] { reader.execute("UPDATE Control SET EULA='viewer' WHERE ControlKey=1"); }),
                 QString("allowed"));
        QCOMPARE(refusal([&] { reader.execute("UPDATE Control SET HistoryDigest='' WHERE ControlKey=1"); }),
                 CatalogRights::ReaderRefusal);
        QCOMPARE(refusal([&] { reader.execute("INSERT INTO Template (Name) VALUES ('x')"); }),
                 CatalogRights::EntryRefusal);
        reader.close();

        CatalogRights::grant(owner, role, CatalogRights::Level::Entry);
        Database entry = as("role");
        QCOMPARE(refusal([&] { appendOne(entry, 6, 1); }), QString("allowed"));
        QCOMPARE(refusal([&] { entry.execute("INSERT INTO Template (Name) VALUES ('x')"); }),
                 CatalogRights::EntryRefusal);
        const QString ownerOnly = CatalogRights::HistoryRefusal;
        QCOMPARE(refusal([&] { entry.execute("DELETE FROM EvaluationHistory"); }), ownerOnly);
        owner.execute(QStringLiteral("GRANT ALL ON EvaluationHistory TO %1").arg(role));
        QCOMPARE(refusal([&] { entry.execute("UPDATE EvaluationHistory SET NewValue='x'"); }), ownerOnly);
        QCOMPARE(refusal([&] { entry.execute("DELETE FROM EvaluationHistory"); }), ownerOnly);
        QCOMPARE(refusal([&] { entry.execute("TRUNCATE EvaluationHistory"); }), ownerOnly);
        entry.close();

        CatalogRights::grant(owner, role, CatalogRights::Level::Designer);
        Database designer = as("role");
        QCOMPARE(refusal([&] { designer.execute("INSERT INTO Template (Name) VALUES ('x')"); }), QString("allowed"));
        designer.close();
        CatalogRights::revoke(owner, role);
        QCOMPARE(refusal([&] { as("role").close(); }), CatalogRights::NoAccessRefusal);
        QVERIFY(HistoryChain::verify(owner).intact());
        QCOMPARE(HistoryChain::verify(owner).rows, qint64(2));
        owner.close();
        QSqlDatabase::removeDatabase("role");
    }

    // A backup of a version without history restores into this one with an empty history
    // that verifies; one with history brings it along, row for row.
    void backupsOfEitherVersionRestore_data() { TestDatabases::addEngines(); }
    void backupsOfEitherVersionRestore() {
        Database catalog = fresh("history");
        appendOne(catalog, 3, 4);
        const QString file = TestDatabases::home() + QUuid::createUuid().toString(QUuid::Id128) + ".db";
        CatalogBackup::backup(catalog, file, {});
        catalog.close();

        // A catalog that holds nothing but history is not overwritten: that history stays.
        Database historyOnly = fresh("restored");
        appendOne(historyOnly, 9, 1);
        QVERIFY(CatalogCopy::openTargetRefusal(historyOnly).contains("holds 1 row of evaluation history"));
        QVERIFY_THROWS_EXCEPTION(KestrivoError, CatalogBackup::restore(file, historyOnly, {}));
        QCOMPARE(HistoryChain::verify(historyOnly).rows, qint64(1));
        historyOnly.close();

        Database restored = fresh("restored");
        CatalogBackup::restore(file, restored, {});
        QCOMPARE(HistoryChain::verify(restored).rows, qint64(4));
        QVERIFY(HistoryChain::verify(restored).intact());
        restored.close();
        QSqlDatabase::removeDatabase("restored");

        {
            Database older = Database::open(CatalogBackup::fileConnection(file), "older");
            older.execute("DROP TABLE EvaluationHistory");
            older.execute("ALTER TABLE Control DROP COLUMN HistoryLastKey");
            older.execute("ALTER TABLE Control DROP COLUMN HistoryDigest");
            older.execute("UPDATE SchemaVersion SET Version=4");
            older.query("PRAGMA journal_mode=DELETE");
            older.close();
            QSqlDatabase::removeDatabase("older");
        }
        restored = fresh("restored");
        CatalogBackup::restore(file, restored, {});
        QCOMPARE(HistoryChain::verify(restored).rows, qint64(0));
        QVERIFY(HistoryChain::verify(restored).intact());
        appendOne(restored, 3, 1);
        QCOMPARE(EvaluationHistory::of(restored, 3).first().key, qint64(1));
        restored.close();
        QSqlDatabase::removeDatabase("restored");
    }

    void aFileCatalogHasNoRoles() {
        Database db = Database::open(TestDatabases::freshConnectionString(DatabaseEngine::SQLite), "history");
        QVERIFY_THROWS_EXCEPTION(KestrivoError, CatalogRights::grant(db, "ann", CatalogRights::Level::Reader));
        try {
            CatalogRights::revoke(db, "ann");
        } catch (const KestrivoError& error) {
            QCOMPARE(error.description(), CatalogRights::FileCatalogRefusal);
        }
        db.close();
    }
};

QTEST_GUILESS_MAIN(tst_History)
#include "tst_history.moc"
