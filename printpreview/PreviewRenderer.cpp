#include "PreviewRenderer.h"

#include "BusyCursor.h"
#include "ReportRowReader.h"
#include "RowPainter.h"

#include <QList>
#include <QPainter>
#include <cmath>

namespace {

constexpr double ScreenDotsPerInch = 1440.0 / PreviewRenderer::TwipsPerPixel;

constexpr int PortraitWidth = 12240;
constexpr int PortraitHeight = 15840;

QSize pixels(QSize twips, double scale) {
    return (QSizeF(twips) * scale / PreviewRenderer::TwipsPerPixel).toSize();
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

void PreviewRenderer::render(qint32 reportKey, qint32 page, QImage& surface, double scale) {
    BusyCursor busy;
    QList<ReportRow> rows;
    ReportRowReader reader(reportKey, page, 0);
    for (ReportRow row; reader.next(row);)
        rows.append(row);

    QSize size = surface.isNull() ? pixels(pageTwips(1), scale) : surface.size();
    if (!rows.isEmpty() && pageTwips(rows.first().orientation).isValid())
        size = pixels(pageTwips(rows.first().orientation), scale);
    surface = QImage(size, QImage::Format_RGB32);
    const double dotsPerInch = ScreenDotsPerInch * scale;
    const int dotsPerMeter = qRound(dotsPerInch / 0.0254);
    surface.setDotsPerMeterX(dotsPerMeter);
    surface.setDotsPerMeterY(dotsPerMeter);
    surface.fill(Qt::white);

    QPainter painter(&surface);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // Lines keep their weight against the text.
    RowPainter drawer(reportKey, dotsPerInch, std::max(1, int(std::lround(scale))));
    for (const ReportRow& row : rows)
        drawer.draw(painter, row);
}
