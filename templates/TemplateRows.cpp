#include "TemplateRows.h"

#include "FieldText.h"
#include "FieldType.h"
#include "Prompter.h"

namespace TemplateRows {

qint64 addTemplate(const Database& database, const QString& name) {
    Transaction transaction(database);
    const qint64 templateKey = database.insert(QStringLiteral("Template"), {QStringLiteral("Name")}, {name});
    const qint64 fieldKey =
        database.insert(QStringLiteral("TemplateField"),
                        {QStringLiteral("TemplateKey"), QStringLiteral("FieldLabel"), QStringLiteral("FieldType"),
                         QStringLiteral("FieldLength"), QStringLiteral("UseOn"), QStringLiteral("ForceEntry"),
                         QStringLiteral("Sequence"), QStringLiteral("GroupField")},
                        {templateKey, GroupFieldLabel, int(FieldType::Dropdown), 20, QStringLiteral("H"), -1, 1, -1});
    database.insert(QStringLiteral("TemplateFieldValue"),
                    {QStringLiteral("TemplateFieldKey"), QStringLiteral("FieldValue")}, {fieldKey, FirstGroupValue});
    transaction.commit();
    return templateKey;
}

QString deletionRefusal(int evaluations) {
    if (evaluations <= 0)
        return QString();
    return evaluations == 1
               ? QStringLiteral("This template cannot be deleted: 1 evaluation uses it. Delete that evaluation "
                                "first, or keep the template.")
               : QStringLiteral("This template cannot be deleted: %1 evaluations use it. Delete those evaluations "
                                "first, or keep the template.")
                     .arg(evaluations);
}

bool deleteTemplate(const Database& database, qint64 templateKey) {
    QString refusal;
    {
        Transaction transaction(database);
        // Counted inside the transaction: an evaluation another PC adds at this moment makes
        // the delete fail on its foreign key instead of leaving the evaluation without a template.
        const int evaluations =
            database.scalar(QStringLiteral("SELECT COUNT(*) FROM Evaluation WHERE TemplateKey=?"), {templateKey})
                .toInt();
        refusal = deletionRefusal(evaluations);
        if (refusal.isEmpty()) {
            // The template's rows go with it through the schema's cascades.
            database.execute(QStringLiteral("DELETE FROM Template WHERE TemplateKey=?"), {templateKey});
            transaction.commit();
            return true;
        }
    }
    programPrompter().inform(refusal, QStringLiteral("Delete Verification"), PromptIcon::Critical);
    return false;
}

bool confirmDeletion(const QVariant& name, const QString& what) {
    return programPrompter().confirm(QStringLiteral("Delete ") + FieldText(name) + QLatin1Char(' ') + what +
                                         QLatin1Char('?'),
                                     QStringLiteral("Delete Verification"));
}

bool confirmEntryDeletion(const QVariant& name) {
    const Prompt question{QStringLiteral("Delete ") + FieldText(name) + QStringLiteral(" record?"),
                          QStringLiteral("Deletion Verification"), PromptIcon::None, PromptButtons::YesNo,
                          PromptAnswer::Yes};
    return programPrompter().ask(question) == PromptAnswer::Yes;
}

} // namespace TemplateRows
