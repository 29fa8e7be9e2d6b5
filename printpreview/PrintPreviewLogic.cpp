#include "PrintPreviewLogic.h"

#include "BusyCursor.h"
#include "KestrivoError.h"
#include "PageListParser.h"
#include "PreviewRenderer.h"
#include "PrintPagesLogic.h"
#include "ReportDatabase.h"
#include "ReportPrinter.h"

#include <algorithm>
#include <cmath>

namespace {} // namespace

bool PrintPreviewLogic::load() {
    BusyCursor busy;
    m_currentPage = 1;
    ReportDatabase& database = ReportDatabase::shared();
    const QVariant maxPage = database.scalar(
        QStringLiteral("SELECT MAX(ReportPage) AS MaxPage FROM ReportDetail WHERE ReportKey=?"), {m_reportKey});
    if (maxPage.isNull())
        return false;
    m_lastPage = maxPage.toInt();
    // The page display takes the size of each page drawn, so page 1 only has to exist.
    const QVariant orientation = database.scalar(
        QStringLiteral("SELECT Orientation FROM ReportDetail WHERE ReportPage=1 AND ReportKey=?"), {m_reportKey});
    if (!orientation.isValid())
        throw KestrivoError(ErrorNumber::NoCurrentRecord,
                            QStringLiteral("Page 1 of the report is empty, so its orientation is not known."),
                            QStringLiteral("TrelkPrintPreview"));
    return true;
}

void PrintPreviewLogic::sizeDoc() {
    QImage picture = m_picture;
    const double scale = m_zoom / 100.0;
    PreviewRenderer::render(m_reportKey, m_currentPage, picture, scale);
    m_picture = picture;
    m_documentTwips = picture.size() * PreviewRenderer::TwipsPerPixel;
    m_pageTwips = (QSizeF(m_documentTwips) / scale).toSize();
}

const QList<int>& PrintPreviewLogic::zoomSteps() {
    static const QList<int> steps{50, 75, 100, 125, 150, 200, 300, 400};
    return steps;
}

bool PrintPreviewLogic::zoomTo(int percent) {
    percent = std::clamp(percent, zoomSteps().constFirst(), zoomSteps().constLast());
    if (percent == m_zoom)
        return false;
    m_zoom = percent;
    return true;
}

bool PrintPreviewLogic::setZoom(int percent) {
    m_fit = Fit::None;
    return zoomTo(percent);
}

bool PrintPreviewLogic::zoomIn() {
    const auto next = std::upper_bound(zoomSteps().cbegin(), zoomSteps().cend(), m_zoom);
    return next != zoomSteps().cend() && setZoom(*next);
}

bool PrintPreviewLogic::zoomOut() {
    const auto next = std::lower_bound(zoomSteps().cbegin(), zoomSteps().cend(), m_zoom);
    return next != zoomSteps().cbegin() && setZoom(*std::prev(next));
}

int PrintPreviewLogic::fittedZoom(const QSize& frameInner) const {
    const double across = 100.0 * frameInner.width() / m_pageTwips.width();
    const double down = 100.0 * frameInner.height() / m_pageTwips.height();
    return int(std::floor(m_fit == Fit::Width ? across : std::min(across, down)));
}

bool PrintPreviewLogic::setFit(Fit fit, const QSize& frameInner) {
    m_fit = fit;
    return fit != Fit::None && zoomTo(fittedZoom(frameInner));
}

bool PrintPreviewLogic::frameResized(const QSize& frameInner) {
    return m_fit != Fit::None && zoomTo(fittedZoom(frameInner));
}

bool PrintPreviewLogic::beginPage() {
    m_currentPage = 1;
    return true;
}

bool PrintPreviewLogic::previousPage() {
    if (m_currentPage <= 1)
        return false;
    --m_currentPage;
    return true;
}

bool PrintPreviewLogic::nextPage() {
    if (m_currentPage >= m_lastPage)
        return false;
    ++m_currentPage;
    return true;
}

bool PrintPreviewLogic::endPage() {
    // An empty report has no last page to go to.
    if (m_lastPage < 1)
        return false;
    m_currentPage = m_lastPage;
    return true;
}

bool PrintPreviewLogic::pageTyped(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 1 || value > m_lastPage)
        return false;
    m_currentPage = qint32(std::lround(value));
    return true;
}

ScrollBarSettings PrintPreviewLogic::verticalBar(const QRect& container, const QSize& containerInner) const {
    ScrollBarSettings bar;
    bar.left = container.left() + container.width();
    bar.top = container.top();
    bar.length = container.height();
    bar.maximum = m_documentTwips.height() - containerInner.height();
    bar.smallStep = container.height() / 10;
    bar.largeStep = container.height();
    bar.visible = m_documentTwips.height() > containerInner.height();
    return bar;
}

ScrollBarSettings PrintPreviewLogic::horizontalBar(const QRect& container, const QSize& containerInner) const {
    ScrollBarSettings bar;
    bar.left = container.left();
    bar.top = container.top() + container.height();
    bar.length = container.width();
    bar.maximum = m_documentTwips.width() - containerInner.width();
    bar.smallStep = containerInner.width() / 10;
    bar.largeStep = container.width();
    bar.visible = m_documentTwips.width() > containerInner.width();
    return bar;
}

void PrintPreviewLogic::print(const PrintPagesLogic& choice, PrinterTarget& printer) const {
    if (choice.ppPreviewAbort())
        return;
    BusyCursor busy;
    const QList<PageRange> ranges = choice.ppOptIndex() == PrintPagesLogic::ListedPages
                                        ? PageListParser::parse(choice.ppPages())
                                        : QList<PageRange>();
    for (int copy = 0; copy < choice.ppCopies(); ++copy) {
        switch (choice.ppOptIndex()) {
        case PrintPagesLogic::AllPages:
            ReportPrinter::print(m_reportKey, 0, 0, printer);
            break;
        case PrintPagesLogic::CurrentPage:
            ReportPrinter::print(m_reportKey, m_currentPage, 0, printer);
            break;
        default:
            for (const PageRange& range : ranges)
                ReportPrinter::print(m_reportKey, range.first, range.last, printer);
            break;
        }
    }
}
