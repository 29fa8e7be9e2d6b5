#include "Database.h"
#include "EvaluationDownload.h"
#include "HandheldFixture.h"
#include "KestrivoError.h"
#include "RecordingStatus.h"
#include "ScriptedPrompter.h"
#include "ThrowawayServer.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

// A database server that goes away under a running program and comes back: the action that
// finds it gone reports it once, nothing is half-written, and the next action works again
// without a restart.
class tst_ServerLoss : public QObject {
    Q_OBJECT

    ThrowawayServer m_server;

    static QString failureOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const KestrivoError& error) {
            return error.description();
        }
        return QStringLiteral("(no failure)");
    }
    void restart() {
        QVERIFY2(m_server.stop(), qPrintable(m_server.failure()));
        QVERIFY2(m_server.start(), qPrintable(m_server.failure()));
    }

private Q_SLOTS:
    void initTestCase() {
        if (!ThrowawayServer::installed()) {
            if (!qEnvironmentVariable("CI").isEmpty())
                QFAIL("the PostgreSQL server programs are not installed");
            QSKIP("the PostgreSQL server programs are not installed");
        }
        QVERIFY2(m_server.create(), qPrintable(m_server.failure()));
    }

    void theNextStatementConnectsAgain() {
        Database db = Database::open(m_server.connectionString("statements"), "loss");
        db.insert("Template", {"Name"}, {"Before"});
        restart();
        const QString lost = failureOf([&] { db.scalar("SELECT COUNT(*) FROM Template"); });
        QVERIFY2(lost.startsWith("The connection to the database server was lost: "), qPrintable(lost));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Template").toInt(), 1);

        // While the server is down every try says so; once it answers the next one works.
        QVERIFY(m_server.stop());
        QVERIFY(failureOf([&] { db.scalar("SELECT 1"); }).startsWith("The connection to the database server was lost"));
        const QString down = failureOf([&] { db.insert("Template", {"Name"}, {"While down"}); });
        QVERIFY2(down.startsWith("The database server cannot be reached: "), qPrintable(down));
        QVERIFY(m_server.start());
        db.insert("Template", {"Name"}, {"After"});
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Template").toInt(), 2);
        db.close();
    }

    void aChangeIsNeverFinishedOnANewConnection() {
        Database db = Database::open(m_server.connectionString("changes"), "loss");
        {
            Transaction change(db);
            db.insert("Template", {"Name"}, {"First half"});
            restart();
            QVERIFY(failureOf([&] {
                        db.insert("Template", {"Name"}, {"Second half"});
                    }).startsWith("The connection to the database server was lost"));
            // A caller that carries on inside the change gets failures, not a new connection
            // on which the rest of the change would go in alone.
            QCOMPARE(failureOf([&] { db.insert("Template", {"Name"}, {"Rest"}); }),
                     QString("The connection to the database server was lost in the middle of a change; nothing of "
                             "the change was saved."));
            QCOMPARE(failureOf([&] { change.commit(); }), QString("The connection to the database server was lost."));
        }
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Template").toInt(), 0);
        {
            Transaction change(db);
            db.insert("Template", {"Name"}, {"Whole"});
            change.commit();
        }
        QCOMPARE(db.scalar("SELECT Name FROM Template").toString(), QString("Whole"));
        db.close();
    }

    // The evaluation window's Add, as the program runs it: the error goes through LogError,
    // the file stays on the unit, and the next Add imports it.
    void theHandheldTabReportsOnceAndAddsAgain() {
        HandheldFixture fixture(m_server.connectionString("handheld"));
        const HandheldFixture::Audit audit = fixture.addAudit();
        fixture.putOnUnit("North.txt", HandheldFixture::auditFile(audit, "Dusty"));
        RecordingStatus status;
        EvaluationDownload download(fixture.session(), status);
        restart();

        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok).answer(PromptAnswer::Ok);
        QVERIFY(download.ListUnitEvaluations());
        download.SelectAll();
        QVERIFY(!download.AddSelectedEvaluations());
        QCOMPARE(prompter.shown().size(), 3);
        QCOMPARE(prompter.shown().at(1).title, QString("Error"));
        QVERIFY2(
            prompter.shown().at(1).text.contains("The evaluation file North.txt was not imported. The connection to "
                                                 "the database server was lost: "),
            qPrintable(prompter.shown().at(1).text));
        QCOMPARE(prompter.last().text, QString("Not all files added!"));
        QVERIFY(fixture.errorLog().contains("The connection to the database server was lost"));
        QCOMPARE(fixture.unitFiles(), QStringList({"North.txt"}));

        prompter.clear();
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        QVERIFY(download.ListUnitEvaluations());
        download.SelectAll();
        QVERIFY(download.AddSelectedEvaluations());
        QCOMPARE(prompter.last().text, QString("Selected files copied"));
        QCOMPARE(fixture.rows("Evaluation"), 1);
        QCOMPARE(fixture.rows("EvaluationPickList"), 2);
        QCOMPARE(fixture.unitFiles(), QStringList());
    }

    void theCommandLineExitsWithTheReason() {
        QTemporaryDir home;
        const QStringList options{"--home", home.path(), "--settings", home.path() + "/Kestrivo.ini"};
        const auto cli = [&](const QStringList& arguments, QString* err = nullptr) {
            QProcess process;
            process.start(qEnvironmentVariable("KESTRIVO_BINARY_DIR") + "/bin/kestrivo-cli", options + arguments);
            process.waitForFinished(60000);
            if (err)
                *err = QString::fromUtf8(process.readAllStandardError());
            return process.exitCode();
        };
        QCOMPARE(cli({"init", "--postgres", m_server.server() + "/commands"}), 0);
        QVERIFY(QDir().mkpath(home.path() + "/unit/My Documents/Nobrin/Evaluations"));
        QVERIFY(m_server.stop());
        QString err;
        QCOMPARE(cli({"unit", "list"}, &err), 1);
        QVERIFY2(err.startsWith("kestrivo-cli: The database commands on " + m_server.server() + " cannot be opened.\n"),
                 qPrintable(err));
        QVERIFY(m_server.start());
        QCOMPARE(cli({"unit", "list"}, &err), 0);
        QVERIFY2(err.contains("No files found to download."), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(tst_ServerLoss)
#include "tst_serverloss.moc"
