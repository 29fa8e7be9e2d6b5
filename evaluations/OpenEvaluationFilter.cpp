#include "OpenEvaluationFilter.h"

#include "Database.h"
#include "EntryRules.h"
#include "TemplateNames.h"

#include <utility>

OpenEvaluationFilter::OpenEvaluationFilter(const Database& database)
    : m_database(database), m_lines(EvaluationFileList::lineOf) {
    m_lines.setHeading(EvaluationFileList::headingLine());
}

QString OpenEvaluationFilter::helpText(const QString& controlName) {
    if (controlName == QLatin1String("cmbTemplate"))
        return QStringLiteral("Select template to filter list by");
    if (controlName == QLatin1String("cmbGroup"))
        return QStringLiteral("Select the group to filter file names by");
    if (controlName == QLatin1String("MskField0"))
        return QStringLiteral("Enter the begin download date to filter file names by");
    if (controlName == QLatin1String("MskField1"))
        return QStringLiteral("Enter the ending download date to filter file names by");
    if (controlName == QLatin1String("lstFileName"))
        return QStringLiteral("Select the file name to open");
    if (controlName == QLatin1String("cmdSelect"))
        return QStringLiteral("Press to add evaluation");
    if (controlName == QLatin1String("cmdCancel"))
        return QStringLiteral("Press to cancel evaluation");
    return QString();
}

void OpenEvaluationFilter::load() {
    m_cancelled = false;
    m_entered[Begin] = m_entered[Ending] = false;
    m_dates[Begin] = m_remembered[Begin] = EvaluationFileList::FirstBegin;
    m_dates[Ending] = m_remembered[Ending] = EvaluationFileList::FirstEnding;
    m_templates = {{0, QStringLiteral("All Templates")}};
    for (const TemplateName& entry : templatesByName(m_database))
        m_templates.append({entry.key, entry.name});
    m_chosenTemplate = -1;
    chooseTemplate(0);
}

void OpenEvaluationFilter::chooseTemplate(int index) {
    m_chosenTemplate = index >= 0 && index < m_templates.size() ? index : -1;
    RefreshGroupList();
    RefreshFileList();
}

void OpenEvaluationFilter::chooseGroup(int index) {
    m_chosenGroup = index >= 0 && index < m_groups.size() ? index : -1;
    RefreshFileList();
}

void OpenEvaluationFilter::enterDate(int field) {
    if (std::exchange(m_entered[field], true))
        return;
    m_remembered[field] = m_dates[field];
}

void OpenEvaluationFilter::editDate(int field, const QString& text) {
    m_dates[field] = text;
}

void OpenEvaluationFilter::leaveDate(int field) {
    if (!std::exchange(m_entered[field], false))
        return;
    if (!EntryRules::isDate(m_dates[field]))
        m_dates[field] = m_remembered[field];
    else if (m_dates[field] != m_remembered[field])
        RefreshFileList();
}

void OpenEvaluationFilter::RefreshGroupList() {
    const qint64 templateKey = m_chosenTemplate >= 0 ? m_templates.at(m_chosenTemplate).key : 0;
    m_groups = {{0, QStringLiteral("All Groups")}};
    m_groups += EvaluationFileList::groups(m_database, templateKey);
    m_chosenGroup = 0;
}

void OpenEvaluationFilter::RefreshFileList() {
    EvaluationFileList::Filter filter;
    filter.begin = dateOf(Begin);
    filter.end = dateOf(Ending);
    if (m_chosenGroup >= 0)
        filter.groupKey = m_groups.at(m_chosenGroup).key;
    if (m_chosenTemplate >= 0)
        filter.templateKey = m_templates.at(m_chosenTemplate).key;
    const EvaluationFileList::Statement statement =
        EvaluationFileList::evaluationsStatement(m_database, filter, QStringLiteral("Evaluation.EvaluationKey"));
    m_chosenLine = -1;
    m_lines.reset(m_database, statement.sql, statement.values);
}

// A date field that is being edited filters by the date it held when it got the focus.
QDate OpenEvaluationFilter::dateOf(int field) const {
    const std::optional<QDate> date = EntryRules::parseDate(m_dates[field]);
    return date ? *date : EntryRules::parseDate(m_remembered[field]).value_or(QDate());
}

void OpenEvaluationFilter::chooseLine(int index) {
    m_chosenLine = index >= 0 && index < m_lines.size() ? index : -1;
}

bool OpenEvaluationFilter::Select() {
    return m_chosenLine >= 1;
}

void OpenEvaluationFilter::unload() {
    if (m_chosenLine < 1)
        m_cancelled = true;
}

qint64 OpenEvaluationFilter::chosenEvaluation() const {
    return !m_cancelled && m_chosenLine >= 1 ? m_lines.key(m_chosenLine) : 0;
}
