#pragma once

#include <QtGlobal>

class PrinterTarget;

// The printer renderer: each call is one print job of the chosen pages (see ReportRowReader
// for the selection), with each page in the orientation its rows were recorded with.
class ReportPrinter {
public:
    // Returns the number of pages printed; a selection without rows makes no job at all. On
    // failure the job is abandoned, so no half job reaches the printer later.
    static int print(qint32 reportKey, qint32 firstPage, qint32 lastPage, PrinterTarget& printer);

    static constexpr int LineWidthFactor = 7;
};
