#pragma once

#include "ReportRequest.h"
#include "ReportRunWindow.h"

class QProgressBar;

// "Group Summary Report": records the summary of the evaluations chosen in the report
// window, a column per evaluation (ReportVariant 0) or per group (1), with progress in
// proBarStatus, then previews or prints it.
class frmReportGroupSummary : public ReportRunWindow {
    Q_OBJECT
    Q_PROPERTY(bool PreviewReport MEMBER m_preview)
    Q_PROPERTY(int ReportVariant MEMBER m_variant)
public:
    frmReportGroupSummary(ReportRequest request, QWidget* owner = nullptr);

protected:
    void runReport() override;

private:
    ReportRequest m_request;
    bool m_preview = false;
    int m_variant = 0;
    QProgressBar* m_progress;
};
