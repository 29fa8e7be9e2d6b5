#pragma once

#include <QString>

// Reads PDF files the way a user's viewer would, through poppler's command-line tools.
class PdfProbe {
public:
    static int pageCount(const QString& file);
    // The text of the given page (1-based), or of the whole file for page 0.
    static QString text(const QString& file, int page = 0);
    // The page size in points ("612 x 792").
    static QString pageSize(const QString& file, int page);
};
