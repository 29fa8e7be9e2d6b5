#pragma once

#include <QString>

class Database;
class QSqlDatabase;

// The program's one alphabetical order (TextOrder) inside the database engine, so that a list
// of a hundred thousand entries is sorted where its rows are and read a page at a time.
namespace TextCollation {

// SQLite's name of the order; PostgreSQL needs no collation of its own.
inline const QString Name = QStringLiteral("TextOrder");

// Gives an SQLite connection the collation Name. Throws KestrivoError when it cannot.
void install(const QSqlDatabase& connection);
// The ORDER BY terms that sort column as TextOrder does on the database's engine. On
// PostgreSQL: case-blind by the whole of Unicode in a UTF-8 catalog (by its locale, or by
// ICU where its locale is C), else by the ASCII letters; ties in the exact text's code
// point order.
QString orderBy(const Database& database, const QString& column);
// The collation itself, on UTF-8 text of the given byte lengths.
int compareUtf8(int leftLength, const void* left, int rightLength, const void* right);

} // namespace TextCollation
