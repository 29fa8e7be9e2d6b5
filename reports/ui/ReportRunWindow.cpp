#include "ReportRunWindow.h"

#include "LogError.h"
#include "ReportOutput.h"
#include "ctlTrelkPrintPreview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QTimer>

namespace {

constexpr qint64 EventsEveryMilliseconds = 100;

} // namespace

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
    m_running = true;
    // While it records, the rest of the program waits as before: only this window's own
    // "&Cancel" and close box take input when it lets events through.
    qApp->installEventFilter(this);
    guarded(objectName() + QStringLiteral(" Form_Activate"), [this] { runReport(); });
    endBusy();
    Q_EMIT finished();
    close();
}

bool ReportRunWindow::cancelRequested() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastEvents >= EventsEveryMilliseconds) {
        m_lastEvents = now;
        QApplication::processEvents();
    }
    return m_cancelled;
}

bool ReportRunWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Close: {
        const auto* widget = qobject_cast<QWidget*>(watched);
        return widget && widget != this && !isAncestorOf(widget);
    }
    default:
        return false;
    }
}

void ReportRunWindow::closeEvent(QCloseEvent* event) {
    // Closed while recording: the run stops at its next step, removes what it recorded and
    // then closes the window itself.
    if (m_running) {
        m_cancelled = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void ReportRunWindow::endBusy() {
    // Recorded: the preview or the printer takes over, and closing no longer cancels.
    if (m_running)
        qApp->removeEventFilter(this);
    m_running = false;
    if (!m_busy)
        return;
    m_busy = false;
    QApplication::restoreOverrideCursor();
}
