#include "CatalogRowWriter.h"

#include "Database.h"

#include <QStringList>

CatalogRowWriter::CatalogRowWriter(const Database& database, const Schema::Table& table)
    : m_database(database), m_table(table) {
    QStringList names, values;
    for (const Schema::Column& column : table.columns) {
        names << column.name;
        if (database.engine() == DatabaseEngine::SQLite)
            values << QStringLiteral("?");
        else
            values << (column.kind == Schema::ColumnKind::Integer     ? QStringLiteral("?::bigint[]")
                       : column.kind == Schema::ColumnKind::Timestamp ? QStringLiteral("?::timestamp[]")
                                                                      : QStringLiteral("?::text[]"));
    }
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) ").arg(table.name, names.join(QStringLiteral(", ")));
    if (database.engine() == DatabaseEngine::SQLite) {
        m_statement = database.prepare(insert + QStringLiteral("VALUES (%1)").arg(values.join(QStringLiteral(", "))));
        return;
    }
    m_statement =
        database.prepare(insert + QStringLiteral("SELECT * FROM unnest(%1)").arg(values.join(QStringLiteral(", "))));
    m_columns.resize(table.columns.size());
}

void CatalogRowWriter::add(const QVariantList& row) {
    if (m_database.engine() == DatabaseEngine::SQLite) {
        m_database.run(m_statement, row);
        return;
    }
    for (qsizetype i = 0; i < row.size(); ++i)
        m_columns[i].append(row.at(i));
    if (m_columns.first().size() >= BatchRows)
        flush();
}

void CatalogRowWriter::flush() {
    if (m_columns.isEmpty() || m_columns.first().size() == 0)
        return;
    QVariantList arrays;
    for (PostgresArray& column : m_columns) {
        arrays << column.literal();
        column.clear();
    }
    m_database.run(m_statement, arrays);
}
