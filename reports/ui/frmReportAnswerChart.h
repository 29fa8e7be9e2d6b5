#pragma once

#include "ReportRequest.h"
#include "ReportRunWindow.h"

class QProgressBar;

// "Answer Chart": records the chart of the answers of the evaluations chosen in the report
// window, a bar per group, with progress in proBarStatus, then previews or prints it.
class frmReportAnswerChart : public ReportRunWindow {
    Q_OBJECT
    Q_PROPERTY(bool PreviewReport MEMBER m_preview)
public:
    frmReportAnswerChart(ReportRequest request, QWidget* owner = nullptr);

protected:
    void runReport() override;

private:
    ReportRequest m_request;
    bool m_preview = false;
    QProgressBar* m_progress;
};
