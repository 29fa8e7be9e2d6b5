#pragma once

#include "ReportRequestWindow.h"

// "Group Summary Report": records the summary of the evaluations chosen in the report
// window, a column per evaluation (ReportVariant 0) or per group (1), with progress in
// proBarStatus, then previews or prints it.
class frmReportGroupSummary : public ReportRequestWindow {
    Q_OBJECT
    Q_PROPERTY(int ReportVariant MEMBER m_variant)
public:
    frmReportGroupSummary(ReportRequest request, QWidget* owner = nullptr);

protected:
    void runReport() override;

private:
    int m_variant = 0;
};
