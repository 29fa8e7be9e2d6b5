#include "WindowInput.h"

// Clicks go through the window, as the window system hands them over: the window finds the
// widget under the point, a modal window blocks the others, an open drop-down closes.
#define QTEST_QPA_MOUSE_HANDLING
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QGuiApplication>
#include <QTest>
#include <QToolButton>
#include <QWidget>
#include <QWindow>

namespace WindowInput {

namespace {

QString nameOf(const QWidget* widget) {
    if (!widget)
        return QStringLiteral("nothing");
    const QVariant index = widget->property("index");
    return QStringLiteral("%1 \"%2\"%3")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(),
             index.isValid() ? QStringLiteral(" %1").arg(index.toInt()) : QString());
}

bool refuse(const QString& why) {
    qWarning().noquote() << "WindowInput:" << why;
    return false;
}

// The control's point, if it is the control (or one of its parts) that lies under it.
bool reachable(QWidget* control, QPoint at) {
    if (!control->isVisible())
        return refuse(nameOf(control) + QStringLiteral(" is not on the screen"));
    if (!control->isEnabled())
        return refuse(nameOf(control) + QStringLiteral(" is disabled"));
    if (!control->rect().contains(at))
        return refuse(nameOf(control) + QStringLiteral(" does not hold the point"));
    QWidget* window = control->window();
    QWidget* under = window->childAt(control->mapTo(window, at));
    if (!under)
        under = window;
    if (under != control && !control->isAncestorOf(under))
        return refuse(nameOf(control) + QStringLiteral(" is covered by ") + nameOf(under));
    return true;
}

} // namespace

bool activate(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return refuse(nameOf(window) + QStringLiteral(" did not become the active window"));
    return true;
}

bool switchAwayAndBack(QWidget* window) {
    QWidget other;
    other.setWindowTitle(QStringLiteral("Another program"));
    // Another program's window is never blocked by a modal window of this one.
    other.setWindowModality(Qt::ApplicationModal);
    other.resize(200, 100);
    if (!activate(&other))
        return false;
    other.close();
    return activate(window);
}

// A click on a window at the back brings it to the front first, unless a modal window
// holds the front.
bool bringToFront(QWidget* control) {
    QWidget* window = control->window();
    QWidget* modal = QApplication::activeModalWidget();
    if (window->isActiveWindow() || window->windowType() == Qt::Popup || (modal && modal != window))
        return true;
    return activate(window);
}

bool click(QWidget* control, QPoint at, Qt::KeyboardModifiers modifiers) {
    if (at.isNull())
        at = control->rect().center();
    if (!reachable(control, at) || !bringToFront(control))
        return false;
    QTest::mouseClick(control, Qt::LeftButton, modifiers, at);
    return true;
}

bool doubleClick(QWidget* control, QPoint at) {
    if (at.isNull())
        at = control->rect().center();
    if (!reachable(control, at) || !bringToFront(control))
        return false;
    QTest::mouseDClick(control, Qt::LeftButton, Qt::NoModifier, at);
    return true;
}

bool clickItem(QAbstractItemView* view, const QModelIndex& index, Qt::KeyboardModifiers modifiers) {
    if (!index.isValid())
        return refuse(nameOf(view) + QStringLiteral(" has no such item"));
    view->scrollTo(index);
    return click(view->viewport(), view->visualRect(index).center(), modifiers);
}

bool clickButton(QAction* action) {
    for (QObject* host : action->associatedObjects()) {
        auto* button = qobject_cast<QToolButton*>(host);
        if (button && button->isVisible() && button->defaultAction() == action)
            return click(button);
    }
    return refuse(QStringLiteral("no button on the screen for \"%1\"").arg(action->text()));
}

bool chooseFromList(QComboBox* list, const QString& entry) {
    const int row = list->findText(entry);
    if (row < 0)
        return refuse(nameOf(list) + QStringLiteral(" has no entry \"%1\"").arg(entry));
    if (!click(list))
        return false;
    QAbstractItemView* popup = list->view();
    if (!QTest::qWaitFor([popup] { return popup->isVisible(); }))
        return refuse(nameOf(list) + QStringLiteral(" did not open its list"));
    return clickItem(popup, popup->model()->index(row, list->modelColumn()));
}

QWidget* focused() {
    QWidget* widget = QApplication::focusWidget();
    if (!widget || !QGuiApplication::focusWindow())
        refuse(QStringLiteral("no control has the keyboard focus"));
    return widget;
}

bool type(const QString& text) {
    for (const QChar character : text) {
        if (!focused())
            return false;
        if (character.unicode() > 0x7e || character.unicode() < 0x20)
            return refuse(QStringLiteral("cannot type \"%1\"").arg(character));
        QTest::keyClick(QGuiApplication::focusWindow(), char(character.unicode()));
    }
    return true;
}

bool press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    if (!focused())
        return false;
    QTest::keyClick(QGuiApplication::focusWindow(), key, modifiers);
    return true;
}

} // namespace WindowInput
