#pragma once

#include "PrinterTarget.h"

#include <memory>

class QPainter;
class QPrinter;

// An installed printer. Copies come from printing a selection again, so each job goes out
// once whatever copy count the printer's set-up holds.
class SystemPrinterTarget : public PrinterTarget {
public:
    explicit SystemPrinterTarget(QPrinter& printer);
    ~SystemPrinterTarget() override;

    QPainter& startPage(int orientation) override;
    void endJob() override;
    void abandonJob() override;
    double dotsPerInch() const override;
    QString deviceName() const override;
    int copyCount() const override;

private:
    void finish();

    QPrinter& m_printer;
    std::unique_ptr<QPainter> m_painter;
    int m_copyCount = 1;
};
