#pragma once

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <functional>

class Database;

// A set of keys bound as one value: "column IN (%1)" becomes a condition on a JSON array
// (SQLite) or an integer array (PostgreSQL). A list of placeholders would cost the driver
// time in the square of its length on every statement.
struct KeySet {
    QString condition; // replaces "IN (%1)"
    QVariant value;

    KeySet(const Database& database, const QList<qint64>& keys);
    // sql with its "IN (%1)" replaced by the condition.
    QString in(const QString& sql) const;
};

// Runs sql once per slice of keys, with "IN (%1)" taking the slice's keys (bound after the
// leading values), and hands every row to the callback: a report reads thousands of chosen
// evaluations in a few statements, each well inside what both engines take. A slice's rows
// are few enough to come whole (Database::querySlice): a statement's rows for a thousand
// evaluations, never a whole catalog's; a statement whose rows are small may take more keys.
void forKeySlices(const Database& database, const QString& sql, const QVariantList& leading, const QList<qint64>& keys,
                  const std::function<void(QSqlQuery&)>& row, qsizetype keysPerStatement = 1000);
// For a statement that counts, whose rows the callback adds up. PostgreSQL counts all the keys
// in one statement, in a hash. SQLite groups by sorting: it counts a slice at a time, because
// a slice's rows sort in its cache, where those of a hundred thousand evaluations spill to
// disk and take half as long again.
void forKeyCounts(const Database& database, const QString& sql, const QList<qint64>& keys,
                  const std::function<void(QSqlQuery&)>& row);
