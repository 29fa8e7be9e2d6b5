#pragma once

#include "ReportRequest.h"
#include "ReportRunWindow.h"

#include <optional>

class QProgressBar;

// A generator of a report chosen in the report window: it records the request, shows the
// recording's progress in "proBarStatus" above its print-preview control, with "&Cancel"
// between them for a generator that can stop part way, then previews or prints the report.
class ReportRequestWindow : public ReportRunWindow {
    Q_OBJECT
    Q_PROPERTY(bool PreviewReport MEMBER m_preview)
public:
    ReportRequestWindow(const QString& objectName, const QString& caption, ReportRequest request, bool cancellable,
                        QWidget* owner);

protected:
    const ReportRequest& request() const { return m_request; }
    // What the recording reports as it goes on, for the progress bar.
    void showProgress(int value, int maximum);
    // The recording is over: the report of key, when there is one, goes to the preview or the
    // printer.
    void deliver(std::optional<int> key);

private:
    ReportRequest m_request;
    bool m_preview = false;
    QProgressBar* m_progress;
};
