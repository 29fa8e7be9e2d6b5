#include "ProgramPrinter.h"

#include "ProgramSettings.h"

#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>

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
    const QDir dir(folder);
    int number = 1;
    while (dir.exists(QStringLiteral("job-%1.pdf").arg(number, 4, 10, QChar('0'))))
        ++number;
    const QString file = dir.filePath(QStringLiteral("job-%1.pdf").arg(number, 4, 10, QChar('0')));
    printer().setOutputFormat(QPrinter::PdfFormat);
    printer().setOutputFileName(file);
    return file;
}

} // namespace ProgramPrinter
