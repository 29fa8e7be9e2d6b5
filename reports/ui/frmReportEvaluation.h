#pragma once

#include "ReportRequest.h"
#include "ReportRunWindow.h"

class QProgressBar;

// "Evaluation Report": records the evaluations chosen in the report window, each on pages
// of its own, with progress in proBarStatus, then previews or prints them.
class frmReportEvaluation : public ReportRunWindow {
    Q_OBJECT
    Q_PROPERTY(bool PreviewReport MEMBER m_preview)
public:
    frmReportEvaluation(ReportRequest request, QWidget* owner = nullptr);

protected:
    void runReport() override;

private:
    ReportRequest m_request;
    bool m_preview = false;
    QProgressBar* m_progress;
};
