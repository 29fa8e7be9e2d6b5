#include "ReportSnapshot.h"

#include "Database.h"
#include "KestrivoError.h"

#include <QSqlError>

ReportSnapshot::ReportSnapshot(const Database& database) : m_database(database) {
    if (!m_database.handle().transaction())
        throw KestrivoError(ErrorNumber::Database, QStringLiteral("The report cannot begin reading: %1")
                                                       .arg(m_database.handle().lastError().text().trimmed()));
    m_open = true;
    if (m_database.engine() == DatabaseEngine::PostgreSQL) {
        try {
            m_database.execute(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
        } catch (...) {
            end();
            throw;
        }
    }
}

ReportSnapshot::~ReportSnapshot() {
    end();
}

void ReportSnapshot::end() {
    if (!m_open)
        return;
    m_open = false;
    m_database.handle().rollback();
}
