#pragma once

#include "BoundGridView.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

// Clicks into a cell of a grid, types and ends the edit with Return, as a user does.
inline void typeInto(BoundGridView* view, int row, int column, const QString& text) {
    view->setFocus();
    const QRect cell = view->visualRect(view->model()->index(row, column));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(editor && editor != view);
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
}
