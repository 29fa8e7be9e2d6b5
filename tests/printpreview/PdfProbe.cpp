#include "PdfProbe.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        QTest::qFail(qPrintable(program + QStringLiteral(" failed: ") + process.readAllStandardError()), __FILE__,
                     __LINE__);
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

int PdfProbe::pageCount(const QString& file) {
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run(QStringLiteral("pdfinfo"), {file}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString PdfProbe::text(const QString& file, int page) {
    QStringList arguments{QStringLiteral("-layout")};
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    arguments << file << QStringLiteral("-");
    return run(QStringLiteral("pdftotext"), arguments);
}

QString PdfProbe::pageSize(const QString& file, int page) {
    const QString info = run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QString::number(page),
                                                         QStringLiteral("-l"), QString::number(page), file});
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Page\\s+%1 size:\\s+([\\d.]+ x [\\d.]+)").arg(page)).match(info);
    return match.hasMatch() ? match.captured(1) : QString();
}

int PdfProbe::imageCount(const QString& file) {
    // A heading line and a rule, then a line per image.
    return int(run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), file})
                   .split('\n', Qt::SkipEmptyParts)
                   .size()) -
           2;
}

QImage PdfProbe::pageImage(const QString& file, int page, int dotsPerInch) {
    QTemporaryDir folder;
    const QString base = folder.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-singlefile"), QStringLiteral("-r"), QString::number(dotsPerInch),
         QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page), file, base});
    return QImage(base + QStringLiteral(".png"));
}
