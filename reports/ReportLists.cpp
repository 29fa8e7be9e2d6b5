#include "ReportLists.h"

#include "Database.h"
#include "EntryRules.h"
#include "EvaluationGroups.h"
#include "TemplateNames.h"
#include "TextCollation.h"

namespace ReportLists {

QList<ReportDefinition> reportDefinitions(const Database& database) {
    QList<ReportDefinition> reports;
    QSqlQuery rows = database.query(
        QStringLiteral("SELECT ReportDefinitionKey, Name, objectName, columnsUsed, allowAllGroups, allowAllTemplates, "
                       "multiSelectEvaluations, reportType FROM ReportDefinition ORDER BY Name, ReportDefinitionKey"));
    while (rows.next()) {
        reports.append({rows.value(0).toLongLong(), rows.value(1).toString(), rows.value(2).toString(),
                        rows.value(3).toInt() != 0, rows.value(4).toInt() != 0, rows.value(5).toInt() != 0,
                        rows.value(6).toInt() != 0, rows.value(7).toInt()});
    }
    return reports;
}

QList<ListEntry> templates(const Database& database) {
    QList<ListEntry> entries{{AllTemplates, 0}};
    for (const TemplateName& entry : templatesByName(database))
        entries.append({entry.name, entry.key});
    return entries;
}

QList<ListEntry> groups(const Database& database, qint64 templateKey) {
    if (templateKey == 0)
        return {{AllGroups, 0}};
    QList<ListEntry> entries;
    for (const EvaluationGroup& group : usedEvaluationGroups(database, templateKey))
        entries.append({group.name, group.key});
    return entries;
}

Statement evaluationsStatement(const Database& database, const EvaluationFilter& filter, const QString& columns) {
    const EntryRules::DownloadedRange range = EntryRules::downloadedRange(filter.begin, filter.end);
    QString where = EntryRules::DownloadedCondition;
    QVariantList values{range.from, range.before};
    if (!filter.groupKeys.isEmpty()) {
        QStringList conditions;
        for (qint64 key : filter.groupKeys) {
            conditions << QStringLiteral("Evaluation.EvaluationGroupKey=?");
            values << key;
        }
        where += QStringLiteral(" AND (") + conditions.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    }
    if (filter.templateKey != 0) {
        where += QStringLiteral(" AND Groups.TemplateKey=?");
        values << filter.templateKey;
    }
    // Each group's place among the groups is worked out once, over the few groups, so that the
    // engine sorts a hundred thousand evaluations by one number and the file name instead of
    // folding the group's name again for every evaluation.
    return {QStringLiteral("SELECT ") + columns +
                QStringLiteral(" FROM Evaluation INNER JOIN (SELECT TemplateFieldValue.TemplateFieldValueKey AS "
                               "GroupKey, TemplateField.TemplateKey AS TemplateKey, row_number() OVER (ORDER BY ") +
                TextCollation::orderBy(database, QStringLiteral("TemplateFieldValue.FieldValue")) +
                QStringLiteral(", TemplateFieldValue.TemplateFieldValueKey) AS GroupOrder FROM TemplateFieldValue "
                               "INNER JOIN TemplateField ON TemplateField.TemplateFieldKey = "
                               "TemplateFieldValue.TemplateFieldKey INNER JOIN Template ON Template.TemplateKey = "
                               "TemplateField.TemplateKey) AS Groups ON Evaluation.EvaluationGroupKey = "
                               "Groups.GroupKey WHERE ") +
                where + QStringLiteral(" ORDER BY Groups.GroupOrder, ") +
                TextCollation::orderBy(database, QStringLiteral("Evaluation.FileName")) +
                QStringLiteral(", Evaluation.EvaluationKey"),
            values};
}

QString lineOf(const QVariant& fileName, const QVariant& downloaded) {
    return evaluationLine(fileName.toString(), downloadedTime(downloaded));
}

QList<ListEntry> evaluations(const Database& database, const EvaluationFilter& filter) {
    const Statement statement = evaluationsStatement(
        database, filter, QStringLiteral("Evaluation.EvaluationKey, Evaluation.FileName, Evaluation.Downloaded"));
    QSqlQuery rows = database.query(statement.sql, statement.values);
    QList<ListEntry> entries;
    while (rows.next())
        entries.append({lineOf(rows.value(1), rows.value(2)), rows.value(0).toLongLong()});
    return entries;
}

QString evaluationLine(const QString& fileName, const QDateTime& downloaded) {
    QString line(LineLength, QLatin1Char(' '));
    const qsizetype point = fileName.indexOf(QLatin1Char('.'));
    const QString name = (point < 0 ? fileName : fileName.left(point)).left(19);
    line.replace(0, name.size(), name);
    line.replace(20, 8,
                 downloaded.date().toString(QStringLiteral("MM/dd/yy")).leftJustified(8, QLatin1Char(' '), true));
    return line;
}

QDateTime downloadedTime(const QVariant& value) {
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime();
    return QDateTime::fromString(value.toString(), Qt::ISODate);
}

} // namespace ReportLists
