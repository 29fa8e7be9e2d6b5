#include "GridFocus.h"

#include "BoundGridView.h"

#include <QApplication>

namespace {

BoundGridView* viewOwning(QWidget* widget) {
    // A value list's drop-down is a window of its own, but its parent chain still leads
    // through the cell editor to the grid.
    for (QWidget* candidate = widget; candidate; candidate = candidate->parentWidget()) {
        if (auto* view = qobject_cast<BoundGridView*>(candidate))
            return view;
    }
    return nullptr;
}

// A message box or dialog that the program put up in the middle of an action: the user has
// not gone anywhere, and comes back to where they were when it closes.
bool isModalAside(QWidget* widget) {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal && (widget == modal || modal->isAncestorOf(widget));
}

} // namespace

GridFocus::GridFocus(QObject* parent) : QObject(parent) {
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
}

void GridFocus::watch() {
    static QPointer<GridFocus> watcher;
    if (!watcher)
        watcher = new GridFocus(qApp);
}

void GridFocus::focusChanged(QWidget* now) {
    // No focus at all: the program went to the background, and the user returns to the grid.
    if (!now)
        return;
    BoundGridView* to = viewOwning(now);
    if (!to && isModalAside(now))
        return;
    if (m_inside && m_inside != to) {
        const QPointer<BoundGridView> left = m_inside;
        m_inside = nullptr;
        Q_EMIT left->left();
    }
    // Leaving may have moved the focus on already (a refused row asks and stays); the grid the
    // focus is in now is the one entered.
    if (to && QApplication::focusWidget() == now && m_inside != to) {
        m_inside = to;
        Q_EMIT to->entered();
    }
}
