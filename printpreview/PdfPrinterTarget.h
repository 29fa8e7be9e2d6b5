#pragma once

#include "PrinterTarget.h"

#include <QPageLayout>
#include <QStringList>
#include <memory>
#include <utility>

class QPainter;
class QPdfWriter;
class QSaveFile;

// A printer that writes PDF files: either each job as the next numbered file
// ("job-0001.pdf", …) in a folder, or a job into one file of a given name. Letter pages,
// nothing cut off at the edges, text kept as text. A file appears only once its job ended.
class PdfPrinterTarget : public PrinterTarget {
public:
    static std::unique_ptr<PdfPrinterTarget> numberedJobs(const QString& folder);
    static std::unique_ptr<PdfPrinterTarget> singleFile(const QString& fileName);
    ~PdfPrinterTarget() override;

    // Where print jobs go without a printer: $KESTRIVO_PRINT_DIR, else the report folder's
    // "Printouts/".
    static QString defaultFolder(const QString& reportFolder);
    // True when print jobs must become PDF files whatever printers there are.
    static bool folderForced();

    QPainter& startPage(int orientation) override;
    void endJob() override;
    void abandonJob() override;
    double dotsPerInch() const override { return 600; }
    QString deviceName() const override;

    // The file the last ended job was written to.
    const QString& lastFile() const { return m_lastFile; }
    // The files of the jobs ended since the list was last taken, in order.
    QStringList takeWrittenFiles() { return std::exchange(m_writtenFiles, {}); }

private:
    PdfPrinterTarget(QString folder, QString fileName);
    QString nextJobFile() const;

    QString m_folder;
    QString m_fileName;
    QString m_lastFile;
    QStringList m_writtenFiles;
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
};
