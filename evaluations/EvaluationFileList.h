#pragma once

#include "EvaluationListModel.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

class Database;

// The evaluations found by template, group and download date, one 40-character line each,
// as the open dialog and "kestrivo-cli evaluation list" show them.
namespace EvaluationFileList {

inline const QString FirstBegin = QStringLiteral("01/01/02");
inline const QString FirstEnding = QStringLiteral("12/31/29");

struct Filter {
    qint64 templateKey = 0; // 0: all templates
    qint64 groupKey = 0;    // 0: all groups
    QDate begin;            // first download day
    QDate end;              // last download day, held whole
};
// A line with the key it stands for: the same for every list of the dialog.
using Entry = EvaluationListModel::Line;

// "File Name" at position 1 and "Added" at position 32.
QString headingLine();
// The name up to its first "." and at most 30 characters, the date "mm/dd/yy" at position 32.
QString line(const QString& fileName, const QDate& downloaded);
// The line of an evaluation from FileName and Downloaded as either engine returns them.
QString lineOf(const QVariant& fileName, const QVariant& downloaded);
// The statement that reads the given columns of the filter's evaluations by FileName (as
// TextOrder sorts, then by key); only those whose group value still exists.
struct Statement {
    QString sql;
    QVariantList values;
};
Statement evaluationsStatement(const Database& database, const Filter& filter, const QString& columns);
// The evaluations of the filter, every line read: for a listing printed whole.
QList<Entry> evaluations(const Database& database, const Filter& filter);
// The group values that evaluations of the template use, by FieldValue.
QList<Entry> groups(const Database& database, qint64 templateKey);
// An empty filter becomes the condition; otherwise the two are joined by AND.
QString AppendCondition(const QString& filter, const QString& condition);

} // namespace EvaluationFileList
