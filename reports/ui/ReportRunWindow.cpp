#include "ReportRunWindow.h"

#include "LogError.h"
#include "ReportOutput.h"
#include "ctlTrelkPrintPreview.h"

#include <QApplication>
#include <QTimer>

ReportRunWindow::ReportRunWindow(const QString& objectName, const QString& caption, QWidget* owner)
    : QWidget(owner, Qt::Window) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    m_control = new ctlTrelkPrintPreview(this);
    m_control->setObjectName(QStringLiteral("ctlTrelkPrintPreview1"));
    m_control->setConnectionString(reportConnectionString());
}

ReportRunWindow::~ReportRunWindow() {
    endBusy();
}

void ReportRunWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    // After the window has painted, so its progress shows from the start.
    QTimer::singleShot(0, this, &ReportRunWindow::run);
}

void ReportRunWindow::run() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_busy = true;
    guarded(objectName() + QStringLiteral(" Form_Activate"), [this] { runReport(); });
    endBusy();
    Q_EMIT finished();
    close();
}

void ReportRunWindow::endBusy() {
    if (!m_busy)
        return;
    m_busy = false;
    QApplication::restoreOverrideCursor();
}
