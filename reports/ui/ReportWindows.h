#pragma once

#include <QtGlobal>

class QWidget;

// Opens the template listing "Template Report" of the template, modeless and owned by
// owner: it records the listing, previews it and closes itself.
void showReportTemplate(QWidget* owner, qint64 templateKey);

// Opens the report window "Report Generator", modeless and owned by owner.
QWidget* createReportParameters(QWidget* owner);
