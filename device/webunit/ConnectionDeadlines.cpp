#include "ConnectionDeadlines.h"

#include <sys/socket.h>

namespace {

// How late past its deadline a connection may be shut down.
constexpr std::chrono::milliseconds Tick(200);

} // namespace

ConnectionDeadlines::ConnectionDeadlines() : m_thread([this] { watch(); }) {}

ConnectionDeadlines::~ConnectionDeadlines() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void ConnectionDeadlines::opened(const void* connection, int socket, std::chrono::seconds within) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_entries[connection] = {socket, Clock::now() + within, true};
}

void ConnectionDeadlines::expect(const void* connection, std::chrono::seconds within) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto entry = m_entries.find(connection);
    if (entry == m_entries.end())
        return;
    entry->second.deadline = Clock::now() + within;
    entry->second.due = true;
}

void ConnectionDeadlines::answering(const void* connection) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto entry = m_entries.find(connection);
    if (entry != m_entries.end())
        entry->second.due = false;
}

void ConnectionDeadlines::closed(const void* connection) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.erase(connection);
}

void ConnectionDeadlines::watch() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        m_wake.wait_for(lock, Tick);
        const Clock::time_point now = Clock::now();
        for (auto& [connection, entry] : m_entries) {
            if (!entry.due || entry.deadline > now)
                continue;
            // The server sees the end of the stream and closes the connection itself; until it
            // has, the socket stays its own, so this cannot touch another connection's.
            ::shutdown(entry.socket, SHUT_RDWR);
            entry.due = false;
        }
    }
}
