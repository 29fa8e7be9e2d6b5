#include "PreviewRenderer.h"

#include "BusyCursor.h"
#include "ReportRowReader.h"
#include "RowPainter.h"

#include <QList>
#include <QPainter>

namespace {

constexpr double ScreenDotsPerInch = 1440.0 / PreviewRenderer::TwipsPerPixel;

constexpr int PortraitWidth = 12240;
constexpr int PortraitHeight = 15840;

QSize pixels(QSize twips) {
    return twips / PreviewRenderer::TwipsPerPixel;
}

// The size in twips of a page of the orientation; an invalid size for other values.
QSize pageTwips(int orientation) {
    if (orientation == 1)
        return {PortraitWidth, PortraitHeight};
    if (orientation == 2)
        return {PortraitHeight, PortraitWidth};
    return {};
}

} // namespace

void PreviewRenderer::render(qint32 reportKey, qint32 page, QImage& surface) {
    BusyCursor busy;
    QList<ReportRow> rows;
    ReportRowReader reader(reportKey, page, 0);
    for (ReportRow row; reader.next(row);)
        rows.append(row);

    QSize size = surface.isNull() ? pixels(pageTwips(1)) : surface.size();
    if (!rows.isEmpty() && pageTwips(rows.first().orientation).isValid())
        size = pixels(pageTwips(rows.first().orientation));
    surface = QImage(size, QImage::Format_RGB32);
    const int dotsPerMeter = qRound(ScreenDotsPerInch / 0.0254);
    surface.setDotsPerMeterX(dotsPerMeter);
    surface.setDotsPerMeterY(dotsPerMeter);
    surface.fill(Qt::white);

    QPainter painter(&surface);
    painter.setRenderHint(QPainter::TextAntialiasing);
    RowPainter drawer(reportKey, ScreenDotsPerInch, 1);
    for (const ReportRow& row : rows)
        drawer.draw(painter, row);
}
