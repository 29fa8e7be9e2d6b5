#include "TemplateWindows.h"

#include "DeviceSession.h"
#include "frmTemplateMaintenance.h"

QWidget* createTemplateMaintenance(QWidget* owner,
                                   std::function<void(QWidget* owner, qint64 templateKey)> printTemplate) {
    auto* window = new frmTemplateMaintenance(DeviceSession::program(), std::move(printTemplate), owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}
