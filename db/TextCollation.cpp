#include "TextCollation.h"

#include "Database.h"
#include "KestrivoError.h"
#include "SqliteRows.h"
#include "TextOrder.h"

#include <sqlite3.h>

namespace TextCollation {

namespace {

int collate(void*, int leftLength, const void* left, int rightLength, const void* right) {
    return compareUtf8(leftLength, left, rightLength, right);
}

char16_t folded(unsigned char ascii) {
    return ascii >= 'A' && ascii <= 'Z' ? char16_t(ascii + ('a' - 'A')) : char16_t(ascii);
}

} // namespace

// Names are ASCII nearly always: those are compared here byte by byte, exactly as TextOrder
// compares them (ASCII letters fold to lower case, one UTF-16 unit each); anything else goes
// through TextOrder itself.
int compareUtf8(int leftLength, const void* left, int rightLength, const void* right) {
    const auto* a = static_cast<const unsigned char*>(left);
    const auto* b = static_cast<const unsigned char*>(right);
    const int common = std::min(leftLength, rightLength);
    int exact = 0;
    for (int i = 0; i < common; ++i) {
        if ((a[i] | b[i]) & 0x80) {
            return TextOrder::compare(QString::fromUtf8(reinterpret_cast<const char*>(a), leftLength),
                                      QString::fromUtf8(reinterpret_cast<const char*>(b), rightLength));
        }
        if (a[i] == b[i])
            continue;
        const char16_t x = folded(a[i]);
        const char16_t y = folded(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
        if (exact == 0)
            exact = a[i] < b[i] ? -1 : 1;
    }
    if (leftLength != rightLength)
        return leftLength < rightLength ? -1 : 1;
    return exact;
}

void install(const QSqlDatabase& connection) {
    sqlite3* database = sqliteHandle(connection);
    if (!database || sqlite3_create_collation_v2(database, Name.toLatin1().constData(), SQLITE_UTF8, nullptr, collate,
                                                 nullptr) != SQLITE_OK)
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("The SQLite connection cannot sort names: collation %1 not set").arg(Name));
}

QString orderBy(const Database& database, const QString& column) {
    if (database.engine() == DatabaseEngine::SQLite)
        return column + QStringLiteral(" COLLATE ") + Name;
    // lower() folds by the collation it is given: the catalog's own where its character type is
    // a UTF-8 locale (the quickest), else ICU's where the server has it; a catalog with
    // neither folds the ASCII letters alone.
    const QString fold =
        database
            .scalar(QStringLiteral(
                "SELECT CASE WHEN current_setting('server_encoding')<>'UTF8' THEN 'lower(%1)' WHEN "
                "current_setting('lc_ctype') NOT IN ('C', 'POSIX') THEN 'lower(%1)' WHEN EXISTS (SELECT 1 FROM "
                "pg_collation WHERE collname='und-x-icu') THEN 'lower(%1 COLLATE \"und-x-icu\")' ELSE 'lower(%1)' "
                "END"))
            .toString();
    return fold.arg(column) + QStringLiteral(" COLLATE \"C\", ") + column + QStringLiteral(" COLLATE \"C\"");
}

} // namespace TextCollation
