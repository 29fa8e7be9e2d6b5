#pragma once

#include "EulaLogic.h"

#include <QDialog>

class QTextEdit;

// The licence agreement: it can only be left by agreeing or declining.
class frmEula : public QDialog {
    Q_OBJECT
public:
    explicit frmEula(QWidget* owner = nullptr);
    // False when the agreement text could not be read (the user has been told).
    bool loaded() const { return m_loaded; }
    bool Declined() const { return m_logic.Declined(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void print();

    EulaLogic m_logic;
    QTextEdit* m_text;
    bool m_loaded = false;
};
