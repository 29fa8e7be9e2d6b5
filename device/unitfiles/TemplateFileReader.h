#pragma once

#include "UnitTemplate.h"

#include <QByteArray>

// Reads a template file line by line, as the handheld does.
class TemplateFileReader {
public:
    // Throws KestrivoError naming the line of a record that is not a template record, has
    // too few items, or comes where it cannot belong ("V" without a dropdown field before it,
    // "A" or "P" without a question).
    static UnitTemplate read(const QByteArray& bytes);
};
