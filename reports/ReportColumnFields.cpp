#include "ReportColumnFields.h"

#include "Database.h"
#include "TextOrder.h"

namespace ReportColumnFields {

QList<Row> list(const Database& database, qint64 reportDefinitionKey, qint64 templateKey) {
    QList<Row> rows;
    QSqlQuery query = database.query(GridSql, {reportDefinitionKey, templateKey});
    while (query.next())
        rows.append({query.value(0).toLongLong(), {query.value(3).toLongLong(), query.value(4).toString()}});
    TextOrder::sort(rows, [](const Row& row) { return row.field.label; });
    return rows;
}

QList<ListEntry> candidates(const Database& database, qint64 templateKey) {
    QList<ListEntry> fields;
    QSqlQuery query = database.query(QStringLiteral("SELECT TemplateFieldKey, FieldLabel FROM TemplateField WHERE "
                                                    "Deleted=0 AND TemplateKey=? ORDER BY TemplateFieldKey"),
                                     {templateKey});
    while (query.next())
        fields.append({query.value(1).toString(), query.value(0).toLongLong()});
    TextOrder::sort(fields, [](const ListEntry& field) { return field.text; });
    return fields;
}

qint64 add(const Database& database, qint64 reportDefinitionKey, qint64 templateKey, qint64 templateFieldKey) {
    return database.insert(
        QStringLiteral("ReportColumnField"),
        {QStringLiteral("ReportDefinitionKey"), QStringLiteral("TemplateKey"), QStringLiteral("TemplateFieldKey")},
        {reportDefinitionKey, templateKey, templateFieldKey});
}

bool remove(const Database& database, qint64 reportColumnFieldKey) {
    QSqlQuery deleted = database.query(QStringLiteral("DELETE FROM ReportColumnField WHERE ReportColumnFieldKey=?"),
                                       {reportColumnFieldKey});
    return deleted.numRowsAffected() > 0;
}

} // namespace ReportColumnFields
