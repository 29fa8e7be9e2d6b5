#pragma once

#include <QImage>

// The preview renderer: one page of a report as an image at 15 twips per pixel, sized by
// the orientation of the page's rows.
class PreviewRenderer {
public:
    static constexpr int TwipsPerPixel = 15;

    // Clears the surface and draws the page on it. A page without rows, or with an
    // orientation other than 1 or 2, keeps the surface's size (a new surface is portrait).
    static void render(qint32 reportKey, qint32 page, QImage& surface);
};
