#include "WorkingAreas.h"

#include "EvaluationWindows.h"
#include "frmSwitchboard.h"

namespace WorkingAreas {

void registerWindows() {
    frmSwitchboard::registerWindow(QStringLiteral("frmEvaluationMaintenance"), createEvaluationMaintenance);
}

} // namespace WorkingAreas
