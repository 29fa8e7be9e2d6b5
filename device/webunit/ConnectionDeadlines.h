#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>

// The time by which each open connection must have sent what it owes: its request's head, or its
// body. A connection past its time is shut down, so that a device trickling a header line every
// few seconds cannot hold the server's connections for ever. A connection that is being answered
// has no deadline (the server's idle timeout covers a reader that stops reading).
class ConnectionDeadlines {
public:
    using Clock = std::chrono::steady_clock;

    ConnectionDeadlines();
    ~ConnectionDeadlines();
    ConnectionDeadlines(const ConnectionDeadlines&) = delete;
    ConnectionDeadlines& operator=(const ConnectionDeadlines&) = delete;

    void opened(const void* connection, int socket, std::chrono::seconds within);
    // A new deadline from now on.
    void expect(const void* connection, std::chrono::seconds within);
    void answering(const void* connection);
    // Called before the connection's socket is closed, so that a shutdown never reaches a socket
    // that already belongs to another connection.
    void closed(const void* connection);

private:
    struct Entry {
        int socket = -1;
        Clock::time_point deadline;
        bool due = true;
    };

    void watch();
    // Wakes the watcher when the deadline comes before the one it sleeps until; m_mutex held.
    void wakeBefore(Clock::time_point deadline);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::unordered_map<const void*, Entry> m_entries;
    Clock::time_point m_nextWake = Clock::time_point::min();
    bool m_stopping = false;
    std::thread m_thread;
};
