#include "WorkingAreas.h"

#include "EvaluationWindows.h"
#include "ReportWindows.h"
#include "TemplateWindows.h"
#include "WebUnitWindows.h"
#include "frmSwitchboard.h"

namespace WorkingAreas {

void registerWindows() {
    frmSwitchboard::registerWindow(QStringLiteral("frmEvaluationMaintenance"), createEvaluationMaintenance);
    frmSwitchboard::registerWindow(QStringLiteral("frmTemplates"),
                                   [](QWidget* owner) { return createTemplateMaintenance(owner, showReportTemplate); });
    frmSwitchboard::registerWindow(QStringLiteral("frmReports"), createReportParameters);
    frmSwitchboard::registerWindow(QStringLiteral("frmWebUnit"), createWebUnitWindow);
}

} // namespace WorkingAreas
