#include "PdfPrinterTarget.h"

#include "KestrivoError.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const QString Source = QStringLiteral("TrelkPrintPreview");

QPageLayout::Orientation layoutOrientation(int orientation, QPageLayout::Orientation current) {
    if (orientation == PrinterTarget::Portrait)
        return QPageLayout::Portrait;
    if (orientation == PrinterTarget::Landscape)
        return QPageLayout::Landscape;
    return current;
}

} // namespace

PdfPrinterTarget::PdfPrinterTarget(QString folder, QString fileName)
    : m_folder(std::move(folder)), m_fileName(std::move(fileName)) {}

PdfPrinterTarget::~PdfPrinterTarget() {
    abandonJob();
}

std::unique_ptr<PdfPrinterTarget> PdfPrinterTarget::numberedJobs(const QString& folder) {
    return std::unique_ptr<PdfPrinterTarget>(new PdfPrinterTarget(folder, QString()));
}

std::unique_ptr<PdfPrinterTarget> PdfPrinterTarget::singleFile(const QString& fileName) {
    return std::unique_ptr<PdfPrinterTarget>(new PdfPrinterTarget(QString(), fileName));
}

bool PdfPrinterTarget::folderForced() {
    return !qEnvironmentVariableIsEmpty("KESTRIVO_PRINT_DIR");
}

QString PdfPrinterTarget::defaultFolder(const QString& reportFolder) {
    QString folder = qEnvironmentVariable("KESTRIVO_PRINT_DIR");
    if (folder.isEmpty())
        folder = reportFolder + QStringLiteral("Printouts/");
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString PdfPrinterTarget::deviceName() const {
    return m_fileName.isEmpty() ? QStringLiteral("PDF files in ") + QDir::toNativeSeparators(m_folder) : m_fileName;
}

QString PdfPrinterTarget::nextJobFile() const {
    // One past the highest number, so the files stay in the order the jobs were printed.
    static const QRegularExpression Name(QStringLiteral("^job-(\\d+)\\.pdf$"));
    int highest = 0;
    for (const QString& name : QDir(m_folder).entryList({QStringLiteral("job-*.pdf")}, QDir::Files)) {
        const QRegularExpressionMatch match = Name.match(name);
        if (match.hasMatch())
            highest = std::max(highest, match.captured(1).toInt());
    }
    return QDir(m_folder).filePath(QStringLiteral("job-%1.pdf").arg(highest + 1, 4, 10, QLatin1Char('0')));
}

QPainter& PdfPrinterTarget::startPage(int orientation) {
    m_orientation = layoutOrientation(orientation, m_painter ? m_orientation : QPageLayout::Portrait);
    const QPageLayout layout(QPageSize(QPageSize::Letter), m_orientation, QMarginsF());
    if (m_painter) {
        m_writer->setPageLayout(layout);
        m_writer->newPage();
        return *m_painter;
    }
    QString fileName = m_fileName;
    if (fileName.isEmpty()) {
        if (!QDir().mkpath(m_folder))
            throw KestrivoError(ErrorNumber::PathNotFound,
                                QStringLiteral("Path not found: the print folder %1 cannot be made.").arg(m_folder),
                                Source);
        fileName = nextJobFile();
    }
    auto file = std::make_unique<QSaveFile>(fileName);
    if (!file->open(QIODevice::WriteOnly))
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("%1 cannot be written: %2").arg(fileName, file->errorString()), Source);
    auto writer = std::make_unique<QPdfWriter>(file.get());
    writer->setResolution(int(dotsPerInch()));
    writer->setPageLayout(layout);
    writer->setCreator(QStringLiteral("TrelkPrintPreview"));
    writer->setTitle(QFileInfo(fileName).completeBaseName());
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(writer.get()))
        throw KestrivoError(ErrorNumber::FileAccess, QStringLiteral("%1 cannot be written.").arg(fileName), Source);
    m_file = std::move(file);
    m_writer = std::move(writer);
    m_painter = std::move(painter);
    return *m_painter;
}

void PdfPrinterTarget::endJob() {
    if (!m_painter)
        return;
    m_painter->end();
    m_painter.reset();
    m_writer.reset();
    const std::unique_ptr<QSaveFile> file = std::move(m_file);
    if (!file->commit())
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("%1 cannot be written: %2").arg(file->fileName(), file->errorString()),
                            Source);
    m_lastFile = file->fileName();
    m_writtenFiles << m_lastFile;
}

void PdfPrinterTarget::abandonJob() {
    if (!m_painter)
        return;
    m_painter->end();
    m_painter.reset();
    m_writer.reset();
    m_file->cancelWriting();
    m_file.reset();
}
