#pragma once

#include "AddEvaluation.h"

#include <QDialog>

class EvaluationEditor;
class QComboBox;
class QLabel;

// "Add Evaluation": picks the template of a new evaluation and has the editor build it.
// Shown beside the evaluation window without blocking it; it closes itself when done.
class frmAddEvaluation : public QDialog {
    Q_OBJECT
public:
    frmAddEvaluation(const Database& database, EvaluationEditor& editor, QWidget* owner);

    AddEvaluation& logic() { return m_logic; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    AddEvaluation m_logic;
    EvaluationEditor& m_editor;
    QComboBox* m_templates = nullptr;
    QLabel* m_panel = nullptr;
};
