#pragma once

#include <QWidget>

class ctlTrelkPrintPreview;

// A report generator window: it holds its own print-preview control, records its report
// when it is first shown, hands it over (preview or printer) and closes itself. The
// subclass records; this class sets the control up, shows the busy cursor while recording
// and reports failures.
class ReportRunWindow : public QWidget {
    Q_OBJECT
public:
    ReportRunWindow(const QString& objectName, const QString& caption, QWidget* owner);
    ~ReportRunWindow() override;

    ctlTrelkPrintPreview& control() const { return *m_control; }

Q_SIGNALS:
    // The run is over and the window is about to close.
    void finished();

protected:
    // Records the report and hands it over; the busy cursor is shown, and closing the window
    // cancels the run, until endBusy().
    virtual void runReport() = 0;
    void endBusy();
    // Called as the recording goes on: lets the window repaint and take a click on
    // "&Cancel" or its close box (a few times a second), and tells whether the user cancelled.
    bool cancelRequested();
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void run();

    ctlTrelkPrintPreview* m_control;
    bool m_started = false;
    bool m_busy = false;
    bool m_running = false;
    bool m_cancelled = false;
    qint64 m_lastEvents = 0;
};
