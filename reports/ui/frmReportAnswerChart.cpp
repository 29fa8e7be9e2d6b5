#include "frmReportAnswerChart.h"

#include "AnswerChart.h"
#include "DataEnvironment.h"
#include "ctlTrelkPrintPreview.h"

frmReportAnswerChart::frmReportAnswerChart(ReportRequest request, QWidget* owner)
    : ReportRequestWindow(QStringLiteral("frmReportAnswerChart"), QStringLiteral("Answer Chart"), std::move(request),
                          false, owner) {}

void frmReportAnswerChart::runReport() {
    const DataEnvironment& environment = DataEnvironment::instance();
    AnswerChart chart(environment.cnnConnection(), environment.rsCompanyParameter().Name);
    chart.setProgress([this](int value, int maximum) { showProgress(value, maximum); });
    deliver(chart.record(control(), request()));
}
