#pragma once

#include <QList>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <map>

class Database;

// Adds many rows of one table through multi-row INSERT statements, each batch size prepared
// once and reused: one round trip per batch instead of one per row, which is what a database
// server needs to keep up with a unit full of evaluations.
class RowBatchInsert {
public:
    static constexpr int MaximumBatch = 100;

    RowBatchInsert(const Database& database, QString table, QStringList columns, bool returnKeys);

    // Adds the rows (each with one value per column) and, when keys were asked for, returns
    // the new keys in the order of the rows.
    QList<qint64> insert(const QList<QVariantList>& rows);
    // Forgets the prepared statements, for a connection that may have been replaced.
    void clear() { m_statements.clear(); }

private:
    QSqlQuery& statement(int rows);

    const Database& m_database;
    QString m_table;
    QStringList m_columns;
    bool m_returnKeys;
    std::map<int, QSqlQuery> m_statements;
};
