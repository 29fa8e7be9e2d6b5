#include "AuditReportTest.h"
#include "CatalogCopy.h"
#include "DataEnvironment.h"
#include "EvaluationReport.h"
#include "GroupSummary.h"
#include "ReportCapture.h"
#include "ReportTestbed.h"
#include "TemplateListing.h"
#include "TestDatabases.h"

#include <QTest>

// A catalog copied to the other engine and back prints every report exactly as the original
// did: the same recorded rows, page for page.
class tst_CatalogReports : public QObject {
    Q_OBJECT

    qint64 m_audit = 0;
    qint64 m_group = 0;
    qint64 m_inspector = 0;
    QList<qint64> m_evaluations;

    void build(ReportTestbed& bed) {
        EvaluationFixture& fixture = bed.build();
        fixture.setCompany("Halvane", 2);
        m_audit = fixture.addTemplate("Audit");
        m_group = fixture.addGroupField(m_audit, {"North", "South", "Gone"});
        fixture.markDeleted("TemplateFieldValue", fixture.valueKey(m_group, "Gone"));
        m_inspector = fixture.addField(m_audit, {"Inspector", 0, {}, 2});
        const qint64 visit = fixture.addField(m_audit, {"Visit", 3, {}, 3, "B", true});
        const qint64 score = fixture.addField(m_audit, {"Score", 1, {}, 4, "R", false, 2});
        const qint64 clean = fixture.addQuestion(m_audit, "Clean?", {"1", "2", "3", "4", "5"}, {"Floor", "Wall"}, 1);
        const qint64 safe = fixture.addQuestion(m_audit, "Safe?", {"Yes", "No"}, {}, 2);
        const QStringList inspectors{"Ann", "Bo", "Cy", "Di", "Ed", "Flo"};
        for (int i = 0; i < inspectors.size(); ++i) {
            const qint64 key = fixture.addEvaluation(
                m_audit, fixture.valueKey(m_group, i % 3 == 2 ? "South" : "North"), inspectors.at(i) + ".evl",
                {{m_inspector, inspectors.at(i)},
                 {visit, QString("03/0%1/24").arg(i + 1)},
                 {score, QString::number(i * 1.5)}},
                {{clean,
                  {QString::number(i % 5 + 1), i == 1, i % 2 ? QStringList{"Wall"} : QStringList{"Floor", "Wall"}}},
                 {safe, {i % 2 ? "No" : "Yes"}}});
            fixture.setDownloaded(key, QDateTime(QDate(2024, 3, 1 + i), QTime(8 + i, 15, 0)));
            m_evaluations << key;
        }
        bed.db().execute("INSERT INTO ReportColumnField (ReportDefinitionKey, TemplateKey, TemplateFieldKey) "
                         "VALUES (2, ?, ?)",
                         {m_audit, m_inspector});
    }

    // Every report of the catalog that the shared connection is open on.
    QStringList reports(const Database& db) {
        const CompanyParameter company = DataEnvironment::instance().rsCompanyParameter();
        QStringList rows;
        {
            ReportCapture capture;
            QList<ListedEvaluation> entries;
            for (qint64 key : m_evaluations)
                entries.append({key, true});
            EvaluationReport(db, company).run(capture, entries, {true, {}, false});
            rows << ReportCapture::brief(capture.rows);
        }
        for (int variant : {0, 1}) {
            ReportCapture capture;
            GroupSummary summary(db, company.Name);
            summary.setNow(QDateTime(QDate(2024, 3, 5), QTime(14, 7)));
            ReportRequest request = auditRequest(
                m_audit, variant == 0 ? "Group Summary by Evaluation" : "Group Summary by Group", m_evaluations);
            request.columnFields.append({m_inspector, "Inspector"});
            request.variant = variant;
            summary.run(capture, request, {true, {}, false});
            rows << ReportCapture::brief(capture.rows);
        }
        ReportCapture capture;
        TemplateListing(db, company.Name).run(capture, m_audit, {true, {}, false});
        rows << ReportCapture::brief(capture.rows);
        return rows;
    }

    // Copies the catalog of the shared connection into a fresh one of the engine and opens the
    // shared connection on the copy.
    static void moveTo(DatabaseEngine engine) {
        const QString connection = TestDatabases::freshConnectionString(engine);
        {
            Database target = Database::open(connection, "target");
            CatalogCopy(DataEnvironment::instance().cnnConnection(), target).run();
            target.close();
        }
        DataEnvironment::instance().open(connection);
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }

    void reportsOfTheCopyAreTheOriginals() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        ReportTestbed bed(engine);
        build(bed);
        const QStringList original = reports(bed.db());
        QVERIFY(original.size() > 100);
        QVERIFY(original.contains("p1 500,500 s10 Halvane"));

        const DatabaseEngine other = TestDatabases::postgresAvailable() && engine == DatabaseEngine::SQLite
                                         ? DatabaseEngine::PostgreSQL
                                         : DatabaseEngine::SQLite;
        moveTo(other);
        QCOMPARE(reports(bed.db()), original);
        moveTo(engine);
        QCOMPARE(reports(bed.db()), original);
    }
};

QTEST_MAIN(tst_CatalogReports)
#include "tst_catalogreports.moc"
