#include "GroupSummaryData.h"

#include "Database.h"
#include "EntryRules.h"
#include "FieldText.h"
#include "KeySlices.h"
#include "TextOrder.h"

GroupSummaryData GroupSummaryData::load(const Database& database, const ReportRequest& request) {
    GroupSummaryData data;

    QString groupCondition;
    QVariantList groupValues;
    if (request.filtersGroups()) {
        QStringList conditions;
        for (qint64 key : request.groupKeys) {
            conditions << QStringLiteral("Evaluation.EvaluationGroupKey=?");
            groupValues << key;
        }
        groupCondition = QStringLiteral(" (") + conditions.join(QStringLiteral(" OR ")) + QStringLiteral(") AND ");
    }
    groupValues << request.templateKey;
    QSqlQuery groups = database.query(
        QStringLiteral("SELECT DISTINCT EvaluationGroupKey, FieldValue, Evaluation.TemplateKey FROM Evaluation INNER "
                       "JOIN TemplateFieldValue ON Evaluation.EvaluationGroupKey = "
                       "TemplateFieldValue.TemplateFieldValueKey WHERE") +
            groupCondition + QStringLiteral(" Evaluation.TemplateKey = ? ORDER BY EvaluationGroupKey"),
        groupValues);
    while (groups.next())
        data.groups.append({groups.value(0).toLongLong(), groups.value(1).toString(), groups.value(2).toLongLong()});
    TextOrder::sort(data.groups, [](const Group& group) { return group.name; });
    if (data.groups.isEmpty())
        return data;

    const qint64 templateKey = data.groups.first().templateKey;
    QHash<qint64, std::optional<double>> maxima;
    QSqlQuery answers = database.query(
        QStringLiteral("SELECT TemplateAnswer.TemplateQuestionKey, Answer FROM TemplateAnswer INNER JOIN "
                       "TemplateQuestion ON TemplateAnswer.TemplateQuestionKey = TemplateQuestion.TemplateQuestionKey "
                       "WHERE TemplateAnswer.Deleted=0 AND TemplateQuestion.TemplateKey=?"),
        {templateKey});
    while (answers.next()) {
        const QString answer = answers.value(1).toString();
        if (!EntryRules::isNumeric(answer))
            continue;
        std::optional<double>& maximum = maxima[answers.value(0).toLongLong()];
        maximum = std::max(maximum.value_or(EntryRules::numericValue(answer)), EntryRules::numericValue(answer));
    }
    QSqlQuery questions =
        database.query(QStringLiteral("SELECT TemplateQuestionKey, TemplateKey, Question FROM TemplateQuestion WHERE "
                                      "Deleted=0 AND TemplateKey=? ORDER BY Sequence, TemplateQuestionKey"),
                       {templateKey});
    while (questions.next()) {
        const qint64 key = questions.value(0).toLongLong();
        data.questions.append({key, questions.value(2).toString(), maxima.value(key)});
    }

    const QList<qint64> chosen = request.selectedEvaluations();
    QHash<qint64, Evaluation> found;
    forKeySlices(database,
                 QStringLiteral("SELECT EvaluationKey, EvaluationGroupKey, FieldValue FROM Evaluation LEFT JOIN "
                                "TemplateFieldValue ON Evaluation.EvaluationGroupKey = "
                                "TemplateFieldValue.TemplateFieldValueKey WHERE EvaluationKey IN (%1)"),
                 {}, chosen, [&found](QSqlQuery& row) {
                     const qint64 key = row.value(0).toLongLong();
                     found.insert(key, {key, row.value(1).toLongLong(), row.value(2).toString(), {}, {}, {}});
                 });
    forKeySlices(database,
                 QStringLiteral("SELECT EvaluationKey, TemplateQuestionKey, Answer, TBCCheck FROM EvaluationQuestion "
                                "WHERE EvaluationKey IN (%1) ORDER BY EvaluationQuestionKey"),
                 {}, chosen, [&found](QSqlQuery& row) {
                     auto evaluation = found.find(row.value(0).toLongLong());
                     const qint64 question = row.value(1).toLongLong();
                     if (evaluation == found.end() || evaluation->answers.contains(question))
                         return;
                     evaluation->answers.insert(question, FieldText(row.value(2)));
                     if (row.value(3).toInt() != 0)
                         evaluation->tbc.insert(question);
                 });
    if (!request.columnFields.isEmpty()) {
        forKeySlices(database,
                     QStringLiteral("SELECT EvaluationKey, TemplateFieldKey, EnteredValue FROM EvaluationField WHERE "
                                    "EvaluationKey IN (%1) ORDER BY EvaluationFieldKey"),
                     {}, chosen, [&found](QSqlQuery& row) {
                         auto evaluation = found.find(row.value(0).toLongLong());
                         const qint64 field = row.value(1).toLongLong();
                         if (evaluation != found.end() && !evaluation->columnValues.contains(field))
                             evaluation->columnValues.insert(field, FieldText(row.value(2)));
                     });
    }
    for (qint64 key : chosen) {
        if (found.contains(key))
            data.evaluations.append(found.take(key));
    }
    return data;
}
