#include "BoxHatching.h"

#include "ReportRow.h"

#include <cmath>

namespace {

enum class Direction { Horizontal, Vertical, Upward, Downward };

// The lines of one direction that cross the inside of the box; lines on its edges are left
// to the outline.
void addLines(QList<QLineF>& result, const QRectF& box, Direction direction, double spacing) {
    const double left = box.left(), right = box.right(), top = box.top(), bottom = box.bottom();
    switch (direction) {
    case Direction::Horizontal:
        for (double y = std::floor(top / spacing + 1) * spacing; y < bottom; y += spacing)
            result.append(QLineF(left, y, right, y));
        return;
    case Direction::Vertical:
        for (double x = std::floor(left / spacing + 1) * spacing; x < right; x += spacing)
            result.append(QLineF(x, top, x, bottom));
        return;
    case Direction::Upward: {
        // x + y = c, rising to the right.
        const double step = spacing * std::sqrt(2.0);
        for (double c = std::floor((left + top) / step + 1) * step; c < right + bottom; c += step) {
            const double from = std::max(left, c - bottom), to = std::min(right, c - top);
            if (from < to)
                result.append(QLineF(from, c - from, to, c - to));
        }
        return;
    }
    case Direction::Downward: {
        // y - x = c, falling to the right.
        const double step = spacing * std::sqrt(2.0);
        for (double c = std::floor((top - right) / step + 1) * step; c < bottom - left; c += step) {
            const double from = std::max(left, top - c), to = std::min(right, bottom - c);
            if (from < to)
                result.append(QLineF(from, from + c, to, to + c));
        }
        return;
    }
    }
}

} // namespace

QList<QLineF> BoxHatching::lines(const QRectF& box, int fillStyle, double spacing) {
    QList<QLineF> result;
    if (!(spacing > 0) || box.isEmpty())
        return result;
    const QRectF normal = box.normalized();
    switch (fillStyle) {
    case ReportRow::FillHorizontalLine:
        addLines(result, normal, Direction::Horizontal, spacing);
        break;
    case ReportRow::FillVerticalLine:
        addLines(result, normal, Direction::Vertical, spacing);
        break;
    case ReportRow::FillUpwardDiagonal:
        addLines(result, normal, Direction::Upward, spacing);
        break;
    case ReportRow::FillDownwardDiagonal:
        addLines(result, normal, Direction::Downward, spacing);
        break;
    case ReportRow::FillCross:
        addLines(result, normal, Direction::Horizontal, spacing);
        addLines(result, normal, Direction::Vertical, spacing);
        break;
    case ReportRow::FillDiagonalCross:
        addLines(result, normal, Direction::Upward, spacing);
        addLines(result, normal, Direction::Downward, spacing);
        break;
    default:
        break;
    }
    return result;
}
