#include "frmReportEvaluation.h"

#include "DataEnvironment.h"
#include "EvaluationReport.h"
#include "ctlTrelkPrintPreview.h"

frmReportEvaluation::frmReportEvaluation(ReportRequest request, QWidget* owner)
    : ReportRequestWindow(QStringLiteral("frmReportEvaluation"), QStringLiteral("Evaluation Report"),
                          std::move(request), true, owner) {}

void frmReportEvaluation::runReport() {
    const DataEnvironment& environment = DataEnvironment::instance();
    EvaluationReport report(environment.cnnConnection(), environment.rsCompanyParameter());
    report.setProgress([this](int value, int maximum) { showProgress(value, maximum); });
    report.setCancelled([this] { return cancelRequested(); });
    deliver(report.record(control(), request().evaluations));
}
