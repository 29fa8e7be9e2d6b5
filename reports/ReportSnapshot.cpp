#include "ReportSnapshot.h"

#include "ConnectionCloser.h"
#include "Database.h"
#include "KestrivoError.h"
#include "SqliteRows.h"

#include <QRegularExpression>
#include <QSqlError>
#include <optional>
#include <sqlite3.h>

namespace {

const QString ReadOnly = QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");

// Any read begins a SQLite connection's snapshot: the catalog's first page is always there.
const QString FirstRead = QStringLiteral("SELECT COUNT(*) FROM sqlite_master");

bool inState(const Database& database, int state) {
    sqlite3* handle = sqliteHandle(database.handle());
    return handle && sqlite3_txn_state(handle, "main") == state;
}

KestrivoError cannotBegin(const QSqlDatabase& handle) {
    return KestrivoError(
        ErrorNumber::Database,
        QStringLiteral("The report cannot begin reading: %1").arg(handle.lastError().text().trimmed()));
}

} // namespace

ReportSnapshot::ReportSnapshot(const Database& database) : m_database(database) {
    if (!m_database.handle().transaction())
        throw cannotBegin(m_database.handle());
    m_open = true;
    if (m_database.engine() == DatabaseEngine::PostgreSQL) {
        try {
            m_database.execute(ReadOnly);
        } catch (...) {
            end();
            throw;
        }
    }
}

ReportSnapshot::~ReportSnapshot() {
    end();
}

std::unique_ptr<ConnectionThread> ReportSnapshot::secondReader(ConnectionThread::Job opened,
                                                               ConnectionThread::Job closing) {
    if (!m_open)
        return nullptr;
    if (m_database.engine() == DatabaseEngine::SQLite)
        return sqliteSecondReader(std::move(opened), std::move(closing));
    if (m_exported.isEmpty()) {
        m_exported = m_database.scalar(QStringLiteral("SELECT pg_export_snapshot()")).toString();
        // SET TRANSACTION SNAPSHOT takes no bound value; the name the server gave is checked
        // to be the digits and dashes it always is before it goes into the statement.
        static const QRegularExpression name(QStringLiteral("^[0-9A-Fa-f-]+$"));
        if (!name.match(m_exported).hasMatch())
            throw KestrivoError(ErrorNumber::Database,
                                QStringLiteral("The server named the report's snapshot %1.").arg(m_exported));
    }
    const QString exported = m_exported;
    return std::make_unique<ConnectionThread>(
        m_database,
        [exported, opened](const Database& connection) {
            if (!connection.handle().transaction())
                throw cannotBegin(connection.handle());
            connection.execute(ReadOnly);
            connection.execute(QStringLiteral("SET TRANSACTION SNAPSHOT '%1'").arg(exported));
            if (opened)
                opened(connection);
        },
        std::move(closing));
}

// SQLite cannot hand a snapshot to another connection, but two connections that begin reading
// while no one can commit read the same one: a third holds the catalog's write lock meanwhile,
// for as long as the two take to begin. There is none when the report began reading alone, the
// lock cannot be had within the busy timeout (a catalog opened read-only, a long write
// elsewhere) or the second connection cannot begin: the report reads on its one connection.
std::unique_ptr<ConnectionThread> ReportSnapshot::sqliteSecondReader(ConnectionThread::Job opened,
                                                                     ConnectionThread::Job closing) {
    if (!inState(m_database, SQLITE_TXN_NONE))
        return nullptr;
    std::optional<Database> lock;
    try {
        lock.emplace(m_database.openAnother(
            QStringLiteral("ReportSnapshotLock%1").arg(reinterpret_cast<quintptr>(this), 0, 16)));
    } catch (const KestrivoError&) {
        return nullptr;
    }
    // Closing the third connection gives the lock up, whichever way this returns.
    const ConnectionCloser closer(*lock);
    std::unique_ptr<ConnectionThread> second;
    try {
        // On a connection opened read-only BEGIN IMMEDIATE succeeds without taking the lock.
        lock->execute(QStringLiteral("BEGIN IMMEDIATE"));
        if (!inState(*lock, SQLITE_TXN_WRITE))
            return nullptr;
        m_database.scalar(FirstRead);
        second = std::make_unique<ConnectionThread>(
            m_database,
            [opened](const Database& connection) {
                if (!connection.handle().transaction())
                    throw cannotBegin(connection.handle());
                connection.scalar(FirstRead);
                if (!inState(connection, SQLITE_TXN_READ))
                    throw KestrivoError(ErrorNumber::Database,
                                        QStringLiteral("The report's second connection cannot begin reading."));
                if (opened)
                    opened(connection);
            },
            std::move(closing));
        second->start([](const Database&) {});
        second->finish();
    } catch (const KestrivoError&) {
        // Whatever failed, the report's own connection reads on alone, or tells why it cannot.
        return nullptr;
    }
    return inState(m_database, SQLITE_TXN_READ) ? std::move(second) : nullptr;
}

void ReportSnapshot::end() {
    if (!m_open)
        return;
    m_open = false;
    m_database.handle().rollback();
}
