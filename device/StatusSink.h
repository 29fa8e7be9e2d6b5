#pragma once

#include <QString>

// Where a long device action reports how it is getting on: the first panel of a window's
// status bar, its pointer and progress bar, or the console.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void showStatus(const QString& text) = 0;
    // The hourglass pointer while true.
    virtual void showBusy(bool busy) { Q_UNUSED(busy); }
    // Step done of total; a total of 0 hides the progress.
    virtual void showProgress(int done, int total) {
        Q_UNUSED(done);
        Q_UNUSED(total);
    }
};
