#pragma once

#include <QString>

class Database;

// Who may do what on a PostgreSQL catalog, with the server's own roles and GRANTs: a reader
// reads (reports, lists, history), an entry role also adds, changes and deletes evaluations,
// a designer also changes templates, report columns and the company settings. Only the
// catalog's owner changes or removes history. A file catalog has no roles: the file's
// permissions protect it.
namespace CatalogRights {

enum class Level { Reader, Entry, Designer };

inline const QString ReaderRefusal = QStringLiteral("This catalog lets you only read: ask its owner for entry rights.");
inline const QString EntryRefusal = QStringLiteral(
    "This catalog lets you read and enter evaluations but not design: ask its owner for designer rights.");
inline const QString NoAccessRefusal =
    QStringLiteral("This catalog does not let you in: ask its owner to grant you rights to it.");
inline const QString UpgradeRefusal =
    QStringLiteral("This catalog was made by an earlier version of Kestrivo: its owner must open it once with this "
                   "version before anyone else can.");
inline const QString HistoryRefusal = QStringLiteral("Only the owner of the catalog may change or remove its history.");
inline const QString OwnerRefusal = QStringLiteral("Only the owner of the catalog may give rights to it.");
inline const QString FileCatalogRefusal =
    QStringLiteral("A file catalog has no roles: it is protected by the permissions of its file.");

// The sentence for a refusal of the server (SQLSTATE 42501), from the table it names.
QString refusal(const QString& serverText);

// Gives the role exactly the rights of the level on the catalog's tables, taking back any
// others. Throws KestrivoError (NoRights when this user may not grant them).
void grant(const Database& database, const QString& role, Level level);
// Takes back every right of the role on the catalog's tables. Throws KestrivoError.
void revoke(const Database& database, const QString& role);

} // namespace CatalogRights
