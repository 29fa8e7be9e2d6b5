#include "WebUnitWindows.h"

#include "DataEnvironment.h"
#include "ProgramSettings.h"
#include "frmWebUnit.h"

QWidget* createWebUnitWindow(QWidget* owner) {
    const CompanyParameter& company = DataEnvironment::instance().rsCompanyParameter();
    return new frmWebUnit(
        WebUnitFolders::forUnit(programSettings().UnitPath, company.DeviceTemplatePath, company.DeviceEvaluationPath),
        owner);
}
