#pragma once

#include "ControlPositions.h"
#include "PrintPreviewLogic.h"

#include <QDialog>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenuBar;
class QScrollBar;
class QWheelEvent;
class frmPrintPages;

// The preview window: one page of a recorded report at a time, at full size or zoomed, in a
// scrollable frame, with page buttons, printer set-up, printing through the print pages
// dialog and saving as PDF. The page is drawn when the window is first shown.
class frmPrintPreview : public QDialog {
    Q_OBJECT

public:
    frmPrintPreview(qint32 reportKey, frmPrintPages& printPages, QWidget* parent = nullptr);
    ~frmPrintPreview() override;

    qint32 reportKey() const { return m_logic.reportKey(); }
    const PrintPreviewLogic& logic() const { return m_logic; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void buildZoomMenu(QMenuBar* bar);
    void formLoad();
    void sizeDoc();
    void sizeScrolls();
    void showPage(bool changed);
    void pageLeft();
    void mnuPrint();
    void mnuSavePdf();
    void toolbarButtonClicked(const QString& key);
    // Draws the page again when the zoom changed, keeping the middle of the frame where it is.
    void zoomed(bool changed);
    void showZoom();
    QSize frameInner() const;
    bool wheel(QWheelEvent& event);

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
    QComboBox* m_zoom = nullptr;
    int m_wheelTurn = 0; // of a Ctrl+wheel zoom, in eighths of a degree
};
