#pragma once

#include "ReportRequest.h"
#include "ReportTestbed.h"

#include <QObject>
#include <memory>

// The report over the evaluations of the template "Audit" (key audit), each chosen, with dates
// that take in all of them.
inline ReportRequest auditRequest(qint64 audit, const QString& reportName, const QList<qint64>& evaluations) {
    ReportRequest request;
    request.report.name = reportName;
    request.templateKey = audit;
    request.templateText = "Audit";
    request.beginText = "01/01/02";
    request.endText = "12/31/29";
    for (qint64 key : evaluations)
        request.evaluations.append({key, true});
    return request;
}

// The start of the reports' tests: a fresh testbed of the engine, the company "Halvane" with
// three report columns, and the template "Audit" with a group field of the groups named. A
// test class derives from it and adds its own fields and questions.
class AuditReportTest : public QObject {
protected:
    std::unique_ptr<ReportTestbed> m_bed;
    qint64 m_audit = 0;
    qint64 m_groupField = 0;

    EvaluationFixture& build() { return m_bed->build(); }
    qint64 group(const QString& name) { return build().valueKey(m_groupField, name); }

    void startAudit(DatabaseEngine engine, const QStringList& groups) {
        m_bed = std::make_unique<ReportTestbed>(engine);
        build().setCompany("Halvane", 3);
        m_audit = build().addTemplate("Audit");
        m_groupField = build().addGroupField(m_audit, groups);
    }

    ReportRequest auditRequest(const QString& reportName, const QList<qint64>& evaluations) const {
        return ::auditRequest(m_audit, reportName, evaluations);
    }
};
