#pragma once

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <functional>

class Database;

// Runs sql once per slice of keys, with "%1" replaced by the slice's placeholders and the
// slice's keys bound after the leading values, and hands every row to the callback: a
// report reads thousands of chosen evaluations in a few statements, each well inside what
// both engines take.
void forKeySlices(const Database& database, const QString& sql, const QVariantList& leading, const QList<qint64>& keys,
                  const std::function<void(QSqlQuery&)>& row);
// For a statement that counts, whose rows the callback adds up: on PostgreSQL one statement
// over all the keys, bound as one array ("IN (%1)" becomes "= ANY"), which the server joins in
// one pass where a slice at a time would make it scan whole tables once a slice; on SQLite,
// which looks the slices' rows up by their keys, slice by slice.
void forKeyCounts(const Database& database, const QString& sql, const QList<qint64>& keys,
                  const std::function<void(QSqlQuery&)>& row);
