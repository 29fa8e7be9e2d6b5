#pragma once

#include "OpenEvaluationFilter.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;

// "Open Evaluation": finds an evaluation by template, group and download date. It hides on
// "&Select" or "&Cancel"; the editor then reads the chosen evaluation from its logic.
class frmOpenEvaluation : public QDialog {
    Q_OBJECT
public:
    frmOpenEvaluation(const Database& database, QWidget* owner);

    OpenEvaluationFilter& logic() { return m_logic; }

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a step that refills lists under the hourglass, then shows the new state.
    void refreshing(const QString& procedure, const std::function<void()>& step);
    void showLists();
    void select();

    OpenEvaluationFilter m_logic;
    QComboBox* m_templates = nullptr;
    QComboBox* m_groups = nullptr;
    QLineEdit* m_dates[2] = {};
    QListView* m_files = nullptr;
    QLabel* m_panel = nullptr;
};
