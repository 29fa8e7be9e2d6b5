#include "RowBatchInsert.h"

#include "Database.h"
#include "KestrivoError.h"

#include <algorithm>

RowBatchInsert::RowBatchInsert(const Database& database, QString table, QStringList columns, bool returnKeys)
    : m_database(database), m_table(std::move(table)), m_columns(std::move(columns)), m_returnKeys(returnKeys) {}

QSqlQuery& RowBatchInsert::statement(int rows) {
    auto found = m_statements.find(rows);
    if (found != m_statements.end())
        return found->second;
    const QString tuple =
        QLatin1Char('(') + QStringList(m_columns.size(), QStringLiteral("?")).join(',') + QLatin1Char(')');
    QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(m_table, m_columns.join(QStringLiteral(", "))) +
                  QStringList(rows, tuple).join(',');
    if (m_returnKeys)
        sql += QStringLiteral(" RETURNING ") + m_table + QStringLiteral("Key");
    return m_statements.emplace(rows, m_database.prepare(sql)).first->second;
}

QList<qint64> RowBatchInsert::insert(const QList<QVariantList>& rows) {
    QList<qint64> keys;
    for (qsizetype start = 0; start < rows.size(); start += MaximumBatch) {
        const int count = int(qMin<qsizetype>(MaximumBatch, rows.size() - start));
        QSqlQuery& batch = statement(count);
        QVariantList values;
        values.reserve(count * m_columns.size());
        for (int row = 0; row < count; ++row)
            values += rows.at(start + row);
        m_database.run(batch, values);
        if (!m_returnKeys)
            continue;
        // Keys are handed out in the order the rows are added, whatever order the engine
        // returns them in.
        QList<qint64> added;
        while (batch.next())
            added << batch.value(0).toLongLong();
        if (added.size() != count)
            throw KestrivoError(ErrorNumber::Database,
                                QStringLiteral("The database returned %1 keys for %2 new %3 rows.")
                                    .arg(added.size())
                                    .arg(count)
                                    .arg(m_table));
        std::sort(added.begin(), added.end());
        keys += added;
    }
    return keys;
}
