#pragma once

#include <QColor>

// Recorded colours are 0x00BBGGRR values, or system colours with the high bit set
// (0x80000008 is the window-text colour), which follow the running program's palette.
class ReportColor {
public:
    static QColor toColor(qint32 value);
};
