#pragma once

#include <QString>
#include <optional>

class ReportPen;

// The head of every page of the landscape reports over many evaluations (the group
// summaries, the answer chart): the company, the title with the time the report was made,
// the group where the report is of one, the template, the download dates, "Page: N of M"
// and a rule under them.
struct SummaryHeading {
    static constexpr int Landscape = 2;
    static constexpr int LeftMargin = 500;
    static constexpr int RuleRight = 15000;
    static constexpr int RuleGap = 100;

    QString company;
    QString title;
    std::optional<QString> group; // the group's line, for a report of one group
    QString templateText;
    QString beginText;
    QString endText;

    // Records the heading at the top of the page; returns the y just under the rule.
    int record(ReportPen& pen, int page) const;
};
