#include "Database.h"
#include "EvaluationWriter.h"
#include "TemplateBuilder.h"
#include "TestDatabases.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

// A PC that dies in the middle of replacing an evaluation leaves the old one or the new
// one, whole, and never a part of either.
class tst_EvaluationSaveKill : public QObject {
    Q_OBJECT

    static constexpr int Fields = 20;
    static constexpr int Questions = 50;
    static constexpr int Ticks = 30;
    // How long a saver may take to do what the test waits for before the test gives up.
    static constexpr int Patience = 120000;

    // An evaluation of the full template: every question answered, marked TBC and all its
    // pick-list entries ticked.
    static qint64 fullEvaluation(const Database& db, qint64 templateKey) {
        EvaluationWriter::Evaluation evaluation;
        evaluation.templateKey = templateKey;
        evaluation.fileName = "Killed";
        evaluation.evaluationGroupKey =
            db.scalar("SELECT MIN(TemplateFieldValueKey) FROM TemplateFieldValue INNER JOIN TemplateField ON "
                      "TemplateField.TemplateFieldKey = TemplateFieldValue.TemplateFieldKey WHERE GroupField<>0 AND "
                      "TemplateKey=?",
                      {templateKey})
                .toLongLong();
        QSqlQuery fields =
            db.query("SELECT TemplateFieldKey FROM TemplateField WHERE TemplateKey=? ORDER BY Sequence", {templateKey});
        while (fields.next())
            evaluation.fields.append({fields.value(0).toLongLong(), "Value", 0});
        QSqlQuery questions = db.query(
            "SELECT TemplateQuestionKey FROM TemplateQuestion WHERE TemplateKey=? ORDER BY Sequence", {templateKey});
        while (questions.next())
            evaluation.questions.append({questions.value(0).toLongLong(), "Answer 1", true, {}});
        for (EvaluationWriter::Question& question : evaluation.questions) {
            QSqlQuery entries = db.query(
                "SELECT TemplatePickListKey FROM TemplatePickList WHERE TemplateQuestionKey=? ORDER BY Sequence",
                {question.templateQuestionKey});
            while (entries.next())
                question.ticked << entries.value(0).toLongLong();
        }
        return EvaluationWriter::save(db, evaluation);
    }

private Q_SLOTS:
    void killedSaveLeavesOneWholeEvaluation_data() { TestDatabases::addEngineRows(); }
    void killedSaveLeavesOneWholeEvaluation() {
        QFETCH(QString, connection);
        Database db = Database::open(connection, "test");
        const qint64 templateKey = TemplateBuilder::full(db, "Full").key();
        qint64 key = fullEvaluation(db, templateKey);
        for (int kill = 1; kill <= 4; ++kill) {
            QProcess saver;
            saver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            saver.start(qEnvironmentVariable("KESTRIVO_BINARY_DIR") + "/bin/evaluation_saver",
                        {connection, QString::number(key)});
            QVERIFY(saver.waitForStarted());
            // Some saves go through first (each one gives the evaluation a new key), then one
            // is caught while it writes. Both are waited for as they happen, however slow the
            // saver is (a sanitizer build, a busy server).
            const qint64 before = key;
            const int saves = QRandomGenerator::global()->bounded(1, 4);
            const auto running = [&saver] { return saver.state() == QProcess::Running; };
            QVERIFY2(QTest::qWaitFor(
                         [&] {
                             return !running() || db.scalar("SELECT MAX(EvaluationKey) FROM Evaluation").toLongLong() >=
                                                      before + saves;
                         },
                         Patience),
                     "no save went through");
            QVERIFY2(running(), "the saver stopped on its own");
            QVERIFY2(
                QTest::qWaitFor(
                    [&] { return !running() || TestDatabases::anotherIsWriting(connection, "EvaluationPickList"); },
                    Patience),
                "the saver was never caught in the middle of a save");
            QVERIFY2(running(), "the saver stopped before it could be killed in the middle of a save");
            saver.kill();
            QVERIFY(saver.waitForFinished());
            QCOMPARE(saver.exitStatus(), QProcess::CrashExit);

            QCOMPARE(db.scalar("SELECT COUNT(*) FROM Evaluation").toInt(), 1);
            key = db.scalar("SELECT EvaluationKey FROM Evaluation").toLongLong();
            QCOMPARE(db.scalar("SELECT COUNT(*) FROM EvaluationField WHERE EvaluationKey=?", {key}).toInt(), Fields);
            QCOMPARE(db.scalar("SELECT COUNT(*) FROM EvaluationQuestion WHERE EvaluationKey=? AND TBCCheck=-1", {key})
                         .toInt(),
                     Questions);
            QCOMPARE(db.scalar("SELECT COUNT(*) FROM EvaluationPickList").toInt(), Questions * Ticks);
            QCOMPARE(db.scalar("SELECT COUNT(*) FROM EvaluationField").toInt(), Fields);
        }
        db.close();
    }
};

QTEST_GUILESS_MAIN(tst_EvaluationSaveKill)
#include "tst_evaluationsavekill.moc"
