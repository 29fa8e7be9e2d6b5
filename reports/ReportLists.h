#pragma once

#include "ReportRequest.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

class Database;

// What the report window's lists hold, read the same way by the window and by
// kestrivo-cli, so the command line offers exactly the evaluations the window would.
namespace ReportLists {

inline const QString AllTemplates = QStringLiteral("All Templates");
inline const QString AllGroups = QStringLiteral("All Groups");
constexpr int LineLength = 30;

// The report definitions by name.
QList<ReportDefinition> reportDefinitions(const Database& database);
// "All Templates" (key 0), then every template by name.
QList<ListEntry> templates(const Database& database);
// "All Groups" (key 0) for all templates; else the values of the template's group field
// that evaluations use, by value.
QList<ListEntry> groups(const Database& database, qint64 templateKey);

// The evaluation list's filter: the download dates (the end day included), the selected
// groups when the group list holds real groups, and the template unless all are chosen.
struct EvaluationFilter {
    QDate begin;
    QDate end;
    QList<qint64> groupKeys; // empty: every group
    qint64 templateKey = 0;  // 0: every template
};
// The statement that reads the given columns of the evaluations the filter lets through, by
// group name, group key and file name (as TextOrder sorts, then by key).
struct Statement {
    QString sql;
    QVariantList values;
};
Statement evaluationsStatement(const Database& database, const EvaluationFilter& filter, const QString& columns);
// The line of an evaluation from FileName and Downloaded as either engine returns them.
QString lineOf(const QVariant& fileName, const QVariant& downloaded);
// The evaluations of the filter with every line read; each entry's text is its 30-character
// line. The window's list reads its lines as they are shown instead.
QList<ListEntry> evaluations(const Database& database, const EvaluationFilter& filter);
// Blanks with the file name up to its first "." in characters 1 to 19 and the download day
// as mm/dd/yy in characters 21 to 28.
QString evaluationLine(const QString& fileName, const QDateTime& downloaded);
// Downloaded as either engine returns it.
QDateTime downloadedTime(const QVariant& value);

} // namespace ReportLists
