#include "EvaluationDownload.h"
#include "EvaluationFileParser.h"
#include "EvaluationImporter.h"
#include "HandheldFixture.h"
#include "KestrivoError.h"
#include "RecordingStatus.h"
#include "ScriptedPrompter.h"
#include "TestDatabases.h"
#include "WholeFileInsert.h"

#include <QFile>
#include <QTest>
#include <thread>

// What the import promises when another PC works on the same catalog at the same moment: a
// template that one PC deletes while another imports evaluations of it either stays with
// the evaluations or goes without any of them, whichever commits first; an evaluation row
// never names a template item that does not exist. The other PC is a connection of its own
// in a thread; each case waits until one of the two really waits for the other's lock.
class tst_ImportGuarantees : public QObject {
    Q_OBJECT

    QString m_connection;

    // True while a connection to the catalog waits for a lock that another holds.
    bool oneWaits() const {
        Database probe = Database::open(m_connection, "probe");
        const bool waiting = probe
                                 .scalar("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = current_database() AND "
                                         "wait_event_type = 'Lock'")
                                 .toInt() > 0;
        probe.close();
        return waiting;
    }

    // Runs the statement on a connection of its own in another thread; the result is "done"
    // or the reason it failed.
    std::thread otherPc(const QString& sql, const QVariantList& values, QString& result) const {
        return std::thread([this, sql, values, &result] {
            Database other = Database::open(m_connection, "other");
            try {
                other.execute(sql, values);
                result = "done";
            } catch (const KestrivoError& error) {
                result = error.description();
            }
            other.close();
        });
    }

    // A second template whose pick-list entry the Audit's file names instead of its own.
    qint64 addForeignEntry(const Database& db, qint64* entry) {
        const qint64 other = db.insert("Template", {"Name"}, {"Other"});
        const qint64 question = db.insert("TemplateQuestion", {"TemplateKey", "Question"}, {other, "Elsewhere?"});
        *entry = db.insert("TemplatePickList", {"TemplateQuestionKey", "Name"}, {question, "Roof"});
        return other;
    }

    // An evaluation of the Audit with one answer: their keys.
    static std::pair<qint64, qint64> addAnswered(const Database& db, const HandheldFixture::Audit& audit) {
        const qint64 evaluation =
            db.insert("Evaluation", {"TemplateKey", "EvaluationGroupKey"}, {audit.templateKey, audit.north});
        return {evaluation, db.insert("EvaluationQuestion", {"EvaluationKey", "TemplateQuestionKey"},
                                      {evaluation, audit.question})};
    }

    // The statement of an import, inside the caller's open transaction: its rows stay
    // uncommitted until the caller commits.
    static void addUncommitted(const Database& db, const QByteArray& bytes) {
        const EvaluationFileContent content = EvaluationFileParser::parse(bytes);
        QVERIFY(WholeFileInsert(db).insert({{&content, "A.txt", "A", "digest"}}).first() > 0);
    }

    // Another PC deletes the template, and before it commits this one imports A.txt on a
    // connection of its own: the import must wait for the deletion. Its outcome.
    EvaluationImporter::Outcome importWhileDeleted(const HandheldFixture& fixture, qint64 templateKey) {
        EvaluationImporter::Outcome outcome = EvaluationImporter::Outcome::Imported;
        Database deleter = Database::open(m_connection, "deleter");
        {
            Transaction deletion(deleter);
            deleter.execute("DELETE FROM Template WHERE TemplateKey=?", {templateKey});
            std::thread import([this, &outcome, &fixture] {
                Database own = Database::open(m_connection, "importer");
                EvaluationImporter importer(own);
                outcome = HandheldFixture::importPath(importer, fixture.pcEvaluationFolder() + "A.txt");
                own.close();
            });
            [&] { QTRY_VERIFY(oneWaits()); }();
            deletion.commit();
            import.join();
        }
        deleter.close();
        return outcome;
    }

    static QString rowsOf(const Database& db) {
        QStringList counts;
        for (const char* table :
             {"Template", "Evaluation", "EvaluationField", "EvaluationQuestion", "EvaluationPickList", "ImportedFile"})
            counts << QString::number(db.scalar(QString("SELECT COUNT(*) FROM %1").arg(table)).toInt());
        return counts.join(' ');
    }

private Q_SLOTS:
    void initTestCase() {
        if (!TestDatabases::postgresAvailable()) {
            if (!qEnvironmentVariable("CI").isEmpty())
                QFAIL("no PostgreSQL server for the database tests (KESTRIVO_TEST_PGHOST)");
            QSKIP("the locks of several PCs are the server's: no PostgreSQL server given");
        }
    }
    void init() { m_connection = TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL); }

    // The import's statement has run, its rows uncommitted; the template's deletion waits for
    // it and then fails, so the evaluation keeps its template.
    void deletionWaitsForTheImportAndFails() {
        HandheldFixture fixture(m_connection);
        const HandheldFixture::Audit audit = fixture.addAudit();
        Transaction import(fixture.db());
        addUncommitted(fixture.db(), HandheldFixture::auditFile(audit, "a"));
        QString result;
        std::thread other = otherPc("DELETE FROM Template WHERE TemplateKey=?", {audit.templateKey}, result);
        QTRY_VERIFY(oneWaits());
        import.commit();
        other.join();
        QVERIFY2(result.contains("foreign key"), qPrintable(result));
        QCOMPARE(rowsOf(fixture.db()), QString("1 1 2 1 2 1"));
    }

    // The template is deleted first, uncommitted; the import waits for it and then fails
    // whole, leaving no row behind.
    void importWaitsForTheDeletionAndFails() {
        HandheldFixture fixture(m_connection);
        const HandheldFixture::Audit audit = fixture.addAudit();
        fixture.putOnPc("A.txt", HandheldFixture::auditFile(audit, "a"));
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        QCOMPARE(importWhileDeleted(fixture, audit.templateKey), EvaluationImporter::Outcome::Failed);
        QVERIFY2(prompter.last().text.contains("The evaluation file A.txt was not imported."),
                 qPrintable(prompter.last().text));
        QCOMPARE(rowsOf(fixture.db()), QString("0 0 0 0 0 0"));
    }

    // A file names a pick-list entry of another template. Whichever of the import and the
    // deletion of that other template comes first, the other waits for it and fails: no
    // evaluation row is left naming an entry that is gone.
    void itemsOfAnotherTemplate_data() {
        QTest::addColumn<bool>("importFirst");
        QTest::newRow("the import first") << true;
        QTest::newRow("the deletion first") << false;
    }
    void itemsOfAnotherTemplate() {
        QFETCH(bool, importFirst);
        HandheldFixture fixture(m_connection);
        const HandheldFixture::Audit audit = fixture.addAudit();
        qint64 entry = 0;
        const qint64 other = addForeignEntry(fixture.db(), &entry);
        QByteArray file = HandheldFixture::auditFile(audit, "a");
        file.replace("\"*P*\"," + QByteArray::number(audit.wall), "\"*P*\"," + QByteArray::number(entry));
        fixture.putOnPc("A.txt", file);
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        if (importFirst) {
            Transaction import(fixture.db());
            addUncommitted(fixture.db(), file);
            QString result;
            std::thread deletion = otherPc("DELETE FROM Template WHERE TemplateKey=?", {other}, result);
            QTRY_VERIFY(oneWaits());
            import.commit();
            deletion.join();
            QVERIFY2(
                result.contains(QString("The pick-list entry %1 cannot be removed: evaluations name it.").arg(entry)),
                qPrintable(result));
            QCOMPARE(rowsOf(fixture.db()), QString("2 1 2 1 2 1"));
        } else {
            QCOMPARE(importWhileDeleted(fixture, other), EvaluationImporter::Outcome::Failed);
            QVERIFY2(prompter.last().text.contains(
                         QString("The pick-list entry %1 named by an evaluation does not exist.").arg(entry)),
                     qPrintable(prompter.last().text));
            QCOMPARE(rowsOf(fixture.db()), QString("1 0 0 0 0 0"));
        }
        QCOMPARE(fixture.db()
                     .scalar("SELECT COUNT(*) FROM EvaluationPickList e WHERE NOT EXISTS (SELECT 1 FROM "
                             "TemplatePickList i WHERE i.TemplatePickListKey = e.TemplatePickListKey)")
                     .toInt(),
                 0);
    }

    // On a server Add reads the next batch of files while the one before goes in on a
    // connection of its own. A file that the server refuses in a batch on its way stops the
    // run as it does anywhere: the files before it are in and gone from the unit, it and every
    // later file stay there, none of them in the catalog. The next Add takes the rest.
    void aRefusedFileStopsTheRunWhileTheNextBatchIsRead() {
        HandheldFixture fixture(m_connection);
        const HandheldFixture::Audit audit = fixture.addAudit();
        const int refused = int(EvaluationImporter::BatchFiles) - 10;
        QStringList names;
        for (int i = 0; i < EvaluationImporter::BatchFiles * 2 + 10; ++i) {
            names << QString("E%1.txt").arg(i, 4, 10, QChar('0'));
            QByteArray bytes = HandheldFixture::auditFile(audit, names.last());
            if (i == refused)
                bytes.replace(QString("\"*P*\",%1").arg(audit.wall).toLatin1(), "\"*P*\",4242");
            fixture.putOnUnit(names.last(), bytes);
        }
        RecordingStatus status;
        EvaluationDownload download(fixture.session(), status);
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok).answer(PromptAnswer::Ok);
        QVERIFY(download.ListUnitEvaluations());
        download.SelectAll();
        QVERIFY(!download.AddSelectedEvaluations());
        const QString error = prompter.shown().at(1).text;
        QVERIFY2(error.contains(QString("The evaluation file %1 was not imported.").arg(names.at(refused))) &&
                     error.contains("The pick-list entry 4242 named by an evaluation does not exist."),
                 qPrintable(error));
        QCOMPARE(prompter.last().text, QString("Not all files added!"));
        QCOMPARE(download.lastAddResult().failed, names.at(refused));
        QCOMPARE(fixture.rows("Evaluation"), refused);
        QCOMPARE(fixture.unitFiles(), names.mid(refused));

        QVERIFY(QFile::remove(fixture.unitEvaluationFolder() + names.at(refused)));
        prompter.clear();
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        QVERIFY(download.ListUnitEvaluations());
        download.SelectAll();
        QVERIFY(download.AddSelectedEvaluations());
        QCOMPARE(fixture.rows("Evaluation"), names.size() - 1);
        QCOMPARE(fixture.rows("EvaluationPickList"), 2 * (names.size() - 1));
        QCOMPARE(fixture.unitFiles(), QStringList());
    }

    // Rows added to an evaluation (or to one of its answers) while another PC removes it:
    // whichever comes first, the other waits for it. A removal after the rows takes them
    // with it; rows after the removal fail. No row is ever left without its evaluation.
    void rowsOfAnEvaluationBeingRemoved_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("removal");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<bool>("rowsFirst");
        for (const bool rowsFirst : {true, false}) {
            const char* order = rowsFirst ? "rows first" : "removal first";
            QTest::addRow("entry, %s", order)
                << "INSERT INTO EvaluationField (EvaluationKey, TemplateFieldKey) VALUES (%1, %3)"
                << "DELETE FROM Evaluation WHERE EvaluationKey = %1"
                << "The evaluation %1 does not exist." << rowsFirst;
            QTest::addRow("pick-list entry, %s", order)
                << "INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey) VALUES (%2, %4)"
                << "DELETE FROM EvaluationQuestion WHERE EvaluationQuestionKey = %2"
                << "The evaluation answer %2 does not exist." << rowsFirst;
        }
    }
    void rowsOfAnEvaluationBeingRemoved() {
        QFETCH(QString, rows);
        QFETCH(QString, removal);
        QFETCH(QString, refusal);
        QFETCH(bool, rowsFirst);
        HandheldFixture fixture(m_connection);
        const HandheldFixture::Audit audit = fixture.addAudit();
        const Database& db = fixture.db();
        const auto [evaluation, answer] = addAnswered(db, audit);
        const auto keys = [&](QString sql) {
            return sql.replace("%1", QString::number(evaluation))
                .replace("%2", QString::number(answer))
                .replace("%3", QString::number(audit.notesField))
                .replace("%4", QString::number(audit.floor));
        };
        QString result;
        Transaction first(db);
        db.execute(keys(rowsFirst ? rows : removal));
        std::thread other = otherPc(keys(rowsFirst ? removal : rows), {}, result);
        QTRY_VERIFY(oneWaits());
        first.commit();
        other.join();
        if (rowsFirst)
            QCOMPARE(result, QString("done"));
        else
            QVERIFY2(result.contains(keys(refusal)), qPrintable(result));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM EvaluationField").toInt() +
                     db.scalar("SELECT COUNT(*) FROM EvaluationPickList").toInt(),
                 0);
    }

    // The checks that stand in for the foreign keys catch a key that names nothing in every
    // table, also in a statement of many rows, and a template item that evaluations name
    // cannot be removed on its own either.
    void keysThatNameNothing() {
        HandheldFixture fixture(m_connection);
        const HandheldFixture::Audit audit = fixture.addAudit();
        const Database& db = fixture.db();
        const auto [evaluation, answer] = addAnswered(db, audit);
        const QList<std::pair<QString, QString>> wrong{
            {"INSERT INTO EvaluationField (EvaluationKey, TemplateFieldKey) VALUES (%1, %2), (%1, 4242)",
             "The entry field 4242 named by an evaluation does not exist."},
            {"INSERT INTO EvaluationQuestion (EvaluationKey, TemplateQuestionKey) VALUES (%1, 4242)",
             "The question 4242 named by an evaluation does not exist."},
            {"INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey) VALUES (%3, 4242)",
             "The pick-list entry 4242 named by an evaluation does not exist."},
            {"UPDATE EvaluationQuestion SET TemplateQuestionKey = 4242", "The question 4242 named by an evaluation "
                                                                         "does not exist."},
            {"INSERT INTO EvaluationQuestion (EvaluationKey, TemplateQuestionKey) VALUES (%1, %4), (4242, %4)",
             "The evaluation 4242 does not exist."},
            {"INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey) VALUES (4242, %5)",
             "The evaluation answer 4242 does not exist."},
            {"UPDATE Evaluation SET EvaluationKey = 4242", "The keys of the table evaluation cannot change"},
        };
        for (const auto& [sql, message] : wrong) {
            try {
                db.execute(QString(sql)
                               .replace("%1", QString::number(evaluation))
                               .replace("%2", QString::number(audit.notesField))
                               .replace("%3", QString::number(answer))
                               .replace("%4", QString::number(audit.question))
                               .replace("%5", QString::number(audit.floor)));
                QFAIL(qPrintable("accepted: " + sql));
            } catch (const KestrivoError& error) {
                QVERIFY2(error.description().contains(message) && !error.description().contains("CONTEXT"),
                         qPrintable(error.description()));
            }
        }
        db.execute("INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey) VALUES (?, ?)",
                   {answer, audit.floor});
        for (const auto& [sql, message] : QList<std::pair<QString, QString>>{
                 {"DELETE FROM TemplateQuestion", "The question %1 cannot be removed: evaluations name it."},
                 {"DELETE FROM TemplatePickList WHERE TemplatePickListKey=%2",
                  "The pick-list entry %2 cannot be removed: evaluations name it."}}) {
            try {
                db.execute(sql.arg(audit.question).arg(audit.floor));
                QFAIL(qPrintable("accepted: " + sql));
            } catch (const KestrivoError& error) {
                QVERIFY2(error.description().contains(message.arg(audit.question).arg(audit.floor)),
                         qPrintable(error.description()));
            }
        }
        // An item that no evaluation names goes.
        db.execute("DELETE FROM TemplatePickList WHERE TemplatePickListKey=?", {audit.wall});
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM TemplatePickList").toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_ImportGuarantees)
#include "tst_importguarantees.moc"
