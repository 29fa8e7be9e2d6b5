#include "Database.h"
#include "EvaluationExport.h"
#include "ReportTestbed.h"
#include "TestDatabases.h"

#include <QBuffer>
#include <QTest>

// The CSV export over more evaluations than one read takes: every line in the order chosen,
// built here from what each evaluation was given.
class tst_EvaluationExport : public QObject {
    Q_OBJECT

    std::unique_ptr<ReportTestbed> m_bed;
    EvaluationFixture& build() { return m_bed->build(); }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        m_bed = std::make_unique<ReportTestbed>(engine);
    }
    void cleanup() { m_bed.reset(); }

    // 2,150 evaluations, chosen last made first, with one of another template and one deleted
    // among them: fields missing or entered twice, a question answered twice (the first answer
    // stands), ticks made in any order (they list in the pick list's order), quotes and commas,
    // and an answer and a tick added long after the rest, whose keys lie apart from their
    // evaluation's.
    void manySlicesInTheOrderChosen() {
        const qint64 audit = build().addTemplate("Audit");
        const qint64 groups = build().addGroupField(audit, {"North", "South"});
        const qint64 inspector = build().addField(audit, {"Inspector", 0, {}, 3});
        const qint64 area = build().addField(audit, {"Area", 0, {}, 2});
        const qint64 clean = build().addQuestion(audit, "Clean?", {"1", "2", "3"}, {"Floor", "Wall", "Roof"}, 1);
        const qint64 safe = build().addQuestion(audit, "Safe?", {"Yes", "No"}, {"Rail", "Exit"}, 2);
        const qint64 other = build().addTemplate("Other");
        const qint64 otherGroup = build().addGroupField(other, {"East"});

        const QStringList ticks[3] = {{"Roof", "Floor"}, {}, {"Wall"}};
        const QString listed[3] = {"Floor; Roof", "", "Wall"};
        QList<qint64> keys;
        QList<QByteArray> lines;
        qint64 late[2] = {};
        {
            Transaction transaction(m_bed->db());
            for (int i = 0; i < 2150; ++i) {
                const QString group = i % 2 ? "North" : "South";
                const QString name = i % 7 == 0 ? QString("Ann, \"%1\"").arg(i) : QString("Ann %1").arg(i);
                QList<std::pair<qint64, QString>> fields{{groups, group}, {inspector, name}};
                if (i % 5 != 0)
                    fields.append({area, QString("A%1").arg(i % 3)});
                if (i == 11)
                    fields.append({inspector, "second"});
                QList<std::pair<qint64, EvaluationFixture::Answer>> answers{
                    {clean, {QString::number(i % 3 + 1), i % 4 == 0, ticks[i % 3]}}};
                if (i == 7)
                    answers.append({clean, {"9", true, {"Wall"}}});
                if (i % 6 != 0)
                    answers.append({safe, {i % 2 ? "Yes" : "No"}});
                const QString file = QString("E%1.evl").arg(i);
                const qint64 key = build().addEvaluation(audit, build().valueKey(groups, group), file, fields, answers);
                keys.prepend(key);
                const QString downloaded = key % 2 ? "2024-02-03T04:05:06" : "2024-02-04T05:06:07";
                QStringList line{QString::number(key),
                                 "Audit",
                                 group,
                                 file,
                                 downloaded,
                                 group,
                                 i % 5 ? QString("A%1").arg(i % 3) : QString(),
                                 name,
                                 QString::number(i % 3 + 1),
                                 i % 4 == 0 ? "Y" : "N",
                                 i == 4 ? "Floor" : listed[i % 3]};
                if (i == 4 || i == 6)
                    late[i / 6] = key;
                if (i == 6)
                    line << "Late"
                         << "N"
                         << "Exit";
                else if (i % 6 != 0)
                    line << (i % 2 ? "Yes" : "No") << "N"
                         << "";
                else
                    line << ""
                         << ""
                         << "";
                lines.prepend(EvaluationExport::record(line));
            }
            m_bed->db().execute("UPDATE Evaluation SET Downloaded=? WHERE MOD(EvaluationKey, 2)=1",
                                {"2024-02-03T04:05:06"});
            m_bed->db().execute("UPDATE Evaluation SET Downloaded=? WHERE MOD(EvaluationKey, 2)=0",
                                {"2024-02-04T05:06:07"});
            transaction.commit();
        }
        const qint64 answer = m_bed->db()
                                  .scalar("SELECT EvaluationQuestionKey FROM EvaluationQuestion WHERE EvaluationKey=? "
                                          "AND TemplateQuestionKey=?",
                                          {late[0], clean})
                                  .toLongLong();
        m_bed->db().execute("INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey) VALUES (?, ?)",
                            {answer, build().pickKey(clean, "Floor")});
        const qint64 lateAnswer =
            m_bed->db()
                .scalar("INSERT INTO EvaluationQuestion (EvaluationKey, TemplateQuestionKey, Answer, TBCCheck) VALUES "
                        "(?, ?, 'Late', 0) RETURNING EvaluationQuestionKey",
                        {late[1], safe})
                .toLongLong();
        m_bed->db().execute("INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey) VALUES (?, ?)",
                            {lateAnswer, build().pickKey(safe, "Exit")});
        keys.insert(1000, build().addEvaluation(other, build().valueKey(otherGroup, "East"), "O.evl", {}, {}));
        m_bed->db().execute("DELETE FROM Evaluation WHERE EvaluationKey=?", {keys.at(1500)});
        lines.removeAt(1499);

        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EvaluationExport exporter(m_bed->db());
        QList<int> progress;
        exporter.setProgress([&progress](int value, int) { progress << value; });
        QCOMPARE(exporter.write(out, audit, keys), qint64(2149));
        QCOMPARE(progress, QList<int>({1000, 2000, 2151}));
        QList<QByteArray> written = out.data().split('\n');
        QCOMPARE(written.takeLast(), QByteArray());
        QCOMPARE(written.takeFirst(),
                 QByteArray("EvaluationKey,Template,Group,FileName,Downloaded,Group,Area,Inspector,"
                            "Clean?,Clean? TBC,Clean? Pick List,Safe?,Safe? TBC,Safe? Pick "
                            "List\r"));
        QCOMPARE(written.size(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            QCOMPARE(written.at(i) + '\n', lines.at(i));
    }
};

QTEST_MAIN(tst_EvaluationExport)
#include "tst_evaluationexport.moc"
