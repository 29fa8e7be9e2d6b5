#include "SummaryHeading.h"

#include "ReportFormat.h"
#include "ReportPen.h"

namespace {

constexpr int PageTop = 500;
constexpr int PageX = 13500;
constexpr int LineStep = 250;
constexpr int Normal = 10;

} // namespace

int SummaryHeading::record(ReportPen& pen, int page) const {
    int y = PageTop;
    pen.text(y, LeftMargin, company, page, Landscape, false, Normal, LineStep);
    pen.text(y, ReportFormat::cint((RuleRight - 90.0 * title.size()) / 2), title, page, Landscape, true, Normal,
             LineStep);
    if (group)
        pen.text(y, LeftMargin, QStringLiteral("Group: ") + *group, page, Landscape, false, Normal, LineStep);
    pen.text(y, LeftMargin, QStringLiteral("Template: ") + templateText, page, Landscape, false, Normal, LineStep);
    pen.text(y, LeftMargin, QStringLiteral("Start: ") + beginText + QStringLiteral("  End: ") + endText, page,
             Landscape, false, Normal, 0);
    pen.text(y, PageX, QStringLiteral("Page:") + ReportFormat::str(page) + QStringLiteral(" of "), page, Landscape,
             false, Normal, 300, QStringLiteral("Arial"), true);
    pen.line(LeftMargin, y, RuleRight, y, page, Landscape);
    return y + RuleGap;
}
