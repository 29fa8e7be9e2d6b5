#include "EvaluationGroups.h"

#include "FieldText.h"

QList<EvaluationGroup> usedEvaluationGroups(const Database& database, qint64 templateKey) {
    QSqlQuery rows = database.query(
        QStringLiteral("SELECT DISTINCT TemplateFieldValue.TemplateFieldValueKey, TemplateFieldValue.FieldValue FROM "
                       "Evaluation INNER JOIN TemplateFieldValue ON Evaluation.EvaluationGroupKey = "
                       "TemplateFieldValue.TemplateFieldValueKey INNER JOIN TemplateField ON "
                       "TemplateField.TemplateFieldKey = TemplateFieldValue.TemplateFieldKey WHERE "
                       "TemplateField.TemplateKey=? ORDER BY TemplateFieldValue.FieldValue, "
                       "TemplateFieldValue.TemplateFieldValueKey"),
        {templateKey});
    QList<EvaluationGroup> found;
    while (rows.next())
        found.append({rows.value(0).toLongLong(), FieldText(rows.value(1))});
    return found;
}
