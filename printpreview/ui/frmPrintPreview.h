#pragma once

#include "ControlPositions.h"
#include "PrintPreviewLogic.h"

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QScrollBar;
class frmPrintPages;

// The preview window: one page of a recorded report at a time, at full size in a scrollable
// frame, with page buttons, printer set-up, printing through the print pages dialog and
// saving as PDF. The page is drawn when the window is first shown.
class frmPrintPreview : public QDialog {
    Q_OBJECT

public:
    frmPrintPreview(qint32 reportKey, frmPrintPages& printPages, QWidget* parent = nullptr);

    qint32 reportKey() const { return m_logic.reportKey(); }
    const PrintPreviewLogic& logic() const { return m_logic; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void formLoad();
    void sizeDoc();
    void sizeScrolls();
    void showPage(bool changed);
    void pageLeft();
    void mnuPrint();
    void mnuSavePdf();
    void toolbarButtonClicked(const QString& key);

    PrintPreviewLogic m_logic;
    frmPrintPages& m_printPages;
    ControlPositions m_positions;
    bool m_loaded = false;
    QWidget* m_controls = nullptr;
    QLineEdit* m_txtPage = nullptr;
    QFrame* m_container = nullptr;
    QLabel* m_document = nullptr;
    QScrollBar* m_vscroll = nullptr;
    QScrollBar* m_hscroll = nullptr;
};
