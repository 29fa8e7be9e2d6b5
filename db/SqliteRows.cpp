#include "SqliteRows.h"

#include "Database.h"
#include "FieldText.h"
#include "KestrivoError.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <sqlite3.h>

sqlite3* sqliteHandle(const QSqlDatabase& connection) {
    const QVariant handle = connection.driver()->handle();
    return handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
               ? *static_cast<sqlite3* const*>(handle.constData())
               : nullptr;
}

SqliteRows::SqliteRows(const Database& database, const QString& sql, const QVariantList& values) {
    sqlite3* connection = sqliteHandle(database.handle());
    if (!connection)
        throw KestrivoError(ErrorNumber::Database, QStringLiteral("The catalog is not open on SQLite"),
                            QStringLiteral("SQLite"));
    const auto refuse = [this, connection] {
        const QString reason = QString::fromUtf8(sqlite3_errmsg(connection));
        sqlite3_finalize(m_statement);
        throw KestrivoError(ErrorNumber::Database, reason, QStringLiteral("SQLite"));
    };
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(connection, text.constData(), int(text.size()), &m_statement, nullptr) != SQLITE_OK)
        refuse();
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& value = values.at(i);
        const QByteArray utf8 = value.typeId() == QMetaType::QString ? value.toString().toUtf8() : QByteArray();
        const int bound =
            value.typeId() == QMetaType::QString
                ? sqlite3_bind_text(m_statement, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT)
                : sqlite3_bind_int64(m_statement, i + 1, value.toLongLong());
        if (bound != SQLITE_OK)
            refuse();
    }
}

SqliteRows::~SqliteRows() {
    sqlite3_finalize(m_statement);
}

bool SqliteRows::next() {
    const int step = sqlite3_step(m_statement);
    if (step == SQLITE_ROW)
        return true;
    if (step != SQLITE_DONE)
        fail();
    return false;
}

qint64 SqliteRows::integer(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

QByteArrayView SqliteRows::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return bytes ? QByteArrayView(bytes, sqlite3_column_bytes(m_statement, column)) : QByteArrayView();
}

bool SqliteRows::isText(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_TEXT;
}

bool SqliteRows::isNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QString SqliteRows::fieldText(int column) const {
    return isText(column) ? QString::fromUtf8(text(column)) : FieldText(value(column));
}

QVariant SqliteRows::value(int column) const {
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qint64>(sqlite3_column_int64(m_statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_statement, column);
    case SQLITE_NULL:
        return {};
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_statement, column)),
                          sqlite3_column_bytes(m_statement, column));
    default:
        return QString::fromUtf8(text(column).toByteArray());
    }
}

void SqliteRows::fail() const {
    throw KestrivoError(ErrorNumber::Database, QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_statement))),
                        QStringLiteral("SQLite"));
}
