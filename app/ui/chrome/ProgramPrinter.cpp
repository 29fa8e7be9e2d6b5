#include "ProgramPrinter.h"

#include "ProgramSettings.h"

#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

namespace ProgramPrinter {

QPrinter& printer() {
    static QPrinter shared(QPrinter::HighResolution);
    return shared;
}

QString beginJob() {
    QString folder = qEnvironmentVariable("KESTRIVO_PRINT_DIR");
    if (folder.isEmpty()) {
        if (!QPrinterInfo::availablePrinters().isEmpty()) {
            printer().setOutputFormat(QPrinter::NativeFormat);
            return {};
        }
        folder = programSettings().DataPath + QStringLiteral("Printouts/");
    }
    QDir().mkpath(folder);
    // One past the highest number, as the print-preview library numbers its jobs in the
    // same folder, so the files stay in the order they were printed.
    const QDir dir(folder);
    static const QRegularExpression Name(QStringLiteral("^job-(\\d+)\\.pdf$"));
    int highest = 0;
    for (const QString& name : dir.entryList({QStringLiteral("job-*.pdf")}, QDir::Files)) {
        const QRegularExpressionMatch match = Name.match(name);
        if (match.hasMatch())
            highest = std::max(highest, match.captured(1).toInt());
    }
    const QString file = dir.filePath(QStringLiteral("job-%1.pdf").arg(highest + 1, 4, 10, QChar('0')));
    printer().setOutputFormat(QPrinter::PdfFormat);
    printer().setOutputFileName(file);
    return file;
}

QString savedAsText(const QString& file) {
    const QString reason = qEnvironmentVariableIsEmpty("KESTRIVO_PRINT_DIR")
                               ? QStringLiteral("No printer is installed")
                               : QStringLiteral("Printouts are written as PDF files");
    return reason +
           QStringLiteral(", so the printout was saved as the PDF file\r\n%1").arg(QDir::toNativeSeparators(file));
}

} // namespace ProgramPrinter
