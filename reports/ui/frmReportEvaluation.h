#pragma once

#include "ReportRequestWindow.h"

// "Evaluation Report": records the evaluations chosen in the report window, each on pages
// of its own, with progress in proBarStatus, then previews or prints them.
class frmReportEvaluation : public ReportRequestWindow {
    Q_OBJECT
public:
    frmReportEvaluation(ReportRequest request, QWidget* owner = nullptr);

protected:
    void runReport() override;
};
