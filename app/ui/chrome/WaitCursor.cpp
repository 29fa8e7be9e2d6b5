#include "WaitCursor.h"

#include <QApplication>

WaitCursor::~WaitCursor() {
    show(false);
}

void WaitCursor::show(bool busy) {
    if (busy == m_shown)
        return;
    m_shown = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
