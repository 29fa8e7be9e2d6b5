#include "frmReportAnswerChart.h"

#include "AnswerChart.h"
#include "DataEnvironment.h"
#include "ReportProgressBar.h"
#include "ctlTrelkPrintPreview.h"

#include <QProgressBar>

frmReportAnswerChart::frmReportAnswerChart(ReportRequest request, QWidget* owner)
    : ReportRunWindow(QStringLiteral("frmReportAnswerChart"), QStringLiteral("Answer Chart"), owner),
      m_request(std::move(request)), m_preview(m_request.preview), m_progress(addReportProgressBar(this)) {}

void frmReportAnswerChart::runReport() {
    const DataEnvironment& environment = DataEnvironment::instance();
    AnswerChart chart(environment.cnnConnection(), environment.rsCompanyParameter().Name);
    chart.setProgress([this](int value, int maximum) {
        m_progress->setMaximum(maximum);
        m_progress->setValue(value);
    });
    const std::optional<int> key = chart.record(control(), m_request);
    endBusy();
    if (key)
        deliverReport(control(), *key, {m_preview, {}, false});
}
