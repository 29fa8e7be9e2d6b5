#pragma once

#include "ReportRequest.h"

#include <QList>
#include <QString>

class Database;

// The entry fields a report prints as header columns, kept per report and template in
// ReportColumnField.
namespace ReportColumnFields {

struct Row {
    qint64 reportColumnFieldKey = 0;
    ColumnField field;
};

// The column grid's query: the report's column fields for the template; the grid and the
// reports show them by label.
inline const QString GridSql = QStringLiteral(
    "SELECT ReportColumnFieldKey, ReportDefinitionKey, ReportColumnField.TemplateKey, "
    "ReportColumnField.TemplateFieldKey, FieldLabel FROM ReportColumnField INNER JOIN TemplateField ON "
    "ReportColumnField.TemplateFieldKey = TemplateField.TemplateFieldKey WHERE ReportDefinitionKey=? AND "
    "ReportColumnField.TemplateKey=? ORDER BY ReportColumnFieldKey");

QList<Row> list(const Database& database, qint64 reportDefinitionKey, qint64 templateKey);
// The template's live entry fields that may become columns, by label.
QList<ListEntry> candidates(const Database& database, qint64 templateKey);
// Adds a column field and returns its key.
qint64 add(const Database& database, qint64 reportDefinitionKey, qint64 templateKey, qint64 templateFieldKey);
// Removes a column field; false when it was not stored.
bool remove(const Database& database, qint64 reportColumnFieldKey);

} // namespace ReportColumnFields
