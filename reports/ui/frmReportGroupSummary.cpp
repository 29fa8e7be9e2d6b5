#include "frmReportGroupSummary.h"

#include "DataEnvironment.h"
#include "GroupSummary.h"
#include "ReportProgressBar.h"
#include "ctlTrelkPrintPreview.h"

#include <QProgressBar>

frmReportGroupSummary::frmReportGroupSummary(ReportRequest request, QWidget* owner)
    : ReportRunWindow(QStringLiteral("frmReportGroupSummary"), QStringLiteral("Group Summary Report"), owner),
      m_request(std::move(request)), m_preview(m_request.preview), m_variant(m_request.variant),
      m_progress(addReportProgressBar(this, true)) {}

void frmReportGroupSummary::runReport() {
    const DataEnvironment& environment = DataEnvironment::instance();
    GroupSummary summary(environment.cnnConnection(), environment.rsCompanyParameter().Name);
    summary.setProgress([this](int value, int maximum) {
        m_progress->setMaximum(maximum);
        m_progress->setValue(value);
    });
    summary.setCancelled([this] { return cancelRequested(); });
    ReportRequest request = m_request;
    request.variant = m_variant;
    const std::optional<int> key = summary.record(control(), request);
    endBusy();
    if (key)
        deliverReport(control(), *key, {m_preview, {}, false});
}
