#pragma once

#include <QString>

class Database;

// The sample template of the demo: every field type, a group field with three groups, two
// file-name fields, and twelve questions answered "1" to "5" with pick lists.
namespace DemoData {

inline const QString TemplateName = QStringLiteral("Demo Site Inspection");

// The key of the sample template, created first when the database does not hold it yet.
qint64 ensureTemplate(const Database& database);

} // namespace DemoData
