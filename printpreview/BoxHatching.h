#pragma once

#include <QLineF>
#include <QList>
#include <QRectF>

// The lines of a box's fill pattern, in device coordinates whose origin is the page's
// top-left corner. The lines lie on one grid anchored to the page, so neighbouring boxes of a
// pattern line up; spacing is the distance between neighbouring parallel lines. Styles
// without lines (solid, transparent, unknown) give none.
namespace BoxHatching {

QList<QLineF> lines(const QRectF& box, int fillStyle, double spacing);

} // namespace BoxHatching
