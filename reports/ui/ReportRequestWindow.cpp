#include "ReportProgressBar.h"

#include "ReportRunWindow.h"
#include "ctlTrelkPrintPreview.h"

#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

QProgressBar* addReportProgressBar(QWidget* window, bool cancellable) {
    auto* progress = new QProgressBar(window);
    progress->setObjectName(QStringLiteral("proBarStatus"));
    progress->setRange(0, 0);
    progress->setValue(0);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(progress);
    if (auto* run = qobject_cast<ReportRunWindow*>(window)) {
        if (cancellable) {
            // Closing the window while it records cancels the run.
            auto* cancel = new QPushButton(QStringLiteral("&Cancel"), window);
            cancel->setObjectName(QStringLiteral("cmdCancel"));
            QObject::connect(cancel, &QPushButton::clicked, window, &QWidget::close);
            layout->addWidget(cancel, 0, Qt::AlignRight);
        }
        layout->addWidget(&run->control(), 0, Qt::AlignRight);
    }
    window->resize(360, 80);
    return progress;
}
