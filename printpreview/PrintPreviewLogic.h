#pragma once

#include "ScrollBarSettings.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

class PrintPagesLogic;
class PrinterTarget;

// The preview window's behaviour: which page of the report is shown, the drawn page, the
// scroll bars for a given frame, and printing the pages chosen in the print pages dialog.
// Sizes and positions are in twips; the drawing fails with a KestrivoError that the window
// reports.
class PrintPreviewLogic {
public:
    explicit PrintPreviewLogic(qint32 reportKey) : m_reportKey(reportKey) {}

    qint32 reportKey() const { return m_reportKey; }
    qint32 currentPage() const { return m_currentPage; }
    qint32 lastPage() const { return m_lastPage; }
    QString pageText() const { return QString::number(m_currentPage); }
    // The page display's size; it follows the orientation of each page drawn.
    QSize documentTwips() const { return m_documentTwips; }
    // The last page drawn (the off-screen picture); it stays when a drawing fails.
    const QImage& picture() const { return m_picture; }

    // Finds the last page and makes sure page 1 exists; false for a report without rows,
    // which leaves the display empty. Then sizeDoc() draws the current page.
    bool load();
    void sizeDoc();

    // Each returns true when the page changed and must be drawn.
    bool beginPage();
    bool previousPage();
    bool nextPage();
    bool endPage();
    // The user left the page box with this text: a page of the report is shown (rounded
    // to the nearest whole page); anything else puts the current page back in the box.
    bool pageTyped(const QString& text);

    // Zoom: the page's size on screen in percent of its full size, one of zoomSteps(), or
    // whatever fits the page, or its width, into the frame (within the same bounds). Each
    // call returns true when the zoom changed and the page must be drawn again.
    enum class Fit { None, Page, Width };
    static const QList<int>& zoomSteps();
    int zoom() const { return m_zoom; }
    Fit fit() const { return m_fit; }
    bool setZoom(int percent);
    bool zoomIn();
    bool zoomOut();
    bool setFit(Fit fit, const QSize& frameInner);
    // The frame changed size: a fitted page follows it.
    bool frameResized(const QSize& frameInner);

    ScrollBarSettings verticalBar(const QRect& container, const QSize& containerInner) const;
    ScrollBarSettings horizontalBar(const QRect& container, const QSize& containerInner) const;

    // Prints what the print pages dialog chose: each copy in turn, each range one job.
    void print(const PrintPagesLogic& choice, PrinterTarget& printer) const;

private:
    bool zoomTo(int percent);
    int fittedZoom(const QSize& frameInner) const;

    qint32 m_reportKey;
    int m_zoom = 100;
    Fit m_fit = Fit::None;
    // The current page's full size, whatever the zoom.
    QSize m_pageTwips{12240, 15840};
    qint32 m_currentPage = 1;
    qint32 m_lastPage = 0;
    QSize m_documentTwips{12240, 15840};
    QImage m_picture;
};
