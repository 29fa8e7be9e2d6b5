#include "CurrentPrinter.h"

#include "ControlMessages.h"
#include "PdfPrinterTarget.h"
#include "SharedControlState.h"
#include "SystemPrinterTarget.h"

#include <QDir>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

QPrinter& CurrentPrinter::printer() {
    static QPrinter shared(QPrinter::HighResolution);
    return shared;
}

bool CurrentPrinter::printsToFiles() {
    return PdfPrinterTarget::folderForced() || QPrinterInfo::availablePrinterNames().isEmpty();
}

PrinterTarget& CurrentPrinter::target() {
    static std::unique_ptr<PdfPrinterTarget> files;
    static SystemPrinterTarget system(printer());
    if (!printsToFiles())
        return system;
    files =
        PdfPrinterTarget::numberedJobs(PdfPrinterTarget::defaultFolder(SharedControlState::instance().reportFolder()));
    return *files;
}

QString CurrentPrinter::installedName(const PrinterTarget& printer) {
    if (printsToFiles())
        return printer.deviceName();
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        if (name.compare(printer.deviceName(), Qt::CaseInsensitive) == 0)
            return name;
    return {};
}

void CurrentPrinter::setup(QWidget* parent) {
    if (printsToFiles()) {
        const QString folder = PdfPrinterTarget::defaultFolder(SharedControlState::instance().reportFolder());
        ControlMessages::prompter().inform(
            QStringLiteral("Printouts are written as PDF files, one per print job, to %1")
                .arg(QDir::toNativeSeparators(folder)),
            QStringLiteral("Print Setup"));
        return;
    }
    QPrintDialog dialog(&printer(), parent);
    dialog.setObjectName(QStringLiteral("cdPrinterSetup"));
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.exec();
}
