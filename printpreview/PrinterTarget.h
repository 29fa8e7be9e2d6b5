#pragma once

#include <QString>

class QPainter;

// A printer that takes whole jobs. The first page started opens a job; ending the job sends
// it, abandoning it throws away what was drawn.
class PrinterTarget {
public:
    enum Orientation { Portrait = 1, Landscape = 2 };

    virtual ~PrinterTarget() = default;
    // Starts the job's first page, or a new page of it. An orientation other than 1 or 2
    // keeps the one in force.
    virtual QPainter& startPage(int orientation) = 0;
    virtual void endJob() = 0;
    virtual void abandonJob() = 0;
    virtual double dotsPerInch() const = 0;
    virtual QString deviceName() const = 0;
    virtual int copyCount() const { return 1; }
};
