#pragma once

#include "Schema.h"

#include <QSqlQuery>
#include <QVariant>

class Database;

// Reads the rows of one catalog table in key order with the values in a form that reads the
// same from either engine: whole numbers as numbers, texts as they are, times of day as
// "yyyy-MM-ddTHH:mm:ss", null as an invalid QVariant. A table of any size passes through a
// bounded amount of memory: on PostgreSQL through a cursor (its driver would otherwise fetch
// the whole result at once), on SQLite through a forward-only query. Must be used inside a
// transaction of the database. A catalog of an earlier schema version gives what it lacks as
// it would be in a new one: no rows of a newer table, the default of a newer column.
class CatalogRowReader {
public:
    static constexpr int BatchRows = 5000;

    CatalogRowReader(const Database& database, const Schema::Table& table, int version = Schema::CurrentVersion);
    ~CatalogRowReader();
    CatalogRowReader(const CatalogRowReader&) = delete;
    CatalogRowReader& operator=(const CatalogRowReader&) = delete;

    // The next row, one value per column of the table; false after the last row. Throws
    // KestrivoError for a value that its column cannot hold.
    bool next(QVariantList& row);

private:
    void fetch();

    const Database& m_database;
    const Schema::Table& m_table;
    QSqlQuery m_rows;
    bool m_cursorOpen = false;
    bool m_lastBatch = false;
    int m_batchRows = 0;
};
