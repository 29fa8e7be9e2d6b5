#include "WholeFileInsertThread.h"

WholeFileInsertThread::WholeFileInsertThread(const Database& database)
    : m_thread(
          database, [this](const Database& connection) { m_insert.emplace(connection); },
          [this](const Database&) { m_insert.reset(); }) {}

void WholeFileInsertThread::start(const QList<WholeFileInsert::File>& files) {
    m_result = {};
    m_thread.start([this, files](const Database& connection) {
        try {
            m_result.added = m_insert->add(files);
        } catch (const KestrivoError& error) {
            m_result.error = error;
            m_result.connectionLost = !connection.isOpen();
            // A statement prepared on a connection that was replaced is prepared again.
            m_insert->clear();
        }
    });
}

WholeFileInsertThread::Result WholeFileInsertThread::finish() {
    try {
        m_thread.finish();
    } catch (const KestrivoError& error) {
        // The thread could not connect.
        m_result.error = error;
        m_result.connectionLost = true;
    }
    return std::exchange(m_result, {});
}
