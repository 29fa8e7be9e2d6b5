#pragma once

#include <QtGlobal>
#include <functional>

class QWidget;

// Opens the template window "Template Maintenance", modeless and owned by owner, over the
// program's device session; its Print button opens the template listing through
// printTemplate.
QWidget* createTemplateMaintenance(QWidget* owner,
                                   std::function<void(QWidget* owner, qint64 templateKey)> printTemplate);
