#include "Database.h"
#include "KestrivoCli.h"
#include "TestDatabases.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// kestrivo-cli's report and export commands as a user runs them on the demo's data, in a
// program folder of their own, on both engines.
class tst_ReportCli : public QObject {
    Q_OBJECT

    using Run = KestrivoCli::Run;

    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_connection;

    QString home() const { return m_folder->path() + "/home"; }
    QString file(const QString& name) const { return m_folder->path() + "/" + name; }
    Run cli(const QStringList& arguments) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("KESTRIVO_PRINT_DIR", file("printouts"));
        // As under cron or ssh: Qt has notes to make about such a session, which are not the
        // command's to print.
        environment.remove("XDG_RUNTIME_DIR");
        return KestrivoCli::run(home(), file("Kestrivo.ini"), arguments, environment);
    }
    QStringList groupKeys() const {
        Database db = Database::open(m_connection, "probe");
        QSqlQuery rows = db.query("SELECT DISTINCT EvaluationGroupKey FROM Evaluation ORDER BY EvaluationGroupKey");
        QStringList keys;
        while (rows.next())
            keys << rows.value(0).toString();
        db.close();
        return keys;
    }
    static bool isPdf(const QString& path) {
        QFile pdf(path);
        return pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-";
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        m_folder = std::make_unique<QTemporaryDir>();
        QCOMPARE(cli({"init"}).exitCode, 0);
        if (engine == DatabaseEngine::PostgreSQL) {
            m_connection = TestDatabases::freshConnectionString(engine);
            TestDatabases::usePostgresInSettings(file("Kestrivo.ini"), m_connection);
        } else {
            m_connection = "Provider=SQLite;Data Source=" + home() + "/data/kestrivo.db;Persist Security Info=False";
        }
        QCOMPARE(cli({"demo"}).exitCode, 0);
    }
    void cleanup() { m_folder.reset(); }

    // The reports by name; the window's checks with their texts; a choice the window's lists
    // would not offer is refused.
    void listAndChecks() {
        const Run list = cli({"report", "list"});
        QCOMPARE(list.exitCode, 0);
        QCOMPARE(list.out, QString("Answer Chart by Group\nEvaluation Report\nGroup Summary by Evaluation\nGroup "
                                   "Summary by Group\n"));

        const Run noTemplate = cli({"report", "run", "Group Summary by Evaluation", "--all-evaluations"});
        QCOMPARE(noTemplate.exitCode, 1);
        QVERIFY2(noTemplate.err.contains("Report Error: You must select a template for this report"),
                 qPrintable(noTemplate.err));
        const QStringList groups = groupKeys();
        QVERIFY(groups.size() >= 2);
        const Run twoGroups = cli({"report", "run", "Group Summary by Evaluation", "--template", "Demo Site Inspection",
                                   "--group", groups.at(0), "--group", groups.at(1), "--all-evaluations"});
        QCOMPARE(twoGroups.exitCode, 1);
        QVERIFY(twoGroups.err.contains("You cannot select multiple groups for this report"));
        const Run unlisted = cli(
            {"report", "run", "Evaluation Report", "--evaluation", "1", "--begin", "01/01/02", "--end", "01/01/03"});
        QCOMPARE(unlisted.exitCode, 2);
        QVERIFY(unlisted.err.contains("evaluation 1 is not among the evaluations listed"));
        QCOMPARE(cli({"report", "run", "Evaluation Report", "--begin", "13/45/02", "--all-evaluations"}).exitCode, 2);
        QCOMPARE(cli({"report", "run", "No Such Report", "--all-evaluations"}).exitCode, 2);
    }

    // Each report as one PDF file; --keep leaves the rows in the report database and says
    // under which key; without --pdf the report goes to the printer (the PDF job folder).
    void reportsAsPdf() {
        const QStringList groups = groupKeys();
        const Run byGroup =
            cli({"report", "run", "Group Summary by Group", "--template", "Demo Site Inspection", "--group",
                 groups.at(0), "--group", groups.at(1), "--all-evaluations", "--pdf", file("groups.pdf"), "--keep"});
        QCOMPARE(byGroup.exitCode, 0);
        QCOMPARE(byGroup.err, QString());
        QVERIFY(isPdf(file("groups.pdf")));
        QVERIFY(byGroup.out.startsWith("Report key: "));
        const int key = byGroup.out.section("Report key: ", 1).section('\n', 0, 0).toInt();
        {
            QSqlDatabase report = QSqlDatabase::addDatabase("QSQLITE", "kept");
            report.setDatabaseName(home() + "/data/Report.db");
            QVERIFY(report.open());
            QSqlQuery rows(report);
            QVERIFY(rows.exec(QString("SELECT COUNT(*) FROM ReportDetail WHERE ReportKey=%1").arg(key)));
            QVERIFY(rows.next());
            QVERIFY(rows.value(0).toInt() > 0);
        }
        QSqlDatabase::removeDatabase("kept");

        const Run evaluation =
            cli({"report", "run", "Evaluation Report", "--evaluation", "1", "2", "--pdf", file("evaluations.pdf")});
        QCOMPARE(evaluation.exitCode, 0);
        QVERIFY(isPdf(file("evaluations.pdf")));
        const Run listing = cli({"report", "template", "Demo Site Inspection", "--pdf", file("template.pdf")});
        QCOMPARE(listing.exitCode, 0);
        QCOMPARE(listing.out + listing.err, "Wrote " + file("template.pdf") + "\n");
        QVERIFY(isPdf(file("template.pdf")));
        QCOMPARE(cli({"report", "template", "1"}).exitCode, 0);
        QCOMPARE(QDir(file("printouts")).entryList({"job-*.pdf"}).size(), 1);
        QCOMPARE(cli({"report", "template", "No such template"}).exitCode, 2);
    }

    // The answer chart as PDF: every question of the demo drawn with vector bars (no picture
    // in the file), and its kept rows hold each bar's count as a text above it on its page.
    void answerChartAsPdf() {
        const Run run = cli({"report", "run", "Answer Chart by Group", "--template", "Demo Site Inspection",
                             "--all-evaluations", "--pdf", file("chart.pdf"), "--keep"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
        QVERIFY(isPdf(file("chart.pdf")));
        QProcess images;
        images.start("pdfimages", {"-list", file("chart.pdf")});
        QVERIFY(images.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(images.readAllStandardOutput()).trimmed().split('\n').size(), 2);
        QProcess text;
        text.start("pdftotext", {file("chart.pdf"), "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString words = QString::fromUtf8(text.readAllStandardOutput());
        for (const char* expected : {"Answer Chart by Group", "Entrance clean and clear?",
                                     "Staff wearing protective gear?", "Pick List Items", "No answer", "Page: 1 of"})
            QVERIFY2(words.contains(expected), expected);

        const int key = run.out.section("Report key: ", 1).section('\n', 0, 0).toInt();
        int bars = 0;
        {
            QSqlDatabase report = QSqlDatabase::addDatabase("QSQLITE", "chart");
            report.setDatabaseName(home() + "/data/Report.db");
            QVERIFY(report.open());
            QSqlQuery boxes(report);
            // The bars, under the legend's rule across the page: every one has its count just
            // above it.
            QVERIFY(boxes.exec(QString("SELECT ReportPage, X1, Y1, W1 FROM ReportDetail Bar WHERE ReportKey=%1 AND "
                                       "DetailType=3 AND Y1 > (SELECT MAX(Y1) FROM ReportDetail Rule WHERE "
                                       "Rule.ReportKey=%1 AND Rule.ReportPage=Bar.ReportPage AND DetailType=1 AND "
                                       "X1=500 AND X2=15000)")
                                   .arg(key)));
            while (boxes.next()) {
                const double x = boxes.value(1).toDouble();
                QSqlQuery label(report);
                label.prepare("SELECT DetailData FROM ReportDetail WHERE ReportKey=? AND DetailType=0 AND "
                              "ReportPage=? AND Y1=? AND X1>? AND X1<?");
                for (const QVariant& value : {QVariant(key), boxes.value(0), QVariant(boxes.value(2).toDouble() - 170),
                                              QVariant(x), QVariant(x + boxes.value(3).toDouble())})
                    label.addBindValue(value);
                QVERIFY(label.exec());
                QVERIFY2(label.next() && label.value(0).toInt() > 0, qPrintable(boxes.value(2).toString()));
                ++bars;
            }
        }
        QSqlDatabase::removeDatabase("chart");
        QVERIFY(bars > 12 * 5);
    }

    // Column fields are listed, added and removed per report and template.
    void columns() {
        const Run added = cli({"report", "columns", "Group Summary by Evaluation", "--template", "1", "--add", "3"});
        QCOMPARE(added.exitCode, 0);
        const QStringList line = added.out.trimmed().split('\t');
        QCOMPARE(line.size(), 3);
        QCOMPARE(line.at(1), QString("3"));
        QCOMPARE(cli({"report", "columns", "Group Summary by Group", "--template", "1"}).out, QString());
        QCOMPARE(cli({"report", "columns", "Group Summary by Evaluation", "--template", "1", "--add", "999"}).exitCode,
                 2);
        const Run removed =
            cli({"report", "columns", "Group Summary by Evaluation", "--template", "1", "--remove", line.at(0)});
        QCOMPARE(removed.exitCode, 0);
        QCOMPARE(removed.out, QString());
    }

    // The evaluations the window lists for the filters, as CSV.
    void exportCsv() {
        const Run exported = cli({"export", "evaluations", "--template", "1", "--out", file("all.csv")});
        QCOMPARE(exported.exitCode, 0);
        QFile csv(file("all.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = csv.readAll().split('\n');
        QCOMPARE(lines.size(), 22); // header, 20 evaluations, and the empty text after the last line end
        QVERIFY(lines.first().startsWith("EvaluationKey,Template,Group,FileName,Downloaded,Site,"));
        const Run piped = cli({"export", "evaluations", "--template", "1", "--group", groupKeys().first()});
        QCOMPARE(piped.exitCode, 0);
        QVERIFY(piped.out.count("\r\n") > 1);
        QVERIFY(piped.out.count("\r\n") < 21);
        QCOMPARE(cli({"export", "evaluations"}).exitCode, 2);
    }
};

QTEST_MAIN(tst_ReportCli)
#include "tst_reportcli.moc"
