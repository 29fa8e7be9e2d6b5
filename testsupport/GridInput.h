#pragma once

#include "BoundGridView.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <memory>

// What a user does to a bound grid, sent as mouse and key events to the shown window: the
// focus moves, editors open and close and rows are written as they are for a person. For tests
// of windows only: it needs Qt Widgets.
namespace GridInput {

inline QPoint cellCenter(BoundGridView* view, int row, int column) {
    const QModelIndex cell = view->model()->index(row, column);
    // As a user scrolls a long grid to the row they want.
    view->scrollTo(cell);
    return view->visualRect(cell).center();
}

// Clicks a cell: the grid takes the focus and the cell becomes current.
inline void clickCell(BoundGridView* view, int row, int column) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cellCenter(view, row, column));
}

// Opens the cell's editor with a double click and types over what it holds. The editor stays
// open, as when a user goes on by clicking somewhere else.
inline void startTyping(BoundGridView* view, int row, int column, const QString& text) {
    clickCell(view, row, column);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cellCenter(view, row, column));
    QWidget* editor = QApplication::focusWidget();
    QVERIFY2(editor && editor != view && view->isAncestorOf(editor), "the cell opened no editor");
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
}

// Types into a cell and ends the edit with Return.
inline void typeInto(BoundGridView* view, int row, int column, const QString& text) {
    startTyping(view, row, column, text);
    if (QTest::currentTestFailed())
        return;
    const QPointer<QWidget> editor = QApplication::focusWidget();
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor hands its text over and closes once the key is through, as between a
    // person's keystrokes.
    QTRY_VERIFY(!editor || !editor->isVisible());
}

// Drags with the mouse from a point of one widget and drops on a point of another (or the
// same). A view readies a drag at the first move with the button down and starts it at the
// next one past the drag distance; the drag then runs an event loop of its own, so the rest of
// the gesture is handed in from inside it. Over a view that starts no drag, the gesture simply
// goes on. Dropping takes the platform's drag and drop: a test that drags runs on a display
// (xcb), not offscreen.
inline void drag(QWidget* from, QPoint start, QWidget* to, QPoint end) {
    auto released = std::make_shared<bool>(false);
    QTest::mousePress(from, Qt::LeftButton, {}, start);
    QTimer::singleShot(0, to, [to, end, released] {
        QTest::mouseMove(to, end);
        QTest::mouseRelease(to, Qt::LeftButton, {}, end);
        *released = true;
    });
    QTest::mouseMove(from, start + QPoint(0, 1));
    QTest::mouseMove(from, start + QPoint(0, QApplication::startDragDistance() + 2));
    while (!*released)
        QCoreApplication::processEvents();
    // The drag hands the button's release on to the widget under it afterwards; it must arrive
    // before the next gesture starts, as it would between a person's gestures.
    QCoreApplication::sendPostedEvents();
}

// Drags a row of a grid onto another of its rows.
inline void dragRow(BoundGridView* view, int from, int to, int column) {
    const QPoint start = cellCenter(view, from, column);
    drag(view->viewport(), start, view->viewport(), cellCenter(view, to, column));
}

} // namespace GridInput
