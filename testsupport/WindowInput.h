#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

class QAbstractItemView;
class QAction;
class QComboBox;
class QModelIndex;
class QWidget;

// What a person does to a window, for tests that drive shown windows: mouse clicks go to
// the widget that is under the point, keys to the widget that has the focus, and windows
// become active as the window system makes them. Each step returns false, after saying why,
// when a person could not do it (the control hidden or covered, no focus, the window not
// active); use them as QVERIFY(WindowInput::click(...)). For tests of windows only.
namespace WindowInput {

// Shows the window, brings it to the front and waits until it is the active window.
bool activate(QWidget* window);
// Another program's window comes to the front and then the window again, as with Alt+Tab.
bool switchAwayAndBack(QWidget* window);

// Clicks a point of the control (its centre when none is given) with the left button.
bool click(QWidget* control, QPoint at = QPoint(), Qt::KeyboardModifiers modifiers = Qt::NoModifier);
bool doubleClick(QWidget* control, QPoint at = QPoint());
// Clicks the middle of an item of a list, table or tree.
bool clickItem(QAbstractItemView* view, const QModelIndex& index, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Clicks the button of a tool bar or menu action.
bool clickButton(QAction* action);
// Opens a drop-down list with a click and clicks the entry of that text in it.
bool chooseFromList(QComboBox* list, const QString& entry);

// The widget that has the keyboard focus in the active window; null, after saying so, when
// none has.
QWidget* focused();
// Types the text into the widget that has the focus.
bool type(const QString& text);
bool press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

} // namespace WindowInput
