#pragma once

#include "ConnectionString.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

// The one way the program reaches its evaluation database: every value and key is bound,
// never spliced into the SQL text, and every failure becomes a KestrivoError.
//
// A database server may go away under a running program. The statement that finds the
// connection gone fails with a KestrivoError like any other; the next statement outside a
// transaction connects again, so no window or command needs code of its own for it. A
// statement is never repeated on the new connection, and inside a transaction that the lost
// connection took with it every statement fails until the transaction has ended.
class Database {
public:
    static inline const QString SharedConnectionName = QStringLiteral("cnnConnection");

    Database() = default;
    // Opens the database of the connection string under the given connection name, creating
    // the file or catalog and the schema when they do not exist yet. Throws KestrivoError
    // with the reason when the database cannot be used.
    static Database open(const QString& connectionString, const QString& connectionName = SharedConnectionName);
    // Opens a database that exists already, as it is: nothing is created, upgraded or written
    // by opening it, and an SQLite file is opened read-only. For reading a database that may
    // turn out not to be a catalog at all. Throws KestrivoError with the reason.
    static Database openExisting(const QString& connectionString, const QString& connectionName);

    // A connection of its own to the same database, for another thread: open it in the
    // thread that uses it, and close it there. Throws KestrivoError with the reason.
    Database openAnother(const QString& connectionName) const;

    bool isOpen() const;
    DatabaseEngine engine() const { return m_engine; }
    QSqlDatabase handle() const;
    const QString& connectionName() const { return m_connectionName; }

    // Runs one statement with its values bound in order to the "?" placeholders.
    QSqlQuery query(const QString& sql, const QVariantList& values = {}) const;
    // The same, for a statement whose rows are few enough to hold at once (those of a slice of
    // keys). Qt's PostgreSQL driver reads a query's rows one result object at a time, so that
    // memory stays flat however many there are; read whole, they cost the client a third less.
    QSqlQuery querySlice(const QString& sql, const QVariantList& values = {}) const;
    void execute(const QString& sql, const QVariantList& values = {}) const;
    // The first column of the first row; an invalid variant when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& values = {}) const;
    // Adds a row and returns the key the database gave it (the table's name + "Key").
    qint64 insert(const QString& table, const QStringList& columns, const QVariantList& values) const;

    // A statement prepared once and run many times with new values. It belongs to the
    // connection it was prepared on: after a failure, prepare it again.
    QSqlQuery prepare(const QString& sql) const;
    void run(QSqlQuery& statement, const QVariantList& values) const;

    // After a bulk write: PostgreSQL plans the next statements on statistics of the rows
    // written, not on none until its autovacuum next comes by (reports ran up to eight times
    // slower on a catalog just copied). SQLite keeps no statistics: its plans are written for that.
    // A failure is logged, not thrown: the rows are written by then.
    void refreshStatistics() const;

    void close();

private:
    friend class Transaction;
    // SQLite's driver would keep every row read for a step back: it reads forward only always.
    QSqlQuery query(const QString& sql, const QVariantList& values, bool forwardOnly) const;
    // What the copies of one open database share.
    struct Session {
        int openTransactions = 0;
    };

    Database(QString connectionName, DatabaseEngine engine, bool readOnly)
        : m_connectionName(std::move(connectionName)), m_engine(engine), m_readOnly(readOnly),
          m_session(std::make_shared<Session>()) {}
    static Database openConnection(const QString& connectionString, const QString& connectionName, bool existing);
    // The connection, opened again when the server dropped it; throws when that cannot be done.
    QSqlDatabase connected() const;
    void configureSession() const;
    bool connectionLost() const;
    [[noreturn]] void fail(const QSqlQuery& query) const;

    QString m_connectionName;
    DatabaseEngine m_engine = DatabaseEngine::SQLite;
    bool m_readOnly = false;
    std::shared_ptr<Session> m_session;
};

// A transaction that rolls back unless committed, so an exception leaves nothing half-written.
class Transaction {
public:
    enum Kind {
        Deferred,
        Writing // will read before it writes, and must see what it read still in place when it writes
    };
    explicit Transaction(const Database& database, Kind kind = Deferred);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    void finish();

    const Database& m_database;
    bool m_open = false;
};
