#pragma once

class QWidget;

// Opens the evaluation window "Evaluation Maintenance", modeless and owned by owner, over the
// program's device session.
QWidget* createEvaluationMaintenance(QWidget* owner);
