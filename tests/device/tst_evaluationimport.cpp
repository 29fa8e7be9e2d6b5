#include "EvaluationImporter.h"
#include "FileNames.h"
#include "HandheldFixture.h"
#include "ScriptedPrompter.h"
#include "TestDatabases.h"
#include "Windows1252.h"

#include <QFile>
#include <QSqlRecord>
#include <QTest>

// Importing evaluation files into the database: the rows each record gives, one transaction
// per file, and the rule that a file's content goes in only once.
class tst_EvaluationImport : public QObject {
    Q_OBJECT

    static QStringList rowsOf(const Database& db, const QString& sql) {
        QSqlQuery query = db.query(sql);
        QStringList rows;
        while (query.next()) {
            QStringList cells;
            for (int i = 0; i < query.record().count(); ++i)
                cells << (query.value(i).isNull() ? "NULL" : query.value(i).toString());
            rows << cells.join('|');
        }
        return rows;
    }
    static QStringList everything(const Database& db) {
        QStringList all;
        for (const char* table : {"Evaluation", "EvaluationField", "EvaluationQuestion", "EvaluationPickList"})
            all << QString::number(db.scalar(QString("SELECT COUNT(*) FROM %1").arg(table)).toInt());
        all << rowsOf(db, "SELECT FileName, EvaluationKey FROM ImportedFile ORDER BY ImportedFileKey");
        return all;
    }

private Q_SLOTS:
    void recordsBecomeRows_data() { TestDatabases::addEngineRows(); }
    void recordsBecomeRows() {
        QFETCH(QString, connection);
        HandheldFixture fixture(connection);
        const HandheldFixture::Audit audit = fixture.addAudit();
        const Database& db = fixture.db();
        fixture.putOnPc("North.06.05.03.txt", HandheldFixture::auditFile(audit, "Dusty, but fine"));
        EvaluationImporter importer(db);
        QCOMPARE(HandheldFixture::importOne(importer, "North.06.05.03.txt"), EvaluationImporter::Outcome::Imported);

        QCOMPARE(rowsOf(db, "SELECT EvaluationKey, FileName, TemplateKey, EvaluationGroupKey FROM Evaluation"),
                 QStringList({QString("1|North|%1|%2").arg(audit.templateKey).arg(audit.north)}));
        QCOMPARE(rowsOf(db, "SELECT EvaluationKey, TemplateFieldKey, EnteredValue, TemplateFieldValueKey FROM "
                            "EvaluationField ORDER BY EvaluationFieldKey"),
                 QStringList({QString("1|%1|North|%2").arg(audit.shiftField).arg(audit.north),
                              QString("1|%1|Dusty, but fine|0").arg(audit.notesField)}));
        QCOMPARE(rowsOf(db, "SELECT EvaluationQuestionKey, EvaluationKey, TemplateQuestionKey, Answer, TBCCheck FROM "
                            "EvaluationQuestion"),
                 QStringList({QString("1|1|%1|Yes|-1").arg(audit.question)}));
        QCOMPARE(rowsOf(db, "SELECT EvaluationQuestionKey, TemplatePickListKey FROM EvaluationPickList "
                            "ORDER BY EvaluationPickListKey"),
                 QStringList({QString("1|%1").arg(audit.floor), QString("1|%1").arg(audit.wall)}));
        QCOMPARE(rowsOf(db, "SELECT FileName, EvaluationKey FROM ImportedFile"), QStringList({"North.06.05.03.txt|1"}));
        QCOMPARE(importer.rowsWritten(), 6);

        // Two evaluations in one file; TBC flags of every spelling; the second's rows are its own.
        const QString twice =
            QString("\"*H*\",a,%1,%2\r\n\"*Q*\",%3,\"No\",#TRUE#\r\n\"*Q*\",%3,\"Yes\",0\r\n"
                    "\"*H*\",b,%1,%4\r\n\"*F*\",%5,\"South\",%4\r\n\"*Q*\",%3,\"\",-1\r\n\"*P*\",%6\r\n")
                .arg(audit.templateKey)
                .arg(audit.north)
                .arg(audit.question)
                .arg(audit.south)
                .arg(audit.shiftField)
                .arg(audit.wall);
        fixture.putOnPc("Two.txt", twice.toLatin1());
        QCOMPARE(HandheldFixture::importOne(importer, "Two.txt"), EvaluationImporter::Outcome::Imported);
        QCOMPARE(rowsOf(db, "SELECT EvaluationKey, FileName, EvaluationGroupKey FROM Evaluation WHERE EvaluationKey>1 "
                            "ORDER BY EvaluationKey"),
                 QStringList({QString("2|Two|%1").arg(audit.north), QString("3|Two|%1").arg(audit.south)}));
        QCOMPARE(rowsOf(db, "SELECT EvaluationKey, Answer, TBCCheck FROM EvaluationQuestion WHERE EvaluationKey>1 "
                            "ORDER BY EvaluationQuestionKey"),
                 QStringList({"2|No|-1", "2|Yes|0", "3||-1"}));
        QCOMPARE(rowsOf(db, "SELECT EvaluationQuestion.EvaluationKey FROM EvaluationPickList INNER JOIN "
                            "EvaluationQuestion ON EvaluationPickList.EvaluationQuestionKey = "
                            "EvaluationQuestion.EvaluationQuestionKey WHERE EvaluationKey>1"),
                 QStringList({"3"}));
        QCOMPARE(rowsOf(db, "SELECT EvaluationKey FROM EvaluationField WHERE EvaluationKey>1"), QStringList({"3"}));
    }

    // Text goes in exactly as the unit wrote it, whatever characters it holds; a null item stays
    // null and an empty one empty.
    void textGoesInUnchanged_data() { TestDatabases::addEngineRows(); }
    void textGoesInUnchanged() {
        QFETCH(QString, connection);
        HandheldFixture fixture(connection);
        const HandheldFixture::Audit audit = fixture.addAudit();
        const QStringList texts{"a, b",       "C:\\x\\{y}", "{NULL}",  "NULL", "it's",
                                "  padded  ", "",           "Café €5", "\\",   "#NULL#"};
        EvaluationImporter importer(fixture.db());
        for (int i = 0; i < texts.size(); ++i) {
            const QString item = texts.at(i) == "#NULL#" ? texts.at(i) : '"' + texts.at(i) + '"';
            bool encoded = false;
            const QByteArray bytes =
                Windows1252::encode(QString("\"*H*\",x,%1,%2\r\n\"*F*\",%3,%4,0\r\n\"*Q*\",%5,%4,0\r\n\"*P*\",%6\r\n")
                                        .arg(audit.templateKey)
                                        .arg(audit.north)
                                        .arg(audit.notesField)
                                        .arg(item)
                                        .arg(audit.question)
                                        .arg(audit.floor),
                                    &encoded);
            QVERIFY(encoded);
            fixture.putOnPc(QString("Text%1.txt").arg(i), bytes);
            QCOMPARE(HandheldFixture::importOne(importer, QString("Text%1.txt").arg(i)),
                     EvaluationImporter::Outcome::Imported);
        }
        QStringList stored;
        QSqlQuery rows = fixture.db().query(
            "SELECT EvaluationField.EnteredValue, EvaluationQuestion.Answer FROM Evaluation INNER JOIN EvaluationField "
            "ON Evaluation.EvaluationKey = EvaluationField.EvaluationKey INNER JOIN EvaluationQuestion ON "
            "Evaluation.EvaluationKey = EvaluationQuestion.EvaluationKey ORDER BY Evaluation.EvaluationKey");
        while (rows.next()) {
            QCOMPARE(rows.value(0).isNull(), rows.value(1).isNull());
            stored << (rows.value(0).isNull() ? QString("#NULL#") : rows.value(0).toString());
            QCOMPARE(rows.value(1).toString(), rows.value(0).toString());
        }
        QCOMPARE(stored, texts);
        QCOMPARE(fixture.rows("EvaluationPickList"), int(texts.size()));
    }

    void sameContentIsImportedOnce_data() { TestDatabases::addEngineRows(); }
    void sameContentIsImportedOnce() {
        QFETCH(QString, connection);
        HandheldFixture fixture(connection);
        const HandheldFixture::Audit audit = fixture.addAudit();
        const QByteArray bytes = HandheldFixture::auditFile(audit, "Once");
        fixture.putOnPc("A.txt", bytes);
        fixture.putOnPc("B.txt", bytes);
        fixture.putOnPc("C.txt", HandheldFixture::auditFile(audit, "Other"));
        EvaluationImporter importer(fixture.db());
        QCOMPARE(HandheldFixture::importOne(importer, "A.txt"), EvaluationImporter::Outcome::Imported);
        const QStringList before = everything(fixture.db());
        QCOMPARE(HandheldFixture::importOne(importer, "A.txt"), EvaluationImporter::Outcome::AlreadyImported);
        QCOMPARE(HandheldFixture::importOne(importer, "B.txt"), EvaluationImporter::Outcome::AlreadyImported);
        QCOMPARE(everything(fixture.db()), before);
        QCOMPARE(HandheldFixture::importOne(importer, "C.txt"), EvaluationImporter::Outcome::Imported);
        QCOMPARE(fixture.rows("Evaluation"), 2);

        // A fresh importer (a later run of the program) still knows the file.
        EvaluationImporter later(fixture.db());
        QCOMPARE(HandheldFixture::importPath(later, fixture.pcEvaluationFolder() + "B.txt"),
                 EvaluationImporter::Outcome::AlreadyImported);
    }

    void failedFilesLeaveNothing_data() {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        const QList<QPair<QString, QString>> faults{
            {"unknown template", ""},
            {"unknown field", ""},
            {"unknown pick-list entry", ""},
            {"second evaluation fails", ""},
            {"truncated", "the file ends inside"},
            {"empty", "holds no evaluation"},
            {"binary garbage", "holds no evaluation"},
            {"unbalanced quotes", "double quote"},
            {"P before Q", "before any \"*Q*\" record"},
            {"non-numeric key", "is not a whole number"},
            {"very long item", "at most 50 can be kept"},
        };
        QList<QPair<QString, QString>> engines{
            {"SQLite", TestDatabases::freshConnectionString(DatabaseEngine::SQLite)}};
        if (TestDatabases::postgresAvailable())
            engines.append({"PostgreSQL", TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL)});
        for (const auto& [engine, connection] : engines) {
            for (const auto& [fault, message] : faults)
                QTest::newRow(qPrintable(engine + ": " + fault)) << connection << fault << message;
        }
    }
    void failedFilesLeaveNothing() {
        QFETCH(QString, connection);
        QFETCH(QString, fault);
        QFETCH(QString, message);
        HandheldFixture fixture(connection);
        const HandheldFixture::Audit audit = fixture.addAudit();
        const QByteArray good = HandheldFixture::auditFile(audit, "Good");
        QByteArray bad = HandheldFixture::auditFile(audit, "Bad");
        const QByteArray pickRecord = "\"*P*\"," + QByteArray::number(audit.wall);
        if (fault == "unknown template")
            bad.replace("\"unit 7\"," + QByteArray::number(audit.templateKey), "\"unit 7\",777");
        else if (fault == "unknown field")
            bad.replace("\"*F*\"," + QByteArray::number(audit.notesField), "\"*F*\",777");
        else if (fault == "unknown pick-list entry")
            bad.replace(pickRecord, "\"*P*\",777");
        else if (fault == "second evaluation fails")
            bad += "\"*H*\",x," + QByteArray::number(audit.templateKey) + ",777\r\n";
        else if (fault == "truncated")
            bad.chop(bad.size() - bad.indexOf(pickRecord) - 6);
        else if (fault == "empty")
            bad.clear();
        else if (fault == "binary garbage")
            bad = QByteArray::fromHex("00ff13802c7a7a0102fe0d0a0a00");
        else if (fault == "unbalanced quotes")
            bad.replace("\"Bad\"", "\"Bad");
        else if (fault == "P before Q")
            bad = bad.replace(pickRecord + "\r\n", "").replace("\"*F*\"", pickRecord + "\r\n\"*F*\"");
        else if (fault == "non-numeric key")
            bad.replace("\"*Q*\"," + QByteArray::number(audit.question), "\"*Q*\",Q1");
        else if (fault == "very long item")
            bad.replace("\"Yes\"", '"' + QByteArray(5000, 'y') + '"');
        fixture.putOnPc("Good.txt", good);
        fixture.putOnPc("Bad.txt", bad);

        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        EvaluationImporter importer(fixture.db());
        QCOMPARE(HandheldFixture::importOne(importer, "Good.txt"), EvaluationImporter::Outcome::Imported);
        const QStringList before = everything(fixture.db());
        QCOMPARE(HandheldFixture::importOne(importer, "Bad.txt"), EvaluationImporter::Outcome::Failed);
        QCOMPARE(everything(fixture.db()), before);
        QCOMPARE(prompter.shown().size(), 1);
        QCOMPARE(prompter.last().title, QString("Error"));
        QVERIFY2(prompter.last().text.contains("The evaluation file Bad.txt was not imported. ") &&
                     prompter.last().text.contains(message),
                 qPrintable(prompter.last().text));
        QVERIFY(fixture.errorLog().contains("The evaluation file Bad.txt was not imported."));
        QVERIFY(QFile::exists(fixture.pcEvaluationFolder() + "Bad.txt"));

        // The importer goes on with the next file after a failure.
        fixture.putOnPc("Next.txt", HandheldFixture::auditFile(audit, "Next"));
        QCOMPARE(HandheldFixture::importOne(importer, "Next.txt"), EvaluationImporter::Outcome::Imported);
    }

    // A run of several batches. Its caller hears of each file once the file's batch is
    // committed, in order; the first file that fails stops the run, whatever batch the files
    // after it were in: those before it are in, it and every later one are not. A caller that
    // refuses a file (a unit that keeps it) stops the run too, with the next batch left out.
    void aRunStopsAtTheFirstFailure_data() { TestDatabases::addEngineRows(); }
    void aRunStopsAtTheFirstFailure() {
        using Outcome = EvaluationImporter::Outcome;
        QFETCH(QString, connection);
        HandheldFixture fixture(connection);
        const HandheldFixture::Audit audit = fixture.addAudit();
        const qsizetype failing = EvaluationImporter::BatchFiles + 3;
        QStringList names;
        for (qsizetype i = 0; i < 2 * EvaluationImporter::BatchFiles + 5; ++i) {
            names << QString("E%1.txt").arg(i, 3, 10, QChar('0'));
            QByteArray bytes = HandheldFixture::auditFile(audit, names.last());
            if (i == failing)
                bytes.replace("\"*P*\"," + QByteArray::number(audit.wall), "\"*P*\",777");
            fixture.putOnPc(names.last(), bytes);
        }
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        QStringList told;
        EvaluationImporter importer(fixture.db(), [&told](const QString& name, Outcome outcome) {
            told << name;
            return outcome == Outcome::Imported;
        });
        const auto run = [&] {
            qsizetype added = 0;
            while (added < names.size() && importer.add(names.at(added++))) {
            }
            const QList<Outcome> outcomes = importer.finish();
            return outcomes.size() == added ? outcomes : QList<Outcome>();
        };
        QList<Outcome> outcomes = run();
        QCOMPARE(outcomes.mid(0, failing + 1), QList<Outcome>(failing, Outcome::Imported) << Outcome::Failed);
        QCOMPARE(outcomes.mid(failing + 1), QList<Outcome>(outcomes.size() - failing - 1, Outcome::NotAdded));
        QCOMPARE(told, names.mid(0, failing));
        QCOMPARE(fixture.rows("Evaluation"), int(failing));
        QCOMPARE(importer.rowsWritten(), 6 * failing);
        QCOMPARE(prompter.shown().size(), 1);
        QVERIFY2(prompter.last().text.contains("The evaluation file " + names.at(failing) + " was not imported."),
                 qPrintable(prompter.last().text));

        // The same importer runs again; the caller refuses the first file, already imported.
        names.removeAt(failing);
        told.clear();
        outcomes = run();
        QVERIFY(outcomes.size() >= EvaluationImporter::BatchFiles);
        QCOMPARE(outcomes.mid(0, EvaluationImporter::BatchFiles),
                 QList<Outcome>(EvaluationImporter::BatchFiles, Outcome::AlreadyImported));
        QCOMPARE(outcomes.mid(EvaluationImporter::BatchFiles),
                 QList<Outcome>(outcomes.size() - EvaluationImporter::BatchFiles, Outcome::NotAdded));
        QCOMPARE(told, names.mid(0, 1));
        QCOMPARE(fixture.rows("Evaluation"), int(failing));
    }

    void namesThatCannotNameAnEvaluation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("no full stop") << "NoExtension"
                                      << "The name has no \".\" before an extension.";
        QTest::newRow("nothing before it") << ".txt"
                                           << "The name has no text before its first \".\".";
        QTest::newRow("folder part") << "../Outside.txt"
                                     << "The name holds a folder part.";
        QTest::newRow("backslash") << "..\\Outside.txt"
                                   << "The name holds a folder part.";
        QTest::newRow("too long") << QString(256, 'n') + ".txt"
                                  << "longer than 255 characters";
    }
    void namesThatCannotNameAnEvaluation() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        HandheldFixture fixture(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        const HandheldFixture::Audit audit = fixture.addAudit();
        fixture.putOnPc(FileNames::isBareFileName(name) && name.size() < 200 ? name : "Outside.txt",
                        HandheldFixture::auditFile(audit, "x"));
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        EvaluationImporter importer(fixture.db());
        QCOMPARE(HandheldFixture::importOne(importer, name), EvaluationImporter::Outcome::Failed);
        QVERIFY2(prompter.last().text.contains(message), qPrintable(prompter.last().text));
        QCOMPARE(fixture.rows("Evaluation"), 0);
    }

    void missingFile() {
        HandheldFixture fixture(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        EvaluationImporter importer(fixture.db());
        QCOMPARE(HandheldFixture::importOne(importer, "Gone.txt"), EvaluationImporter::Outcome::Failed);
        QCOMPARE(prompter.last().text, QString("File not found to process request!"));
        QCOMPARE(prompter.last().title, QString("Error!"));
    }
};

QTEST_GUILESS_MAIN(tst_EvaluationImport)
#include "tst_evaluationimport.moc"
