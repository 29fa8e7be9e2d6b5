#pragma once

#include "ReportRow.h"

#include <QHash>
#include <QImage>
#include <optional>

class QPainter;

// Draws recorded rows on a device of a given resolution, page coordinates in twips. Lines
// and box outlines are DrawWidth device pixels wide times the factor (7 on a printer, whose
// pixels are much smaller than the screen's); a box's pattern is measured on the page, so it
// keeps its look at any resolution. Pictures loaded once stay for the rest of the pass.
class RowPainter {
public:
    RowPainter(qint32 reportKey, double dotsPerInch, int lineWidthFactor);
    void draw(QPainter& painter, const ReportRow& row);

private:
    void drawText(QPainter& painter, const ReportRow& row);
    void drawLine(QPainter& painter, const ReportRow& row) const;
    void drawPicture(QPainter& painter, const ReportRow& row);
    void drawBox(QPainter& painter, const ReportRow& row) const;
    double device(double twips) const { return twips * m_dotsPerInch / 1440.0; }
    qint32 lastPage();

    qint32 m_reportKey;
    double m_dotsPerInch;
    int m_lineWidthFactor;
    std::optional<qint32> m_lastPage;
    QHash<QString, QImage> m_pictures;
};
