#include "WholeFileInsertThread.h"

WholeFileInsertThread::WholeFileInsertThread(const Database& database)
    : m_database(database), m_thread([this] { work(); }) {}

WholeFileInsertThread::~WholeFileInsertThread() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void WholeFileInsertThread::start(const QList<WholeFileInsert::File>& files) {
    {
        const std::lock_guard lock(m_mutex);
        m_files = files;
        m_result.reset();
    }
    m_started = true;
    m_changed.notify_all();
}

WholeFileInsertThread::Result WholeFileInsertThread::finish() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_result.has_value(); });
    m_started = false;
    return *std::exchange(m_result, std::nullopt);
}

WholeFileInsertThread::Result WholeFileInsertThread::write(std::optional<Database>& connection,
                                                           std::optional<WholeFileInsert>& insert,
                                                           const QList<WholeFileInsert::File>& files) {
    Result result;
    try {
        // The connection is opened with the first batch, in this thread, which it belongs to.
        if (!connection) {
            connection = m_database.openAnother(
                QStringLiteral("WholeFileInsertThread%1").arg(reinterpret_cast<quintptr>(this), 0, 16));
            insert.emplace(*connection);
        }
        result.added = insert->add(files);
    } catch (const KestrivoError& error) {
        result.error = error;
        result.connectionLost = !connection || !connection->isOpen();
        // A statement prepared on a connection that was replaced is prepared again.
        if (insert)
            insert->clear();
    }
    return result;
}

void WholeFileInsertThread::work() {
    std::optional<Database> connection;
    std::optional<WholeFileInsert> insert;
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stopping || m_files.has_value(); });
        if (!m_files)
            break;
        const QList<WholeFileInsert::File> files = *std::exchange(m_files, std::nullopt);
        lock.unlock();
        Result result = write(connection, insert, files);
        lock.lock();
        m_result = std::move(result);
        lock.unlock();
        m_changed.notify_all();
    }
    insert.reset();
    if (connection)
        connection->close();
}
