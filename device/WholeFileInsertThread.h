#pragma once

#include "Database.h"
#include "KestrivoError.h"
#include "WholeFileInsert.h"

#include <QList>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// WholeFileInsert::add on a connection of its own, in a thread of its own. On a database
// server the statement of a batch runs in the server's process: the program would only wait
// for it, so Add copies and reads the files of the next batch meanwhile. One batch at a time;
// the files must stay alive until finish() has returned.
class WholeFileInsertThread {
public:
    struct Result {
        QList<bool> added; // as WholeFileInsert::add gives it, when the batch went in
        std::optional<KestrivoError> error;
        bool connectionLost = false;
    };

    explicit WholeFileInsertThread(const Database& database);
    ~WholeFileInsertThread();
    WholeFileInsertThread(const WholeFileInsertThread&) = delete;
    WholeFileInsertThread& operator=(const WholeFileInsertThread&) = delete;

    void start(const QList<WholeFileInsert::File>& files);
    bool busy() const { return m_started; }
    // Waits for the batch that start() handed over.
    Result finish();

private:
    void work();
    Result write(std::optional<Database>& connection, std::optional<WholeFileInsert>& insert,
                 const QList<WholeFileInsert::File>& files);

    const Database& m_database;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<QList<WholeFileInsert::File>> m_files;
    std::optional<Result> m_result;
    bool m_started = false;
    bool m_stopping = false;
    std::thread m_thread;
};
