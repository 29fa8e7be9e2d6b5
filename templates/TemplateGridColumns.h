#pragma once

#include "GridColumn.h"

#include <QList>

// The built-in column set-up of the template editor's grids; the default layout files hold
// the same arrangement.
namespace TemplateGridColumns {

QList<GridColumn> entryField();
QList<GridColumn> fieldValue();
QList<GridColumn> fileNameField();
QList<GridColumn> question();
QList<GridColumn> answer();
QList<GridColumn> picklist();

} // namespace TemplateGridColumns
