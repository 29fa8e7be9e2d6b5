#pragma once

#include "ReportRequestWindow.h"

// "Answer Chart": records the chart of the answers of the evaluations chosen in the report
// window, a bar per group, with progress in proBarStatus, then previews or prints it.
class frmReportAnswerChart : public ReportRequestWindow {
    Q_OBJECT
public:
    frmReportAnswerChart(ReportRequest request, QWidget* owner = nullptr);

protected:
    void runReport() override;
};
