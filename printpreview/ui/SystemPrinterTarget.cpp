#include "SystemPrinterTarget.h"

#include "KestrivoError.h"

#include <QPainter>
#include <QPrinter>

namespace {

void applyOrientation(QPrinter& printer, int orientation) {
    if (orientation == PrinterTarget::Portrait)
        printer.setPageOrientation(QPageLayout::Portrait);
    else if (orientation == PrinterTarget::Landscape)
        printer.setPageOrientation(QPageLayout::Landscape);
}

[[noreturn]] void printerError(const QPrinter& printer) {
    throw KestrivoError(ErrorNumber::PrinterError,
                        QStringLiteral("Printer error: %1 does not accept the job.").arg(printer.printerName()),
                        QStringLiteral("TrelkPrintPreview"));
}

} // namespace

SystemPrinterTarget::SystemPrinterTarget(QPrinter& printer) : m_printer(printer) {}

SystemPrinterTarget::~SystemPrinterTarget() {
    abandonJob();
}

QPainter& SystemPrinterTarget::startPage(int orientation) {
    applyOrientation(m_printer, orientation);
    if (m_painter) {
        if (!m_printer.newPage())
            printerError(m_printer);
        return *m_painter;
    }
    m_copyCount = m_printer.copyCount();
    m_printer.setCopyCount(1);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(&m_printer)) {
        m_printer.setCopyCount(m_copyCount);
        printerError(m_printer);
    }
    m_painter = std::move(painter);
    return *m_painter;
}

void SystemPrinterTarget::finish() {
    m_painter.reset();
    m_printer.setCopyCount(m_copyCount);
}

void SystemPrinterTarget::endJob() {
    if (!m_painter)
        return;
    const bool sent = m_painter->end();
    finish();
    if (!sent)
        printerError(m_printer);
}

void SystemPrinterTarget::abandonJob() {
    if (!m_painter)
        return;
    m_printer.abort();
    m_painter->end();
    finish();
}

double SystemPrinterTarget::dotsPerInch() const {
    return m_printer.resolution();
}

QString SystemPrinterTarget::deviceName() const {
    return m_printer.printerName();
}

int SystemPrinterTarget::copyCount() const {
    return m_printer.copyCount();
}
