#include "RowPainter.h"

#include "BoxHatching.h"
#include "KestrivoError.h"
#include "PrintDataText.h"
#include "ReportColor.h"
#include "ReportRowReader.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <cmath>

namespace {

// A box's pattern: lines 1/24 inch apart and about 1/180 inch wide, never thinner than a
// device pixel; where the device is too coarse for that spacing (a preview zoomed far out),
// every other line is left out until the lines stay visibly apart.
constexpr double HatchSpacing = 60;
constexpr double HatchWidth = 8;
constexpr double HatchMinimumPixels = 4;
// Fills darker than this grey get a white pattern, lighter ones a black one.
constexpr int DarkFill = 100;

Qt::PenStyle penStyle(qint32 drawStyle) {
    switch (drawStyle) {
    case 1:
        return Qt::DashLine;
    case 2:
        return Qt::DotLine;
    case 3:
        return Qt::DashDotLine;
    case 4:
        return Qt::DashDotDotLine;
    case 5:
        return Qt::NoPen;
    default: // 0 solid, 6 inside solid
        return Qt::SolidLine;
    }
}

// An image's own size in twips: its pixels at the resolution it was saved with, or at
// the screen's 15 twips per pixel when it names none.
QSizeF naturalTwips(const QImage& image) {
    const auto twipsPerPixel = [](int dotsPerMeter) {
        const int dotsPerInch = qRound(dotsPerMeter * 0.0254);
        return dotsPerInch > 0 ? 1440.0 / dotsPerInch : 15.0;
    };
    return {image.width() * twipsPerPixel(image.dotsPerMeterX()),
            image.height() * twipsPerPixel(image.dotsPerMeterY())};
}

} // namespace

RowPainter::RowPainter(qint32 reportKey, double dotsPerInch, int lineWidthFactor)
    : m_reportKey(reportKey), m_dotsPerInch(dotsPerInch), m_lineWidthFactor(lineWidthFactor) {}

void RowPainter::draw(QPainter& painter, const ReportRow& row) {
    switch (row.detailType) {
    case ReportRow::Picture:
        drawPicture(painter, row);
        break;
    case ReportRow::Line:
        drawLine(painter, row);
        break;
    case ReportRow::Box:
        drawBox(painter, row);
        break;
    default:
        drawText(painter, row);
        break;
    }
}

qint32 RowPainter::lastPage() {
    if (!m_lastPage)
        m_lastPage = ReportRowReader::lastPage(m_reportKey);
    return *m_lastPage;
}

void RowPainter::drawText(QPainter& painter, const ReportRow& row) {
    QString text = printDataText(row.detailData);
    if (row.ofPage)
        text += QString::number(lastPage());
    else if (row.ofPage2Cnt != 0)
        text += QString::number(row.ofPage2Cnt);
    if (text.isEmpty())
        return;
    QFont font(row.fontName);
    const long points = std::lround(row.fontSize);
    if (points > 0)
        font.setPointSize(int(points));
    font.setBold(row.fontBold);
    font.setItalic(row.fontItalic);
    font.setStrikeOut(row.fontStrikethru);
    font.setUnderline(row.fontUnderline);
    painter.setFont(font);
    painter.setPen(ReportColor::toColor(row.foreColor));
    const QPointF topLeft(device(std::round(row.x1)), device(std::round(row.y1)));
    if (text.contains(QLatin1Char('\n'))) {
        painter.drawText(QRectF(topLeft, QSizeF(1e6, 1e6)), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
        return;
    }
    painter.drawText(topLeft + QPointF(0, painter.fontMetrics().ascent()), text);
}

void RowPainter::drawLine(QPainter& painter, const ReportRow& row) const {
    QPen pen(ReportColor::toColor(row.foreColor), std::max(1, row.drawWidth) * m_lineWidthFactor,
             penStyle(row.drawStyle), Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawLine(QPointF(device(row.x1), device(row.y1)), QPointF(device(row.x2), device(row.y2)));
}

void RowPainter::drawBox(QPainter& painter, const ReportRow& row) const {
    const QRectF box(device(row.x1), device(row.y1), device(row.w1), device(row.h1));
    if (box.isEmpty())
        return;
    const QColor fill = ReportColor::toColor(row.foreColor);
    if (row.drawStyle != ReportRow::FillTransparent) {
        painter.fillRect(box, fill);
        double spacing = device(HatchSpacing);
        while (spacing < HatchMinimumPixels)
            spacing *= 2;
        const QList<QLineF> hatch = BoxHatching::lines(box, row.drawStyle, spacing);
        if (!hatch.isEmpty()) {
            // The width of a slanting line would reach past the corners of the box.
            painter.save();
            painter.setClipRect(box, Qt::IntersectClip);
            painter.setPen(QPen(qGray(fill.rgb()) < DarkFill ? Qt::white : Qt::black, std::max(1.0, device(HatchWidth)),
                                Qt::SolidLine, Qt::FlatCap));
            painter.drawLines(hatch);
            painter.restore();
        }
    }
    if (row.drawWidth > 0) {
        painter.setPen(QPen(Qt::black, row.drawWidth * m_lineWidthFactor, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box);
    }
}

void RowPainter::drawPicture(QPainter& painter, const ReportRow& row) {
    auto cached = m_pictures.constFind(row.pictureImage);
    if (cached == m_pictures.cend()) {
        if (!QFileInfo::exists(row.pictureImage))
            throw KestrivoError(ErrorNumber::FileNotFound,
                                QStringLiteral("File not found: the picture %1 does not exist.").arg(row.pictureImage),
                                QStringLiteral("TrelkPrintPreview"));
        QImageReader reader(row.pictureImage);
        const QImage image = reader.read();
        if (image.isNull())
            throw KestrivoError(ErrorNumber::InvalidPicture,
                                QStringLiteral("Invalid picture: %1 (%2).").arg(row.pictureImage, reader.errorString()),
                                QStringLiteral("TrelkPrintPreview"));
        cached = m_pictures.insert(row.pictureImage, image);
    }
    const QSizeF size = row.w1 != 0 && row.h1 != 0 ? QSizeF(row.w1, row.h1) : naturalTwips(*cached);
    painter.drawImage(QRectF(device(row.x1), device(row.y1), device(size.width()), device(size.height())), *cached);
}
