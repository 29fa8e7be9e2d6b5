#include "EvaluationFileList.h"

#include "Database.h"
#include "EntryRules.h"
#include "EvaluationGroups.h"
#include "FieldText.h"
#include "TextCollation.h"

namespace EvaluationFileList {

namespace {

constexpr int LineWidth = 40;
constexpr int NameWidth = 30;
constexpr int DateColumn = 31; // position 32

// The day of Downloaded: SQLite hands back its text ("yyyy-MM-ddTHH:mm:ss"), a server a
// timestamp. Reading the day alone keeps a list of thousands quick.
QDate downloadedDay(const QVariant& value) {
    if (value.typeId() == QMetaType::QString)
        return QDate::fromString(value.toString().left(10), Qt::ISODate);
    return value.toDate();
}

} // namespace

QString headingLine() {
    return QStringLiteral("File Name").leftJustified(DateColumn) +
           QStringLiteral("Added").leftJustified(LineWidth - DateColumn);
}

QString line(const QString& fileName, const QDate& downloaded) {
    const qsizetype stop = fileName.indexOf(u'.');
    const QString name = (stop < 0 ? fileName : fileName.left(stop)).left(NameWidth);
    return name.leftJustified(DateColumn) + EntryRules::shortDate(downloaded).leftJustified(LineWidth - DateColumn);
}

QString AppendCondition(const QString& filter, const QString& condition) {
    return filter.isEmpty() ? condition : filter + QStringLiteral(" AND ") + condition;
}

QString lineOf(const QVariant& fileName, const QVariant& downloaded) {
    return line(FieldText(fileName), downloadedDay(downloaded));
}

Statement evaluationsStatement(const Database& database, const Filter& filter, const QString& columns) {
    const EntryRules::DownloadedRange range = EntryRules::downloadedRange(filter.begin, filter.end);
    QString where = EntryRules::DownloadedCondition;
    QVariantList values{range.from, range.before};
    if (filter.groupKey >= 1) {
        where = AppendCondition(where, QStringLiteral("Evaluation.EvaluationGroupKey=?"));
        values << filter.groupKey;
    }
    if (filter.templateKey >= 1) {
        where = AppendCondition(where, QStringLiteral("TemplateField.TemplateKey=?"));
        values << filter.templateKey;
    }
    return {
        QStringLiteral("SELECT ") + columns +
            QStringLiteral(" FROM Template INNER JOIN TemplateField ON Template.TemplateKey = "
                           "TemplateField.TemplateKey INNER JOIN TemplateFieldValue ON TemplateField.TemplateFieldKey "
                           "= TemplateFieldValue.TemplateFieldKey INNER JOIN Evaluation ON "
                           "Evaluation.EvaluationGroupKey = TemplateFieldValue.TemplateFieldValueKey WHERE ") +
            where + QStringLiteral(" ORDER BY ") +
            TextCollation::orderBy(database, QStringLiteral("Evaluation.FileName")) +
            QStringLiteral(", Evaluation.EvaluationKey"),
        values};
}

QList<Entry> evaluations(const Database& database, const Filter& filter) {
    const Statement statement = evaluationsStatement(
        database, filter, QStringLiteral("Evaluation.EvaluationKey, Evaluation.FileName, Evaluation.Downloaded"));
    QSqlQuery rows = database.query(statement.sql, statement.values);
    QList<Entry> found;
    while (rows.next())
        found.append({rows.value(0).toLongLong(), lineOf(rows.value(1), rows.value(2))});
    return found;
}

QList<Entry> groups(const Database& database, qint64 templateKey) {
    QList<Entry> found;
    for (const EvaluationGroup& group : usedEvaluationGroups(database, templateKey))
        found.append({group.key, group.name});
    return found;
}

} // namespace EvaluationFileList
