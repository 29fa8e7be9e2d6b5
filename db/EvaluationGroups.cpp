#include "EvaluationGroups.h"

#include "FieldText.h"
#include "TextOrder.h"

QList<EvaluationGroup> usedEvaluationGroups(const Database& database, qint64 templateKey) {
    // Each of the template's few groups is looked up in the evaluations' group index, rather
    // than every evaluation of the template read and the groups picked out of them.
    QSqlQuery rows = database.query(
        QStringLiteral("SELECT TemplateFieldValue.TemplateFieldValueKey, TemplateFieldValue.FieldValue FROM "
                       "TemplateFieldValue INNER JOIN TemplateField ON TemplateField.TemplateFieldKey = "
                       "TemplateFieldValue.TemplateFieldKey WHERE TemplateField.TemplateKey=? AND EXISTS (SELECT 1 "
                       "FROM Evaluation WHERE Evaluation.EvaluationGroupKey = "
                       "TemplateFieldValue.TemplateFieldValueKey) ORDER BY TemplateFieldValue.TemplateFieldValueKey"),
        {templateKey});
    QList<EvaluationGroup> found;
    while (rows.next())
        found.append({rows.value(0).toLongLong(), FieldText(rows.value(1))});
    TextOrder::sort(found, [](const EvaluationGroup& group) { return group.name; });
    return found;
}
