#include "AddEvaluation.h"

#include "Database.h"
#include "EvaluationEditor.h"
#include "EvaluationFormReader.h"
#include "Prompter.h"
#include "TemplateNames.h"

namespace {

// A new evaluation must be saved with a group value, so its template needs a group field
// the editor shows as a list, with values to choose from. The editor's group field is the
// last field marked as one.
bool hasGroupValues(const EvaluationForm& form) {
    const EvaluationForm::Field* group = nullptr;
    for (const EvaluationForm::Field& field : form.fields) {
        if (field.group)
            group = &field;
    }
    return group && group->type == FieldType::Dropdown && !group->values.isEmpty();
}

} // namespace

QString AddEvaluation::helpText(const QString& controlName) {
    if (controlName == QLatin1String("cmbTemplate"))
        return QStringLiteral("Select template for new evaluation");
    if (controlName == QLatin1String("cmdAdd"))
        return QStringLiteral("Press to add evaluation");
    if (controlName == QLatin1String("cmdCancel"))
        return QStringLiteral("Press to cancel evaluation");
    return QString();
}

void AddEvaluation::load() {
    m_templates.clear();
    for (const TemplateName& entry : templatesByName(m_database))
        m_templates.append({entry.key, entry.name});
    m_chosen = m_templates.isEmpty() ? -1 : 0;
}

bool AddEvaluation::activate() {
    if (!m_templates.isEmpty())
        return true;
    programPrompter().inform(QStringLiteral("No templates defined."), QStringLiteral("Program Error"),
                             PromptIcon::Critical);
    return false;
}

void AddEvaluation::choose(int index) {
    m_chosen = index >= 0 && index < m_templates.size() ? index : -1;
}

bool AddEvaluation::Add(EvaluationEditor& editor) {
    if (m_chosen < 0)
        return false;
    const Template& chosen = m_templates.at(m_chosen);
    if (!hasGroupValues(EvaluationFormReader::read(m_database, chosen.key, 0, true))) {
        programPrompter().inform(
            QStringLiteral("No evaluation can be made from the template \"%1\": it has no dropdown group field with "
                           "values to choose from. Give it one in the template window first.")
                .arg(chosen.name),
            QStringLiteral("Add Evaluation"), PromptIcon::Critical);
        return false;
    }
    editor.setEvaluationTemplateKey(chosen.key);
    editor.setNewEvaluation(true);
    editor.BuildEvaluation();
    return true;
}
