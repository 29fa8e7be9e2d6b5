#include "ReportRequestWindow.h"

#include "ReportOutput.h"
#include "ctlTrelkPrintPreview.h"

#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

ReportRequestWindow::ReportRequestWindow(const QString& objectName, const QString& caption, ReportRequest request,
                                         bool cancellable, QWidget* owner)
    : ReportRunWindow(objectName, caption, owner), m_request(std::move(request)), m_preview(m_request.preview),
      m_progress(new QProgressBar(this)) {
    m_progress->setObjectName(QStringLiteral("proBarStatus"));
    m_progress->setRange(0, 0);
    m_progress->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_progress);
    if (cancellable) {
        // Closing the window while it records cancels the run.
        auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
        cancel->setObjectName(QStringLiteral("cmdCancel"));
        connect(cancel, &QPushButton::clicked, this, &QWidget::close);
        layout->addWidget(cancel, 0, Qt::AlignRight);
    }
    layout->addWidget(&control(), 0, Qt::AlignRight);
    resize(360, 80);
}

void ReportRequestWindow::showProgress(int value, int maximum) {
    m_progress->setMaximum(maximum);
    m_progress->setValue(value);
}

void ReportRequestWindow::deliver(std::optional<int> key) {
    endBusy();
    if (key)
        deliverReport(control(), *key, {m_preview, {}, false});
}
