#pragma once

#include "PostgresArray.h"
#include "Schema.h"

#include <QList>
#include <QSqlQuery>
#include <QVariant>

class Database;

// Adds copied rows, keys included, to one table of a catalog, as CatalogRowReader reads them:
// on PostgreSQL a batch of rows per statement (one array per column, unnested by the server),
// on SQLite one prepared statement run per row, which costs SQLite no more.
class CatalogRowWriter {
public:
    static constexpr int BatchRows = 5000;

    CatalogRowWriter(const Database& database, const Schema::Table& table);

    void add(const QVariantList& row);
    // Writes what is still held back; call it after the last row.
    void flush();

private:
    const Database& m_database;
    const Schema::Table& m_table;
    QSqlQuery m_statement;
    QList<PostgresArray> m_columns;
};
