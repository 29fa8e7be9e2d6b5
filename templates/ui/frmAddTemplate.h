#pragma once

#include "AddTemplate.h"
#include "ControlPositions.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// "Add Template": the name of a new template; Add writes it with its group field, Abort
// leaves everything as it was.
class frmAddTemplate : public QDialog {
    Q_OBJECT
public:
    explicit frmAddTemplate(QWidget* owner = nullptr);

    AddTemplate& logic() { return m_logic; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    AddTemplate m_logic;
    QLineEdit* m_name = nullptr;
    QPushButton* m_abort = nullptr;
    QLabel* m_panel = nullptr;
    QWidget* m_status = nullptr;
    ControlPositions m_positions;
    bool m_recorded = false;
};
