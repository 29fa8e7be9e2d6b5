#pragma once

#include "ReportRunWindow.h"

// "Template Report": records the listing of the template templateKey and previews it.
class frmReportTemplate : public ReportRunWindow {
    Q_OBJECT
public:
    explicit frmReportTemplate(QWidget* owner = nullptr);

    qint64 templateKey = 0;

protected:
    void runReport() override;
};
