#pragma once

#include <QString>
#include <QStringList>

// How wide a text prints in "Arial" (twips), so a report can centre it, fit it or wrap it
// before it records it. Measured on the font the print-preview library draws with, unhinted
// so that the figure holds on screen and on paper alike; without a GUI application (no
// fonts) an average width per character stands in.
namespace ReportText {

double width(const QString& text, int points, bool bold = false);
// The text cut to fit the width, ending in "…" where it was cut.
QString elided(const QString& text, double width, int points, bool bold = false);
// The text broken between words into lines of at most the width, at most maxLines of them;
// the last line is cut with "…" where the text goes on. A word longer than a line is cut.
QStringList wrapped(const QString& text, double width, int points, int maxLines, bool bold = false);

} // namespace ReportText
