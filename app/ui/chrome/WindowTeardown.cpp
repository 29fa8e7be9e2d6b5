#include "WindowTeardown.h"

#include <QApplication>
#include <QMainWindow>

void TearDownControls(QMainWindow* window) {
    const QList<QObject*> controls = window->findChildren<QObject*>();
    for (QObject* control : controls)
        control->removeEventFilter(window);
    QObject::disconnect(qApp, nullptr, window, nullptr);
    delete window->takeCentralWidget();
}
