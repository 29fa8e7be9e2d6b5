#pragma once

#include "Database.h"

#include <QString>

// Whole templates: creating one with its group field, and deleting one with everything it
// holds when no evaluation uses it; and the question before a row of one is deleted.
namespace TemplateRows {

// The length of Template.Name.
constexpr int NameLength = 50;
inline const QString GroupFieldLabel = QStringLiteral("Group");
inline const QString FirstGroupValue = QStringLiteral("New Entry");
inline const QString GoneMessage =
    QStringLiteral("This template was deleted on another PC; the change to its name was not saved.");

// Adds a template with its group field "Group" (Dropdown, length 20, hand held only, forced,
// order 1) holding the value "New Entry", all in one transaction. Returns the template's key.
qint64 addTemplate(const Database& database, const QString& name);

// The refusal when evaluations use the template, or empty text when it may be deleted.
QString deletionRefusal(int evaluations);
// Deletes the template with its fields, values, file-name fields, questions, answers,
// pick-list entries and report columns in one transaction, unless evaluations use it:
// then it says how many and deletes nothing. True when the template was deleted.
bool deleteTemplate(const Database& database, qint64 templateKey);

// Asks "Delete NAME WHAT?" under "Delete Verification", NAME being a grid's stored value;
// true when the user answers Yes.
bool confirmDeletion(const QVariant& name, const QString& what);
// The question before an answer, a pick-list entry or a file-name field goes: "Delete NAME
// record?" under "Deletion Verification", without an icon.
bool confirmEntryDeletion(const QVariant& name);

} // namespace TemplateRows
