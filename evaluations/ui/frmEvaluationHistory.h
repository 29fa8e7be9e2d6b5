#pragma once

#include "EvaluationHistoryList.h"

#include <QDialog>

class QLabel;
class QTableWidget;

// The history of the evaluation on the "Nobrin" tab: every change, newest first, with when,
// who, how, what, and the old and new values. It only shows; nothing in it can be changed.
class frmEvaluationHistory : public QDialog {
    Q_OBJECT
public:
    // Throws KestrivoError when the history cannot be read.
    frmEvaluationHistory(const Database& database, qint64 evaluationKey, const QString& fileName, QWidget* owner);

    const EvaluationHistoryList& logic() const { return m_logic; }

private:
    void showLines();

    EvaluationHistoryList m_logic;
    QTableWidget* m_table = nullptr;
    QLabel* m_empty = nullptr;
};
