#include "CurrentPrinter.h"

#include "ControlMessages.h"
#include "PdfPrinterTarget.h"
#include "SharedControlState.h"
#include "SystemPrinterTarget.h"

#include <QDir>
#include <QFileInfo>
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

namespace {

// The files printer of the last print; each print starts a new one.
std::unique_ptr<PdfPrinterTarget>& filesPrinter() {
    static std::unique_ptr<PdfPrinterTarget> files;
    return files;
}

} // namespace

PrinterTarget& CurrentPrinter::target() {
    static SystemPrinterTarget system(printer());
    if (!printsToFiles())
        return system;
    filesPrinter() =
        PdfPrinterTarget::numberedJobs(PdfPrinterTarget::defaultFolder(SharedControlState::instance().reportFolder()));
    return *filesPrinter();
}

void CurrentPrinter::tellFilesWritten() {
    const QStringList files = filesPrinter() ? filesPrinter()->takeWrittenFiles() : QStringList();
    if (files.isEmpty())
        return;
    QString text = PdfPrinterTarget::folderForced() ? QStringLiteral("Printouts are written as PDF files")
                                                    : QStringLiteral("No printer is installed");
    if (files.size() == 1) {
        text +=
            QStringLiteral(", so the report was saved as the PDF file\r\n%1").arg(QDir::toNativeSeparators(files[0]));
    } else {
        QStringList names;
        for (const QString& file : files)
            names << QFileInfo(file).fileName();
        text +=
            QStringLiteral(", so the report was saved as %1 PDF files in\r\n%2\r\n%3")
                .arg(files.size())
                .arg(QDir::toNativeSeparators(QFileInfo(files[0]).absolutePath()), names.join(QStringLiteral(", ")));
    }
    ControlMessages::prompter().inform(text, QStringLiteral("Print"));
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
