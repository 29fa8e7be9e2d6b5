#include "Database.h"
#include "KestrivoCli.h"
#include "SiteVisit.h"

#include <QProcess>
#include <QTest>

// "kestrivo-cli evaluation" as a user runs it, in a program folder of its own.
class tst_EvaluationCli : public QObject, private KestrivoCli::Home {
    Q_OBJECT

    using Run = KestrivoCli::Run;

private Q_SLOTS:
    void listShowAndDelete() {
        QCOMPARE(cli({"init"}).exitCode, 0);
        qint64 first = 0, second = 0;
        SiteVisit visit;
        {
            Database db = Database::open(connection(), "setup");
            visit = SiteVisit::create(db, 2);
            first = visit.store(db, "Yes", true, true);
            second = db.insert("Evaluation", {"TemplateKey", "EvaluationGroupKey", "FileName", "Downloaded"},
                               {visit.templateKey, visit.south, "South.with.dots", "2003-06-05T12:00:00"});
            // An item marked deleted since still shows in the evaluation that used it.
            db.execute("UPDATE TemplateQuestion SET Deleted=-1 WHERE TemplateQuestionKey=?", {visit.questions[0]});
            db.close();
        }

        const Run all = cli({"evaluation", "list"});
        QCOMPARE(all.exitCode, 0);
        const QString today = QDate::currentDate().toString("MM/dd/yy");
        QCOMPARE(all.out, QString("File Name                      Added    \n"
                                  "North060503                    %1 \t%2\n"
                                  "South                          06/05/03 \t%3\n")
                              .arg(today)
                              .arg(first)
                              .arg(second));
        const Run south = cli({"evaluation", "list", "--template", QString::number(visit.templateKey), "--group",
                               QString::number(visit.south), "--begin", "06/05/03", "--end", "06/05/2003"});
        QCOMPARE(south.out.split('\n', Qt::SkipEmptyParts).size(), 2);
        QVERIFY(south.out.contains("South   "));
        QCOMPARE(cli({"evaluation", "list", "--end", "06/04/03"}).out.count('\n'), 1);

        const Run shown = cli({"evaluation", "show", QString::number(first)});
        QCOMPARE(shown.exitCode, 0);
        QCOMPARE(shown.out, QString("File name: North060503\nTemplate: Site Visit\nGroup: North\n\nFields:\n"
                                    "  Site: North\n  Visited: 06/05/03\n  Inspector: Ann\n  Staff: 0\n\n"
                                    "Questions:\n"
                                    "  1. Question 1?\n     Answer: Yes\n     TBC: Yes\n     Ticked: Floor\n"
                                    "  2. Question 2?\n     Answer: \n     TBC: No\n     Ticked: \n"));

        const Run deleted = cli({"evaluation", "delete", QString::number(first)});
        QCOMPARE(deleted.exitCode, 0);
        QCOMPARE(deleted.out, QString("Deleted evaluation %1 (North060503)\n").arg(first));
        const Run gone = cli({"evaluation", "show", QString::number(first)});
        QCOMPARE(gone.exitCode, 1);
        QCOMPARE(gone.err, QString("kestrivo-cli: no evaluation has the key %1\n").arg(first));
        QCOMPARE(cli({"evaluation", "delete", QString::number(first)}).exitCode, 1);
        Database db = Database::open(connection(), "check");
        for (const char* table : {"EvaluationField", "EvaluationQuestion", "EvaluationPickList"})
            QCOMPARE(db.scalar(QString("SELECT COUNT(*) FROM %1").arg(table)).toInt(), 0);
        db.close();
    }

    void badArgumentsAreAnsweredClearly() {
        const Run date = cli({"evaluation", "list", "--begin", "13/45/03"});
        QCOMPARE(date.exitCode, 2);
        QCOMPARE(date.err, QString("kestrivo-cli: --begin needs a date mm/dd/yy naming a real day, not 13/45/03\n"));
        QCOMPARE(cli({"evaluation", "list", "--template"}).err, QString("kestrivo-cli: --template needs a value\n"));
        QCOMPARE(cli({"evaluation", "list", "--group", "x"}).exitCode, 2);
        QCOMPARE(cli({"evaluation", "list", "--colour", "red"}).err,
                 QString("kestrivo-cli: unknown option --colour\n"));
        QCOMPARE(cli({"evaluation", "show"}).exitCode, 2);
        QCOMPARE(cli({"evaluation", "delete", "-3"}).exitCode, 2);
        QVERIFY(cli({"evaluation"}).err.contains("usage: evaluation list"));
    }
};

QTEST_GUILESS_MAIN(tst_EvaluationCli)
#include "tst_evaluationcli.moc"
