#include "ControlPositions.h"

#include <QComboBox>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>

#include <cmath>
#include <limits>

namespace {

// Controls that the window itself places, or that have no place of their own.
bool isWindowManaged(const QWidget* widget) {
    return widget->isWindow() || qobject_cast<const QMenu*>(widget) || qobject_cast<const QMenuBar*>(widget) ||
           qobject_cast<const QToolBar*>(widget) || qobject_cast<const QStatusBar*>(widget);
}

// A drawn line keeps its place: only its end points would say where it belongs.
bool isLine(const QWidget* widget) {
    const auto* frame = qobject_cast<const QFrame*>(widget);
    return frame && (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine);
}

QList<QWidget*> controlsOf(QWidget* window) {
    return window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

// A value the toolkit cannot take ends the pass, leaving the remaining controls where they are.
bool fits(double value) {
    return std::isfinite(value) && std::abs(value) <= std::numeric_limits<int>::max() / 2;
}

} // namespace

void RecordControlPositions(ControlPositions& positions, QWidget* window) {
    positions.clear();
    const double innerWidth = window->width();
    const double innerHeight = window->height();
    if (innerWidth <= 0 || innerHeight <= 0)
        return;
    for (QWidget* control : controlsOf(window)) {
        ControlPositions::Record record;
        if (!isWindowManaged(control)) {
            const QRect geometry = control->geometry();
            record.control = control;
            record.width = float(geometry.width());
            record.widthRatio = float(geometry.width() / innerWidth);
            record.height = float(geometry.height());
            record.heightRatio = float(geometry.height() / innerHeight);
            record.leftRatio = float(geometry.x() / innerWidth);
            record.topRatio = float(geometry.y() / innerHeight);
        }
        positions.append(record);
    }
}

void ResizeControls(const ControlPositions& positions, QWidget* window) {
    const double innerWidth = window->width();
    const double innerHeight = window->height();
    if (innerWidth <= 0 || innerHeight <= 0)
        return;
    for (const ControlPositions::Record& record : positions.records()) {
        QWidget* control = record.control;
        if (!control || control->parentWidget() != window || isLine(control))
            continue;
        const double left = innerWidth * record.leftRatio;
        const double top = innerHeight * record.topRatio;
        double width = innerWidth * record.widthRatio;
        double height = innerHeight * record.heightRatio;
        if (!fits(left) || !fits(top) || !fits(width) || !fits(height))
            return;
        if (const auto* bar = qobject_cast<const QScrollBar*>(control)) {
            if (bar->orientation() == Qt::Vertical)
                width = std::min<double>(width, record.width);
            else
                height = std::min<double>(height, record.height);
        }
        if (qobject_cast<const QComboBox*>(control))
            height = control->height();
        control->setGeometry(qRound(left), qRound(top), qRound(width), qRound(height));
    }
}
