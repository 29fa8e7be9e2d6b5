#pragma once

#include "ConnectionThread.h"
#include "KestrivoError.h"
#include "WholeFileInsert.h"

#include <QList>
#include <optional>

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

    void start(const QList<WholeFileInsert::File>& files);
    bool busy() const { return m_thread.busy(); }
    // Waits for the batch that start() handed over.
    Result finish();

private:
    // Made and used in the thread only, on its connection.
    std::optional<WholeFileInsert> m_insert;
    Result m_result;
    ConnectionThread m_thread;
};
