#include "ChartPalette.h"

#include "TrelkReportRecorder.h"

namespace {

// Orange, blue, yellow, vermillion, sky blue, black, reddish purple, bluish green: in this
// order each colour's grey differs from the next one's by at least a sixth of the scale.
constexpr qint32 Colors[] = {0x00009FE6, 0x00B27200, 0x0042E4F0, 0x00005ED5,
                             0x00E9B456, 0x00000000, 0x00A779CC, 0x00739E00};
constexpr qint16 Styles[] = {
    TrelkReportRecorder::FillSolid,          TrelkReportRecorder::FillUpwardDiagonal,
    TrelkReportRecorder::FillHorizontalLine, TrelkReportRecorder::FillDownwardDiagonal,
    TrelkReportRecorder::FillVerticalLine,   TrelkReportRecorder::FillDiagonalCross,
    TrelkReportRecorder::FillCross,
};

} // namespace

qint32 ChartPalette::color(int group) {
    return Colors[group % std::size(Colors)];
}

qint16 ChartPalette::fillStyle(int group) {
    return Styles[group % std::size(Styles)];
}
