#include "ConnectionThread.h"

ConnectionThread::ConnectionThread(const Database& database, Job opened, Job closing)
    : m_database(database), m_opened(std::move(opened)), m_closing(std::move(closing)), m_thread([this] { work(); }) {}

ConnectionThread::~ConnectionThread() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void ConnectionThread::start(Job job) {
    {
        const std::lock_guard lock(m_mutex);
        m_job = std::move(job);
        m_done = false;
        m_error = nullptr;
    }
    m_started = true;
    m_changed.notify_all();
}

void ConnectionThread::finish() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done; });
    m_started = false;
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
}

void ConnectionThread::run(std::optional<Database>& connection, const Job& job) {
    if (!connection) {
        // Opened in place: what the hook makes may keep a reference to the connection.
        connection.emplace(
            m_database.openAnother(QStringLiteral("ConnectionThread%1").arg(reinterpret_cast<quintptr>(this), 0, 16)));
        try {
            if (m_opened)
                m_opened(*connection);
        } catch (...) {
            connection->close();
            connection.reset();
            throw;
        }
    }
    job(*connection);
}

void ConnectionThread::work() {
    std::optional<Database> connection;
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stopping || m_job.has_value(); });
        if (!m_job)
            break;
        const Job job = *std::exchange(m_job, std::nullopt);
        lock.unlock();
        std::exception_ptr error;
        try {
            run(connection, job);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        m_error = error;
        m_done = true;
        lock.unlock();
        m_changed.notify_all();
    }
    if (!connection)
        return;
    if (m_closing) {
        try {
            m_closing(*connection);
        } catch (...) {
            // Nothing is left to tell: the connection goes anyway.
        }
    }
    connection->close();
}
