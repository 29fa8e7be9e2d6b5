#include "Savepoint.h"

#include "Database.h"
#include "KestrivoError.h"

namespace {
const QString Name = QStringLiteral("kestrivo_step");
}

Savepoint::Savepoint(const Database& database) : m_database(database) {
    m_database.execute(QStringLiteral("SAVEPOINT ") + Name);
    m_open = true;
}

Savepoint::~Savepoint() {
    if (!m_open)
        return;
    try {
        m_database.execute(QStringLiteral("ROLLBACK TO SAVEPOINT ") + Name);
        m_database.execute(QStringLiteral("RELEASE SAVEPOINT ") + Name);
    } catch (const KestrivoError&) {
        // The connection is gone, and the transaction with it: the caller's commit says so.
    }
}

void Savepoint::release() {
    m_database.execute(QStringLiteral("RELEASE SAVEPOINT ") + Name);
    m_open = false;
}
