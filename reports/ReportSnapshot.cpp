#include "ReportSnapshot.h"

#include "Database.h"
#include "KestrivoError.h"

#include <QRegularExpression>
#include <QSqlError>

namespace {

const QString ReadOnly = QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");

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
    if (m_database.engine() != DatabaseEngine::PostgreSQL || !m_open)
        return nullptr;
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

void ReportSnapshot::end() {
    if (!m_open)
        return;
    m_open = false;
    m_database.handle().rollback();
}
