#pragma once

#include <QByteArray>
#include <QString>

// The records of a template file as the handheld reads them: the record's type in quotes, then
// its items, numbers bare and texts in quotes, separated by single commas; CR LF after every
// record; Windows-1252 bytes. What goes into the records is the writer's business.
class TemplateFileRecords {
public:
    // Ends the record being built, if any, and starts one of this type ('H', 'F', 'V', ...).
    TemplateFileRecords& record(char type);
    TemplateFileRecords& number(qint64 value);
    // Text goes between quotes unchanged: the format has no escape for a quote or a comma.
    // Throws KestrivoError when the text has a character the unit cannot hold.
    TemplateFileRecords& text(const QString& value);
    // The file so far, the record being built included.
    QByteArray bytes() const;

private:
    QString m_line;
    QByteArray m_bytes;
};
