#include "ReportProgressBar.h"

#include "ReportRunWindow.h"
#include "ctlTrelkPrintPreview.h"

#include <QProgressBar>
#include <QVBoxLayout>

QProgressBar* addReportProgressBar(QWidget* window) {
    auto* progress = new QProgressBar(window);
    progress->setObjectName(QStringLiteral("proBarStatus"));
    progress->setRange(0, 0);
    progress->setValue(0);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(progress);
    if (auto* run = qobject_cast<ReportRunWindow*>(window))
        layout->addWidget(&run->control(), 0, Qt::AlignRight);
    window->resize(360, 80);
    return progress;
}
