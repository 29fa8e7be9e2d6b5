#pragma once

#include "TrelkPrintPreviewExport.h"

#include <QString>
#include <stdexcept>

// A failure that reaches the host: a recording call the report database refused (a text
// over 255 characters, a database that went away), a 16-bit position that overflowed
// (number 6), a print job the printer or the file system refused.
class TRELKPRINTPREVIEW_EXPORT TrelkPrintPreviewError : public std::runtime_error {
public:
    TrelkPrintPreviewError(qint32 number, const QString& source, const QString& description);
    ~TrelkPrintPreviewError() override;

    qint32 number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }

private:
    qint32 m_number;
    QString m_source;
    QString m_description;
};
