#include "ReportPrinter.h"

#include "BusyCursor.h"
#include "PrinterTarget.h"
#include "ReportRowReader.h"
#include "RowPainter.h"

int ReportPrinter::print(qint32 reportKey, qint32 firstPage, qint32 lastPage, PrinterTarget& printer) {
    BusyCursor busy;
    ReportRowReader rows(reportKey, firstPage, lastPage);
    RowPainter painter(reportKey, printer.dotsPerInch(), LineWidthFactor);
    ReportRow row;
    qint32 currentPage = 0;
    int pages = 0;
    QPainter* page = nullptr;
    try {
        while (rows.next(row)) {
            if (!page || row.reportPage != currentPage) {
                page = &printer.startPage(row.orientation);
                currentPage = row.reportPage;
                ++pages;
            }
            painter.draw(*page, row);
        }
        if (page)
            printer.endJob();
    } catch (...) {
        printer.abandonJob();
        throw;
    }
    return pages;
}
