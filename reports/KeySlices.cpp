#include "KeySlices.h"

#include "Database.h"
#include "PostgresArray.h"

#include <QStringList>

namespace {

constexpr qsizetype KeysPerStatement = 500;

} // namespace

void forKeySlices(const Database& database, const QString& sql, const QVariantList& leading, const QList<qint64>& keys,
                  const std::function<void(QSqlQuery&)>& row) {
    for (qsizetype first = 0; first < keys.size(); first += KeysPerStatement) {
        const QList<qint64> slice = keys.mid(first, KeysPerStatement);
        QStringList marks;
        QVariantList values = leading;
        for (qint64 key : slice) {
            marks << QStringLiteral("?");
            values << key;
        }
        QSqlQuery rows = database.query(sql.arg(marks.join(QLatin1Char(','))), values);
        while (rows.next())
            row(rows);
    }
}

void forKeyCounts(const Database& database, const QString& sql, const QList<qint64>& keys,
                  const std::function<void(QSqlQuery&)>& row) {
    if (database.engine() != DatabaseEngine::PostgreSQL) {
        forKeySlices(database, sql, {}, keys, row);
        return;
    }
    QVariantList values;
    for (qint64 key : keys)
        values << key;
    QString text = sql;
    text.replace(QStringLiteral("IN (%1)"), QStringLiteral("= ANY (CAST(? AS INTEGER[]))"));
    QSqlQuery rows = database.query(text, {PostgresArray::literal(values)});
    while (rows.next())
        row(rows);
}
