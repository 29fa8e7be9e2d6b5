#include "ReportLists.h"

#include "Database.h"
#include "EntryRules.h"
#include "EvaluationGroups.h"
#include "TemplateNames.h"
#include "TextOrder.h"

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

QList<ListEntry> evaluations(const Database& database, const EvaluationFilter& filter) {
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
        where += QStringLiteral(" AND TemplateField.TemplateKey=?");
        values << filter.templateKey;
    }
    QList<ListEntry> entries;
    QSqlQuery rows = database.query(
        QStringLiteral(
            "SELECT Evaluation.EvaluationKey, Evaluation.FileName, Downloaded, TemplateFieldValue.FieldValue, "
            "Evaluation.EvaluationGroupKey FROM Evaluation INNER JOIN "
            "TemplateFieldValue ON Evaluation.EvaluationGroupKey = TemplateFieldValue.TemplateFieldValueKey "
            "INNER JOIN TemplateField ON TemplateField.TemplateFieldKey = TemplateFieldValue.TemplateFieldKey "
            "INNER JOIN Template ON Template.TemplateKey = TemplateField.TemplateKey WHERE ") +
            where + QStringLiteral(" ORDER BY Evaluation.EvaluationKey"),
        values);
    // By group name, group and file name, alphabetically as every list of the program.
    struct Found {
        ListEntry entry;
        QString group;
        qint64 groupKey;
        QString fileName;
    };
    QList<Found> found;
    while (rows.next()) {
        const QString fileName = rows.value(1).toString();
        found.append({{evaluationLine(fileName, downloadedTime(rows.value(2))), rows.value(0).toLongLong()},
                      rows.value(3).toString(),
                      rows.value(4).toLongLong(),
                      fileName});
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (const int group = TextOrder::compare(a.group, b.group); group != 0)
            return group < 0;
        if (a.groupKey != b.groupKey)
            return a.groupKey < b.groupKey;
        return TextOrder::less(a.fileName, b.fileName);
    });
    for (const Found& each : found)
        entries.append(each.entry);
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
