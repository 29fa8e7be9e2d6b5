#include "ReportWindows.h"

#include "ReportOutput.h"
#include "frmReportParameters.h"
#include "frmReportTemplate.h"

void showReportTemplate(QWidget* owner, qint64 templateKey) {
    routeReportMessages();
    auto* window = new frmReportTemplate(owner);
    window->templateKey = templateKey;
    window->show();
}

QWidget* createReportParameters(QWidget* owner) {
    routeReportMessages();
    auto* window = new frmReportParameters(owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}
