#pragma once

#include <QtGlobal>

// The fill of each group's bars: the colours of Okabe and Ito, which readers with any common
// colour-vision deficiency tell apart, each with a pattern of its own, so that a grey print
// still separates the groups. Neighbouring colours differ in lightness as well; from the
// eighth group on, colours and patterns recur in new pairs.
namespace ChartPalette {

qint32 color(int group);     // 0x00BBGGRR
qint16 fillStyle(int group); // a box fill style of the print-preview library

} // namespace ChartPalette
