#include "RecordingPrinter.h"

#include <QStringList>

QPainter& RecordingPrinter::startPage(int orientation) {
    if (orientation == Portrait || orientation == Landscape)
        m_orientation = orientation;
    else if (m_open.isEmpty())
        m_orientation = Portrait;
    if (m_painter)
        m_painter->end();
    const QSize inches = m_orientation == Landscape ? QSize(11, 8) : QSize(8, 11);
    auto device = std::make_shared<RecordingPaintDevice>(inches * m_dotsPerInch, m_dotsPerInch);
    m_open.append({m_orientation, device});
    m_painter = std::make_unique<QPainter>(device.get());
    return *m_painter;
}

void RecordingPrinter::endJob() {
    m_painter.reset();
    m_jobs.append(m_open);
    m_open.clear();
}

void RecordingPrinter::abandonJob() {
    if (!m_painter)
        return;
    m_painter.reset();
    m_open.clear();
    ++m_abandoned;
}

QString RecordingPrinter::summary() const {
    QStringList jobs;
    for (const Job& job : m_jobs) {
        QStringList pages;
        for (const Page& page : job)
            pages << page.device->texts().join(',');
        jobs << pages.join('|');
    }
    return jobs.join(QStringLiteral(" / "));
}
