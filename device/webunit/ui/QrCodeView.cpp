#include "QrCodeView.h"

#include "QrCode.h"

#include <QPainter>

namespace {
constexpr int QuietModules = 4;
}

QrCodeView::QrCodeView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(200, 200);
}

void QrCodeView::setCode(const QrCode* code) {
    m_code = code;
    update();
}

void QrCodeView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_code || m_code->size() == 0)
        return;
    const int modules = m_code->size() + 2 * QuietModules;
    const int pixels = qMax(1, qMin(width(), height()) / modules);
    const int side = pixels * modules;
    const QPoint origin((width() - side) / 2, (height() - side) / 2);
    painter.fillRect(QRect(origin, QSize(side, side)), Qt::white);
    for (int y = 0; y < m_code->size(); ++y) {
        for (int x = 0; x < m_code->size(); ++x) {
            if (m_code->isDark(x, y))
                painter.fillRect(origin.x() + (x + QuietModules) * pixels, origin.y() + (y + QuietModules) * pixels,
                                 pixels, pixels, Qt::black);
        }
    }
}
