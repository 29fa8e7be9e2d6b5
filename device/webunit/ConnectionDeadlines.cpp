#include "ConnectionDeadlines.h"

#include <algorithm>
#include <sys/socket.h>

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
    const Clock::time_point deadline = Clock::now() + within;
    m_entries[connection] = {socket, deadline, true};
    wakeBefore(deadline);
}

void ConnectionDeadlines::expect(const void* connection, std::chrono::seconds within) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto entry = m_entries.find(connection);
    if (entry == m_entries.end())
        return;
    entry->second.deadline = Clock::now() + within;
    entry->second.due = true;
    wakeBefore(entry->second.deadline);
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

void ConnectionDeadlines::wakeBefore(Clock::time_point deadline) {
    if (deadline >= m_nextWake)
        return;
    m_nextWake = deadline;
    m_wake.notify_one();
}

// Sleeps until the earliest deadline, or until there is one: no connection owing anything costs
// no wake-up.
void ConnectionDeadlines::watch() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        const Clock::time_point now = Clock::now();
        m_nextWake = Clock::time_point::max();
        for (auto& [connection, entry] : m_entries) {
            if (!entry.due)
                continue;
            if (entry.deadline > now) {
                m_nextWake = std::min(m_nextWake, entry.deadline);
                continue;
            }
            // The server sees the end of the stream and closes the connection itself; until it
            // has, the socket stays its own, so this cannot touch another connection's.
            ::shutdown(entry.socket, SHUT_RDWR);
            entry.due = false;
        }
        if (m_nextWake == Clock::time_point::max())
            m_wake.wait(lock);
        else
            m_wake.wait_until(lock, m_nextWake);
    }
}
