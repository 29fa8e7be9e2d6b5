#pragma once

#include <QImage>

// The preview renderer: one page of a report as an image at 15 twips per pixel, sized by
// the orientation of the page's rows; zoomed, at that many times the resolution.
class PreviewRenderer {
public:
    static constexpr int TwipsPerPixel = 15;

    // Clears the surface and draws the page on it, scale times the full size: text and
    // lines are drawn at the zoomed resolution, never scaled up from a smaller picture. A page
    // without rows, or with an orientation other than 1 or 2, keeps the surface's size (a new
    // surface is portrait).
    static void render(qint32 reportKey, qint32 page, QImage& surface, double scale = 1.0);
};
