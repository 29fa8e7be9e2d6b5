#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs the action on the next modal window as soon as it is up. A window the action left
// open (a failed check returns early) is closed, so the test fails instead of hanging. No
// modal window within the deadline fails the test that asked; once that test has ended the
// wait is dropped, so it never acts inside a later test. For tests of windows only: it needs
// Qt Widgets.
inline void whenModal(std::function<void(QWidget*)> action, int deadlineMilliseconds = 10000) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    const QByteArray test = QTest::currentTestFunction();
    const QByteArray row = QTest::currentDataTag();
    const QDeadlineTimer deadline(deadlineMilliseconds);
    QObject::connect(timer, &QTimer::timeout, [timer, action, test, row, deadline] {
        const auto finish = [timer] {
            timer->stop();
            timer->deleteLater();
        };
        if (test != QTest::currentTestFunction() || row != QTest::currentDataTag())
            return finish();
        if (QWidget* modal = QApplication::activeModalWidget()) {
            finish();
            const QPointer<QWidget> window(modal);
            action(modal);
            if (window && window->isVisible())
                window->close();
            return;
        }
        if (deadline.hasExpired()) {
            finish();
            QTest::qFail("no modal window came up in time", __FILE__, __LINE__);
        }
    });
    timer->start();
}
