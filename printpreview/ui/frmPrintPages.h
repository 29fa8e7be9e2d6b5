#pragma once

#include "PrintPagesLogic.h"

#include <QDialog>

class QGroupBox;
class QHBoxLayout;
class QLineEdit;
class QRadioButton;
class QScrollBar;

// The print pages dialog: which pages of the previewed report to print and how many copies.
// It lives as long as its control, so the answers of one use are there at the next; closing
// it any other way than with "&Print" cancels.
class frmPrintPages : public QDialog {
    Q_OBJECT

public:
    explicit frmPrintPages(QWidget* parent = nullptr);

    PrintPagesLogic& logic() { return m_logic; }
    // Shows the dialog modally for the printer that will print; false when cancelled.
    bool ask(const QString& printerName, int printerCopies);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* copiesBox();
    QGroupBox* pageSelectionBox();
    QHBoxLayout* buttonRow();
    void copiesEdited(const QString& text);
    void copiesScrolled(int value);

    PrintPagesLogic m_logic;
    bool m_loaded = false;
    QLineEdit* m_txtPrinter;
    QLineEdit* m_txtCopies;
    QScrollBar* m_vscrCopies;
    QRadioButton* m_optPages[3];
    QLineEdit* m_txtPages;
};
