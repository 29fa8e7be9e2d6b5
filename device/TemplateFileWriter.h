#pragma once

#include <QByteArray>
#include <QString>

class Database;

// The template file the handheld works from, written from the database: "H" (template key),
// "N" (file-name fields), "F" with its "V" values, "Q" with its "A" answers and "P" pick-list
// entries; one record per line, CR LF after every line, Windows-1252 bytes.
class TemplateFileWriter {
public:
    // Throws KestrivoError when a text of the template has a character the unit cannot hold.
    static QByteArray write(const Database& database, qint64 templateKey);
};
