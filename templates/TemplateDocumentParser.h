#pragma once

#include "TemplateDocument.h"

#include <QByteArray>
#include <QStringList>

// Reads a template document and checks everything the database and the rest of the program
// rely on, before any row is written: each problem says where it is and what is wrong, for
// example "fields[3].label: longer than 20 characters".
class TemplateDocumentParser {
public:
    struct Result {
        TemplateDocument document;
        QStringList problems; // empty when the document may be imported
        bool ok() const { return problems.isEmpty(); }
    };

    static Result parse(const QByteArray& bytes);
};
