#pragma once

#include "StatusSink.h"

// Progress of a long command on the error output: one line rewritten in place on a
// terminal, nothing when the output goes to a file or a pipe.
class ConsoleStatus : public StatusSink {
public:
    ConsoleStatus();
    void showStatus(const QString& text) override;
    void showProgress(int done, int total) override;

private:
    bool m_terminal;
    bool m_lineOpen = false;
    QString m_status;
};
