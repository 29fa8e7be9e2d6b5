#include "EvaluationGroups.h"

#include "FieldText.h"
#include "TextOrder.h"

QList<EvaluationGroup> usedEvaluationGroups(const Database& database, qint64 templateKey) {
    QSqlQuery rows = database.query(
        QStringLiteral("SELECT DISTINCT TemplateFieldValue.TemplateFieldValueKey, TemplateFieldValue.FieldValue FROM "
                       "Evaluation INNER JOIN TemplateFieldValue ON Evaluation.EvaluationGroupKey = "
                       "TemplateFieldValue.TemplateFieldValueKey INNER JOIN TemplateField ON "
                       "TemplateField.TemplateFieldKey = TemplateFieldValue.TemplateFieldKey WHERE "
                       "TemplateField.TemplateKey=? ORDER BY TemplateFieldValue.TemplateFieldValueKey"),
        {templateKey});
    QList<EvaluationGroup> found;
    while (rows.next())
        found.append({rows.value(0).toLongLong(), FieldText(rows.value(1))});
    TextOrder::sort(found, [](const EvaluationGroup& group) { return group.name; });
    return found;
}
