#include "TemplateCatalog.h"

#include "Database.h"
#include "TextOrder.h"

#include <QStringList>

namespace TemplateCatalog {

QList<Entry> list(const Database& database) {
    QList<Entry> entries;
    QSqlQuery rows = database.query(QStringLiteral(
        "SELECT TemplateKey, Name, (SELECT COUNT(*) FROM TemplateField WHERE TemplateField.TemplateKey = "
        "Template.TemplateKey AND Deleted=0), (SELECT COUNT(*) FROM TemplateQuestion WHERE "
        "TemplateQuestion.TemplateKey = Template.TemplateKey AND Deleted=0) FROM Template ORDER BY TemplateKey"));
    while (rows.next())
        entries.append(
            {rows.value(0).toLongLong(), rows.value(1).toString(), rows.value(2).toInt(), rows.value(3).toInt()});
    TextOrder::sort(entries, [](const Entry& entry) { return entry.name; });
    return entries;
}

QList<qint64> named(const Database& database, const QString& name) {
    QList<qint64> keys;
    QSqlQuery rows =
        database.query(QStringLiteral("SELECT TemplateKey FROM Template WHERE Name=? ORDER BY TemplateKey"), {name});
    while (rows.next())
        keys << rows.value(0).toLongLong();
    return keys;
}

Match find(const Database& database, const QString& given) {
    bool isKey = false;
    const qint64 key = given.toLongLong(&isKey);
    if (isKey) {
        const QVariant name = database.scalar(QStringLiteral("SELECT Name FROM Template WHERE TemplateKey=?"), {key});
        if (name.isValid())
            return {key, name.toString(), QString()};
    }
    const QList<qint64> keys = named(database, given);
    if (keys.size() == 1)
        return {keys.first(), given, QString()};
    if (keys.isEmpty())
        return {0, QString(), QStringLiteral("no template has the name or key %1").arg(given)};
    QStringList shown;
    for (qint64 each : keys)
        shown << QString::number(each);
    return {0, QString(),
            QStringLiteral("%1 templates are named %2 (keys %3); give the key instead")
                .arg(keys.size())
                .arg(given, shown.join(QStringLiteral(", ")))};
}

} // namespace TemplateCatalog
