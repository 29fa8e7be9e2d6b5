#include "frmReportGroupSummary.h"

#include "DataEnvironment.h"
#include "GroupSummary.h"
#include "ctlTrelkPrintPreview.h"

frmReportGroupSummary::frmReportGroupSummary(ReportRequest request, QWidget* owner)
    : ReportRequestWindow(QStringLiteral("frmReportGroupSummary"), QStringLiteral("Group Summary Report"),
                          std::move(request), true, owner),
      m_variant(this->request().variant) {}

void frmReportGroupSummary::runReport() {
    const DataEnvironment& environment = DataEnvironment::instance();
    GroupSummary summary(environment.cnnConnection(), environment.rsCompanyParameter().Name);
    summary.setProgress([this](int value, int maximum) { showProgress(value, maximum); });
    summary.setCancelled([this] { return cancelRequested(); });
    ReportRequest chosen = request();
    chosen.variant = m_variant;
    deliver(summary.record(control(), chosen));
}
