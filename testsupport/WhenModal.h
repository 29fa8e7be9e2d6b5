#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs the action on the next modal window as soon as it is up. A window the action left
// open (a failed check returns early) is closed, so the test fails instead of hanging. For
// tests of windows only: it needs Qt Widgets.
inline void whenModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            const QPointer<QWidget> window(modal);
            action(modal);
            if (window && window->isVisible())
                window->close();
        }
    });
    timer->start();
}
