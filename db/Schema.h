#pragma once

#include <QList>
#include <QString>
#include <QVariant>

class Database;

// The tables of the evaluation database. A database without them gets them, with the
// single rows and the report definitions; one of an older version is brought up to date in
// place, in one transaction; one written by a newer program is refused.
namespace Schema {

// 2: on PostgreSQL the template items that evaluation rows name are checked once per
// statement instead of by a foreign key per row; 3: so are the evaluations (and answers)
// that the rows belong to; 4: the report "Answer Chart by Group"; 5: the history of every
// evaluation.
constexpr int HistoryVersion = 5;
constexpr int CurrentVersion = 5;

enum class ColumnKind { Integer, Text, Timestamp };
struct Column {
    QString name;
    ColumnKind kind = ColumnKind::Integer;
    int since = 1; // the schema version that added it
    // What a catalog of an earlier version holds in its place: the column's default.
    QVariant missing() const {
        return kind == ColumnKind::Integer ? QVariant(qint64(0)) : QVariant(QString(QLatin1String("")));
    }
};
struct Table {
    QString name;
    QList<Column> columns; // the key first
    int since = 1;
    QString key() const { return columns.first().name; }
};

void ensure(const Database& database);
int version(const Database& database); // 0 when the schema is missing
// Adds the rows that every catalog holds since a later version than the one given (the
// report definitions added since), where they are missing.
void addRowsSince(const Database& database, int version);
// Every table that holds the catalog's rows, each after the tables its rows refer to (the
// version table is not among them).
const QList<Table>& tables();

} // namespace Schema
