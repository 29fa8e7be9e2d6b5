#include "KeySlices.h"

#include "Database.h"

#include <QStringList>

KeySet::KeySet(const Database& database, const QList<qint64>& keys) {
    QString list;
    list.reserve(keys.size() * 8 + 2);
    for (qint64 key : keys) {
        list += list.isEmpty() ? QLatin1Char('[') : QLatin1Char(',');
        list += QString::number(key);
    }
    if (list.isEmpty())
        list = QLatin1Char('[');
    if (database.engine() == DatabaseEngine::PostgreSQL) {
        condition = QStringLiteral("= ANY (CAST(? AS BIGINT[]))");
        value = QLatin1Char('{') + list.mid(1) + QLatin1Char('}');
    } else {
        condition = QStringLiteral("IN (SELECT value FROM json_each(?))");
        value = list + QLatin1Char(']');
    }
}

QString KeySet::in(const QString& sql) const {
    return QString(sql).replace(QStringLiteral("IN (%1)"), condition);
}

void forKeySlices(const Database& database, const QString& sql, const QVariantList& leading, const QList<qint64>& keys,
                  const std::function<void(QSqlQuery&)>& row, qsizetype keysPerStatement) {
    for (qsizetype first = 0; first < keys.size(); first += keysPerStatement) {
        const KeySet slice(database, keys.mid(first, keysPerStatement));
        QSqlQuery rows = database.querySlice(slice.in(sql), leading + QVariantList{slice.value});
        while (rows.next())
            row(rows);
    }
}

void forKeyCounts(const Database& database, const QString& sql, const QList<qint64>& keys,
                  const std::function<void(QSqlQuery&)>& row) {
    if (database.engine() == DatabaseEngine::SQLite) {
        forKeySlices(database, sql, {}, keys, row);
        return;
    }
    const KeySet all(database, keys);
    QSqlQuery rows = database.query(all.in(sql), {all.value});
    while (rows.next())
        row(rows);
}
