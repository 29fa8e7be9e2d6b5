#pragma once

#include <QHash>
#include <QString>

class Database;

// What the field day left behind, read back the ways a user would: the catalog itself, the
// group summary report and the CSV export.
namespace FieldDayCheck {

// How many evaluations of the template carry each Tag; evaluations without one are counted
// under the empty Tag.
QHash<QString, int> tagsInCatalog(const Database& db, qint64 templateKey, qint64 tagField);

// The number of evaluations that "Group Summary by Group" counts: the total of the question
// "Counted", whose only answer is 1, over every group. Runs the report in the home and reads
// it back from the home's report database; -1, with the reason printed, when it cannot.
double summaryCount(const QString& home, qint64 templateKey, const QString& pdf);

// How many rows of evaluations the CSV export of the template has for each Tag; -1 under
// the empty Tag, with the reason printed, when the export fails.
QHash<QString, int> tagsInExport(const QString& home, qint64 templateKey, const QString& csv);

} // namespace FieldDayCheck
