#include "Pause.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

void Pause(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}
