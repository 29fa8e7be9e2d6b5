#pragma once

#include "ConnectionThread.h"

#include <QString>
#include <memory>

class Database;

// One read transaction around everything a report reads, so a report run while another PC
// imports shows the evaluations as they were when it began, never half of an import: on
// PostgreSQL a REPEATABLE READ, READ ONLY transaction; on SQLite a read transaction, whose
// snapshot the write-ahead log keeps stable. It writes nothing, so ending it gives nothing
// up. Throws KestrivoError when the transaction cannot begin.
class ReportSnapshot {
public:
    explicit ReportSnapshot(const Database& database);
    ~ReportSnapshot();
    ReportSnapshot(const ReportSnapshot&) = delete;
    ReportSnapshot& operator=(const ReportSnapshot&) = delete;

    // A second connection in a thread of its own that reads in this snapshot, so that the
    // report reads on two processors; opened runs on it before its first job, closing before it
    // closes. On SQLite only before the report's first read, and none when the catalog's write
    // lock cannot be had meanwhile. Throws KestrivoError.
    std::unique_ptr<ConnectionThread> secondReader(ConnectionThread::Job opened = {},
                                                   ConnectionThread::Job closing = {});

    // Ends the transaction before the report is shown, so a preview left open holds no
    // snapshot.
    void end();

private:
    std::unique_ptr<ConnectionThread> sqliteSecondReader(ConnectionThread::Job opened, ConnectionThread::Job closing);

    const Database& m_database;
    bool m_open = false;
    QString m_exported; // the server's name of the snapshot, once another connection needs it
};
