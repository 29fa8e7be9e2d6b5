#include "HistoryRows.h"

#include "KestrivoError.h"

#include <QStringList>

namespace HistoryRows {

const Schema::Table& table() {
    static const Schema::Table& found = []() -> const Schema::Table& {
        for (const Schema::Table& candidate : Schema::tables()) {
            if (candidate.name == QLatin1String("EvaluationHistory"))
                return candidate;
        }
        throw KestrivoError(ErrorNumber::General, QStringLiteral("The schema has no history table."));
    }();
    return found;
}

QByteArray content(const QVariantList& values) {
    const QList<Schema::Column>& columns = table().columns;
    QByteArray data;
    for (qsizetype i = 0; i < values.size() && i < columns.size(); ++i) {
        if (columns.at(i).kind == Schema::ColumnKind::Integer) {
            data += 'i' + QByteArray::number(values.at(i).toLongLong()) + ';';
            continue;
        }
        const QByteArray text = values.at(i).toString().toUtf8();
        data += 't' + QByteArray::number(text.size()) + ':' + text;
    }
    return data;
}

QString contentSql(DatabaseEngine engine) {
    QStringList parts;
    const QList<Schema::Column>& columns = table().columns;
    for (qsizetype i = 0; i + 1 < columns.size(); ++i) {
        const QString& name = columns.at(i).name;
        if (columns.at(i).kind == Schema::ColumnKind::Integer)
            parts << QStringLiteral("'i' || CAST(%1 AS TEXT) || ';'").arg(name);
        else if (engine == DatabaseEngine::SQLite)
            parts << QStringLiteral("'t' || length(CAST(%1 AS BLOB)) || ':' || %1").arg(name);
        else
            parts << QStringLiteral("'t' || CAST(octet_length(%1) AS TEXT) || ':' || %1").arg(name);
    }
    const QString text = parts.join(QStringLiteral(" || "));
    return engine == DatabaseEngine::SQLite ? QStringLiteral("CAST(%1 AS BLOB)").arg(text) : text;
}

} // namespace HistoryRows
