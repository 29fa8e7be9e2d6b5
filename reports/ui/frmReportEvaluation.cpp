#include "frmReportEvaluation.h"

#include "DataEnvironment.h"
#include "EvaluationReport.h"
#include "ReportProgressBar.h"
#include "ctlTrelkPrintPreview.h"

#include <QProgressBar>

frmReportEvaluation::frmReportEvaluation(ReportRequest request, QWidget* owner)
    : ReportRunWindow(QStringLiteral("frmReportEvaluation"), QStringLiteral("Evaluation Report"), owner),
      m_request(std::move(request)), m_preview(m_request.preview), m_progress(addReportProgressBar(this, true)) {}

void frmReportEvaluation::runReport() {
    const DataEnvironment& environment = DataEnvironment::instance();
    EvaluationReport report(environment.cnnConnection(), environment.rsCompanyParameter());
    report.setProgress([this](int value, int maximum) {
        m_progress->setMaximum(maximum);
        m_progress->setValue(value);
    });
    report.setCancelled([this] { return cancelRequested(); });
    const std::optional<int> key = report.record(control(), m_request.evaluations);
    endBusy();
    if (key)
        deliverReport(control(), *key, {m_preview, {}, false});
}
