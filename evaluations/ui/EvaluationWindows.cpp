#include "EvaluationWindows.h"

#include "DeviceSession.h"
#include "frmEvaluationMaintenance.h"

QWidget* createEvaluationMaintenance(QWidget* owner) {
    auto* window = new frmEvaluationMaintenance(DeviceSession::program(), owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}
