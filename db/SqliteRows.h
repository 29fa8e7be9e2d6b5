#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariantList>

class Database;
class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

// SQLite's own handle of a connection Qt's driver opened; null on another driver.
sqlite3* sqliteHandle(const QSqlDatabase& connection);

// A query run on a SQLite catalog's own connection, read a row at a time without QSqlQuery,
// which makes a QVariant of every value: at a million rows that costs more than the engine's
// own work. For reads of a million rows; values bound are whole numbers or text.
class SqliteRows {
public:
    SqliteRows(const Database& database, const QString& sql, const QVariantList& values);
    ~SqliteRows();
    SqliteRows(const SqliteRows&) = delete;
    SqliteRows& operator=(const SqliteRows&) = delete;

    // The next row; false after the last. A failure of the engine throws.
    bool next();
    qint64 integer(int column) const;
    // A text column's UTF-8 bytes, valid until the next row; empty for NULL.
    QByteArrayView text(int column) const;
    bool isText(int column) const;
    bool isNull(int column) const;
    // The value as FieldText gives a QSqlQuery value: text, a whole number's digits, or empty.
    QString fieldText(int column) const;
    // Any column as QSqlQuery would give it: for the odd value that is not text.
    QVariant value(int column) const;

private:
    [[noreturn]] void fail() const;

    sqlite3_stmt* m_statement = nullptr;
};
