#pragma once

#include <QAction>
#include <QToolBar>
#include <QWidget>

// The controls of a window under test, found by their object names. A name that is not
// there ends the test at once: every later step would fail for the same reason.
namespace WindowControls {

template <typename T> T* control(const QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// The button of the window's tool bar "Toolbar1" with that object name.
inline QAction* toolbarAction(const QWidget* window, const char* name) {
    for (QAction* action : control<QToolBar>(window, "Toolbar1")->actions()) {
        if (action->objectName() == QLatin1String(name))
            return action;
    }
    qFatal("no toolbar button %s", name);
}

} // namespace WindowControls
