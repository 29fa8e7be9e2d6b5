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
