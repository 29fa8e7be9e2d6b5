#pragma once

#include "Database.h"

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Jobs on a connection of its own, in a thread of its own, one at a time. On a database
// server a statement runs in the server's process and the program only waits for it: handed
// to this thread, it runs while the program does something else. The connection is opened
// with the first job, in this thread, which it belongs to; when that fails, finish() throws
// the reason and the next job tries again.
class ConnectionThread {
public:
    using Job = std::function<void(const Database&)>;

    // opened runs on the connection before its first job, closing before it is closed: what a
    // job made on the connection (a prepared statement) must go before it.
    explicit ConnectionThread(const Database& database, Job opened = {}, Job closing = {});
    ~ConnectionThread();
    ConnectionThread(const ConnectionThread&) = delete;
    ConnectionThread& operator=(const ConnectionThread&) = delete;

    void start(Job job);
    bool busy() const { return m_started; }
    // Waits for the job that start() handed over, and throws what it threw.
    void finish();

private:
    void work();
    void run(std::optional<Database>& connection, const Job& job);

    const Database& m_database;
    const Job m_opened;
    const Job m_closing;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Job> m_job;
    bool m_done = false;
    std::exception_ptr m_error;
    bool m_started = false;
    bool m_stopping = false;
    std::thread m_thread;
};
