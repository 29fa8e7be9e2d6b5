#include "TemplateNames.h"

#include "FieldText.h"
#include "TextOrder.h"

QList<TemplateName> templatesByName(const Database& database) {
    QSqlQuery rows = database.query(QStringLiteral("SELECT TemplateKey, Name FROM Template ORDER BY TemplateKey"));
    QList<TemplateName> found;
    while (rows.next())
        found.append({rows.value(0).toLongLong(), FieldText(rows.value(1))});
    TextOrder::sort(found, [](const TemplateName& entry) { return entry.name; });
    return found;
}
