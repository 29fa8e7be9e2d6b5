#include "AddColumnField.h"

#include "Prompter.h"
#include "ReportColumnFields.h"

AddColumnField::AddColumnField(const Database& database, qint64 templateKey, qint64 reportDefinitionKey)
    : m_database(database), m_templateKey(templateKey), m_reportDefinitionKey(reportDefinitionKey) {}

void AddColumnField::activate() {
    m_cancelled = false;
    m_fields = ReportColumnFields::candidates(m_database, m_templateKey);
}

bool AddColumnField::add(int fieldIndex) {
    if (fieldIndex < 0 || fieldIndex >= m_fields.size()) {
        programPrompter().inform(QStringLiteral("Valid field must be entered!"), QStringLiteral("Error"),
                                 PromptIcon::Critical);
        return false;
    }
    ReportColumnFields::add(m_database, m_reportDefinitionKey, m_templateKey, m_fields.at(fieldIndex).key);
    return true;
}
