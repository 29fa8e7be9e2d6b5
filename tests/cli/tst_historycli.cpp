#include "Database.h"
#include "KestrivoCli.h"
#include "TestDatabases.h"

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

// Who changed what, from the command line as a user runs it, on both engines: set then
// history, delete then restore with an identical show, a history edited by hand caught by
// verify, history kept through copies between the engines, and a reader refused.
class tst_HistoryCli : public QObject {
    Q_OBJECT

    using Run = KestrivoCli::Run;

    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_connection;

    QString path(const QString& name) const { return m_folder->path() + '/' + name; }
    // As the given role of the server, when one is given.
    Run cli(const QStringList& arguments, const QString& role = QString()) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!role.isEmpty())
            environment.insert("PGUSER", role);
        return KestrivoCli::run(path("home"), path("Kestrivo.ini"), arguments, environment);
    }
    static QString location(const QString& connection) {
        if (connection.startsWith("Provider=SQLite"))
            return connection.section("Data Source=", 1).section(';', 0, 0);
        return connection.section("Data Source=", 1).section(';', 0, 0) + '/' +
               connection.section("Initial Catalog=", 1).section(';', 0, 0);
    }
    qint64 firstEvaluation() const {
        const Run list = cli({"evaluation", "list", "--begin", "01/01/00"});
        return list.out.section('\n', 1, 1).section('\t', 1).toLongLong();
    }

private Q_SLOTS:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        m_connection = TestDatabases::freshConnectionString(TestDatabases::engineOfRow());
        const Run made = cli(m_connection.startsWith("Provider=SQLite")
                                 ? QStringList({"init"})
                                 : QStringList({"init", "--postgres", location(m_connection)}));
        QCOMPARE(made.exitCode, 0);
        if (m_connection.startsWith("Provider=SQLite"))
            m_connection = "Provider=SQLite;Data Source=" + path("home") + "/data/kestrivo.db";
        QCOMPARE(cli({"demo"}).exitCode, 0);
    }
    void cleanup() { m_folder.reset(); }

    void setThenHistory_data() { TestDatabases::addEngines(); }
    void setThenHistory() {
        const qint64 key = firstEvaluation();
        QVERIFY(key > 0);
        const QString k = QString::number(key);
        const Run set = cli({"evaluation", "set", k, "--field", "Inspector=Zoe Quinn", "--field", "Staff on duty=12",
                             "--answer", "1=5", "--tbc", "2=on", "--tick", "3=Photo taken"});
        QCOMPARE(set.err, QString());
        QCOMPARE(set.exitCode, 0);
        QVERIFY2(set.out.startsWith(QString("Changed evaluation %1 (").arg(key)), qPrintable(set.out));
        QVERIFY(set.out.contains(QRegularExpression("\n  Inspector: .* -> Zoe Quinn\n")));
        QVERIFY(set.out.contains("  Staff on duty: "));
        const QString shown = cli({"evaluation", "show", k}).out;
        QVERIFY(shown.contains("  Inspector: Zoe Quinn\n  Staff on duty: 12\n"));
        QVERIFY(shown.contains("  1. Entrance clean and clear?\n     Answer: 5\n"));
        QVERIFY(shown.contains("  2. Floors free of clutter?\n     Answer: "));
        QVERIFY(shown.section("  2. Floors", 1).section("  3.", 0, 0).contains("TBC: Yes"));
        QVERIFY(shown.section("  3. Fire exits", 1).section("  4.", 0, 0).contains("Photo taken"));

        // A refused entry, with the tab's own message, changes nothing.
        const Run refused = cli({"evaluation", "set", k, "--field", "Inspector=Ann", "--field", "Staff on duty=ab"});
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.err, QString("Entry Error: Invalid entry, must be numeric.\nkestrivo-cli: The entry for Staff "
                                      "on duty was refused. Nothing was changed.\n"));
        QCOMPARE(cli({"evaluation", "show", k}).out, shown);

        const Run history = cli({"evaluation", "history", k});
        QCOMPARE(history.exitCode, 0);
        const QStringList lines = history.out.split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 4);
        for (const QString& line : lines)
            QCOMPARE(line.count('\t'), 5);
        QVERIFY(lines.first().section('\t', 2, 2) == "command line");
        QVERIFY(lines.last().section('\t', 2, 2) == "import");
        QVERIFY(lines.last().section('\t', 3, 3).startsWith("Imported from "));
        QVERIFY(history.out.contains("\tInspector\t"));
        QVERIFY(lines.first().section('\t', 0, 0) >= lines.last().section('\t', 0, 0));
        QCOMPARE(cli({"evaluation", "history", "99999"}).exitCode, 1);
        QCOMPARE(cli({"evaluation", "set", k}).exitCode, 2);
        QCOMPARE(cli({"evaluation", "set", k, "--tbc", "2=maybe"}).exitCode, 2);
    }

    // Deleted and restored, the evaluation shows exactly as before; the history has both
    // steps, and a history edited by hand is caught, row by row.
    void deleteRestoreAndVerify_data() { TestDatabases::addEngines(); }
    void deleteRestoreAndVerify() {
        const qint64 key = firstEvaluation();
        const QString k = QString::number(key);
        const QString before = cli({"evaluation", "show", k}).out;
        QVERIFY(before.startsWith("File name: "));
        QCOMPARE(cli({"evaluation", "delete", k}).exitCode, 0);
        const Run deleted = cli({"evaluation", "deleted"});
        QCOMPARE(deleted.out.section('\n', 0, 0), QString("KEY\tFILE NAME\tTEMPLATE\tDELETED\tBY"));
        QVERIFY(deleted.out.section('\n', 1, 1).startsWith(k + '\t'));
        QVERIFY(deleted.out.contains("\tDemo Site Inspection\t"));
        QCOMPARE(cli({"evaluation", "show", k}).exitCode, 1);
        const Run restored = cli({"evaluation", "restore", k});
        QCOMPARE(restored.exitCode, 0);
        QVERIFY(restored.out.startsWith(QString("Restored evaluation %1 (").arg(key)));
        QCOMPARE(cli({"evaluation", "show", k}).out, before);
        QCOMPARE(cli({"evaluation", "deleted"}).out.count('\n'), 1);
        const Run again = cli({"evaluation", "restore", k});
        QCOMPARE(again.exitCode, 1);
        QCOMPARE(again.err, QString("kestrivo-cli: The evaluation %1 is in the catalog: there is nothing to "
                                    "restore.\n")
                                .arg(key));
        const QStringList lines = cli({"evaluation", "history", k}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.at(0).section('\t', 2, 3), QString("restore\tEvaluation restored"));
        QCOMPARE(lines.at(1).section('\t', 2, 3), QString("command line\tEvaluation deleted"));

        Run verify = cli({"catalog", "verify"});
        QCOMPARE(verify.exitCode, 0);
        QVERIFY2(verify.out.contains("is intact: 22 rows, none changed or removed."), qPrintable(verify.out));
        {
            Database db = Database::open(m_connection, "edit");
            db.execute("UPDATE EvaluationHistory SET OldValue='nobody' WHERE EvaluationHistoryKey=5");
            db.execute("DELETE FROM EvaluationHistory WHERE EvaluationHistoryKey=9");
            db.close();
            QSqlDatabase::removeDatabase("edit");
        }
        verify = cli({"catalog", "verify"});
        QCOMPARE(verify.exitCode, 1);
        const QStringList problems = verify.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(problems.size(), 3);
        QVERIFY2(problems.at(0).startsWith("History row 5 was changed: it now reads evaluation "),
                 qPrintable(problems.at(0)));
        QCOMPARE(problems.at(1), QString("History row 9 was removed."));
        QVERIFY(problems.at(2).endsWith("was changed outside Kestrivo: 2 problems found."));
    }

    // SQLite to PostgreSQL and back: the history arrives row for row, and verifies on each copy.
    void historyTravelsWithCopies() {
        if (!TestDatabases::postgresAvailable())
            QSKIP("needs the throwaway PostgreSQL server");
        const QString k = QString::number(firstEvaluation());
        QCOMPARE(cli({"evaluation", "set", k, "--field", "Inspector=Zoe"}).exitCode, 0);
        QCOMPARE(cli({"evaluation", "delete", QString::number(firstEvaluation())}).exitCode, 0);
        const QString history = cli({"evaluation", "history", k}).out;
        const QString server = location(TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL));
        QCOMPARE(cli({"catalog", "copy", "--to", server}).exitCode, 0);
        Run verify = cli({"catalog", "verify", server});
        QVERIFY2(verify.exitCode == 0 && verify.out.contains("is intact: 22 rows"), qPrintable(verify.out));
        QCOMPARE(cli({"catalog", "copy", "--from", server, "--to", path("back.db")}).exitCode, 0);
        verify = cli({"catalog", "verify", path("back.db")});
        QVERIFY2(verify.exitCode == 0 && verify.out.contains("is intact: 22 rows"), qPrintable(verify.out));
        QCOMPARE(cli({"settings", "set", "DataSource", path("back.db")}).exitCode, 0);
        QCOMPARE(cli({"evaluation", "history", k}).out, history);
        QCOMPARE(cli({"evaluation", "deleted"}).out.count('\n'), 2);
    }

    // A role that may only read is refused in one sentence, and nothing changes; with entry
    // rights it changes evaluations, and the history names the role.
    void aReaderIsRefused_data() {
        QTest::addColumn<DatabaseEngine>("engine");
        if (TestDatabases::postgresAvailable())
            QTest::newRow("PostgreSQL") << DatabaseEngine::PostgreSQL;
    }
    void aReaderIsRefused() {
        const QString role = "kt_reader_" + QUuid::createUuid().toString(QUuid::Id128).left(8);
        {
            Database db = Database::open(m_connection, "owner");
            db.execute(QString("CREATE ROLE %1 LOGIN").arg(role));
            db.close();
            QSqlDatabase::removeDatabase("owner");
        }
        const QString k = QString::number(firstEvaluation());
        const QString refusal = "kestrivo-cli: This catalog lets you only read: ask its owner for entry rights.\n";
        QCOMPARE(cli({"evaluation", "list"}, role).err,
                 QString("kestrivo-cli: This catalog does not let you in: ask its owner to grant you rights to "
                         "it.\n"));
        const Run granted = cli({"catalog", "grant", role, "--reader"});
        QCOMPARE(granted.out, QString("%1 may now read this catalog: reports, lists and history.\n").arg(role));
        const QString shown = cli({"evaluation", "show", k}, role).out;
        QVERIFY(shown.startsWith("File name: "));
        const QString history = cli({"evaluation", "history", k}, role).out;
        for (const QStringList& change : {QStringList({"evaluation", "delete", k}),
                                          QStringList({"evaluation", "set", k, "--field", "Inspector=Eve"})}) {
            const Run run = cli(change, role);
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.err, refusal);
        }
        QCOMPARE(cli({"catalog", "grant", role, "--designer"}, role).err,
                 QString("kestrivo-cli: Only the owner of the catalog may give rights to it.\n"));
        QCOMPARE(cli({"evaluation", "show", k}).out, shown);
        QCOMPARE(cli({"evaluation", "history", k}).out, history);

        QCOMPARE(cli({"catalog", "grant", role, "--entry"}).exitCode, 0);
        QCOMPARE(cli({"evaluation", "set", k, "--field", "Inspector=Eve"}, role).exitCode, 0);
        QVERIFY(cli({"evaluation", "history", k}).out.section('\n', 0, 0).contains(" as " + role + '\t'));
        QCOMPARE(cli({"catalog", "revoke", role}).out, QString("%1 may no longer use this catalog.\n").arg(role));
        QCOMPARE(cli({"catalog", "verify"}).exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(tst_HistoryCli)
#include "tst_historycli.moc"
