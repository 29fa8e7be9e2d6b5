#pragma once

#include "ReceivedRecordLine.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <sys/types.h>

// The record of the evaluations that phones sent to one unit: a file in the unit folder with a
// line (ReceivedRecordLine) for each, appended by every server of the unit under one lock (flock
// on the record, which each server opens for itself). A line counts once it is whole: ended by
// its newline and matching its check.
class ReceivedRecord {
public:
    using Line = ReceivedRecordLine;
    struct Changes {
        bool reopened = false; // the path names another file now: the lines before are gone
        QList<Line> added;     // lines other servers added since the last lock
    };

    explicit ReceivedRecord(QString path);
    ~ReceivedRecord();
    ReceivedRecord(const ReceivedRecord&) = delete;
    ReceivedRecord& operator=(const ReceivedRecord&) = delete;

    // Opens (creates) the record at its path and takes the lock; when the path names another
    // file than the last time (the unit folder was moved or made anew), that one is read from the
    // start. Reads what other servers added and cuts off a last line that is not whole, so that
    // the next line starts on a line of its own. Throws KestrivoError, unlocked.
    Changes lock();
    // Closes the record, so that it never keeps a unit from being unmounted.
    void unlock();

    // The last line of the id; nullptr when there is none.
    const Line* find(const QString& id) const;
    // Appends the lines and waits until they are on the disk. Throws KestrivoError, leaving the
    // record as it was.
    void append(const QList<Line>& lines);

private:
    void open();
    void read(Changes& changes);

    QString m_path;
    int m_descriptor = -1;
    dev_t m_device = 0; // the record read so far
    ino_t m_inode = 0;
    qint64 m_end = 0; // the end of the last whole line, where the next one goes
    QHash<QString, Line> m_lines;
};
