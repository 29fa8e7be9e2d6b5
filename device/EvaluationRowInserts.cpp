#include "EvaluationRowInserts.h"

EvaluationRowInserts::EvaluationRowInserts(const Database& database)
    : fields(database, QStringLiteral("EvaluationField"),
             {QStringLiteral("EvaluationKey"), QStringLiteral("TemplateFieldKey"), QStringLiteral("EnteredValue"),
              QStringLiteral("TemplateFieldValueKey")},
             false),
      questions(database, QStringLiteral("EvaluationQuestion"),
                {QStringLiteral("EvaluationKey"), QStringLiteral("TemplateQuestionKey"), QStringLiteral("Answer"),
                 QStringLiteral("TBCCheck")},
                true),
      pickLists(database, QStringLiteral("EvaluationPickList"),
                {QStringLiteral("EvaluationQuestionKey"), QStringLiteral("TemplatePickListKey")}, false) {}

void EvaluationRowInserts::clear() {
    fields.clear();
    questions.clear();
    pickLists.clear();
}
