#include "ConsoleStatus.h"

#include <cstdio>
#include <unistd.h>

ConsoleStatus::ConsoleStatus() : m_terminal(isatty(fileno(stderr)) == 1) {}

void ConsoleStatus::showStatus(const QString& text) {
    m_status = text;
}

void ConsoleStatus::showProgress(int done, int total) {
    if (!m_terminal)
        return;
    if (total == 0) {
        if (m_lineOpen)
            std::fprintf(stderr, "\n");
        m_lineOpen = false;
        return;
    }
    std::fprintf(stderr, "\r\033[K[%d/%d] %s", done, total, qPrintable(m_status.left(60)));
    std::fflush(stderr);
    m_lineOpen = true;
}
