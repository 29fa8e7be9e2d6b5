#pragma once

#include <QImage>
#include <QString>

// Reads PDF files the way a user's viewer would, through poppler's command-line tools.
class PdfProbe {
public:
    static int pageCount(const QString& file);
    // The text of the given page (1-based), or of the whole file for page 0.
    static QString text(const QString& file, int page = 0);
    // The page size in points ("612 x 792").
    static QString pageSize(const QString& file, int page);
    // How many raster images the file holds, as pdfimages lists them.
    static int imageCount(const QString& file);
    // The page (1-based) drawn at the resolution, as a viewer shows it.
    static QImage pageImage(const QString& file, int page, int dotsPerInch);
};
