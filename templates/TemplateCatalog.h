#pragma once

#include <QList>
#include <QString>

class Database;

// The templates of a database as commands name them: by key, or by a name only one of
// them carries (two templates may share a name).
namespace TemplateCatalog {

struct Entry {
    qint64 key = 0;
    QString name;
    int fields = 0;    // live entry fields, report-only ones included
    int questions = 0; // live questions
};

// Every template, by name.
QList<Entry> list(const Database& database);

// The keys of the templates of exactly that name, in ascending order.
QList<qint64> named(const Database& database, const QString& name);

struct Match {
    qint64 key = 0; // 0 when none or several match
    QString name;
    QString refusal; // why there is no key
};

// A whole number that is a template's key names that template; anything else is a name.
Match find(const Database& database, const QString& given);

} // namespace TemplateCatalog
