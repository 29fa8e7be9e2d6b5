#include "FormStatusBar.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>

QLabel* SetupStatusBar(QWidget* window) {
    auto* status = new QStatusBar(window);
    status->setObjectName(QStringLiteral("StatusBar1"));
    if (auto* main = qobject_cast<QMainWindow*>(window))
        main->setStatusBar(status);
    else
        status->setSizeGripEnabled(false);
    auto* panel = new QLabel(status);
    panel->setObjectName(QStringLiteral("StatusBar1Panel1"));
    status->addWidget(panel, 1);
    return panel;
}

QProgressBar* AddStatusBarProgress(QMainWindow* window) {
    QStatusBar* status = window->statusBar();
    auto* progress = new QProgressBar(status);
    progress->setObjectName(QStringLiteral("ProgressBar1"));
    progress->hide();
    status->addPermanentWidget(progress);
    return progress;
}

void ShowHelpOnFocus(QWidget* window, std::function<void(QWidget* control)> show) {
    QObject::connect(qApp, &QApplication::focusChanged, window, [window, show](QWidget*, QWidget* now) {
        if (now && window->isAncestorOf(now))
            show(now);
    });
}
