#pragma once

#include "UnitEvaluationFolder.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QWaitCondition>

// The evaluations that phones have sent to one unit, each under the id its phone made: an
// evaluation sent again (its answer was lost on the way) is stored once. The record lives in
// the unit folder, so it outlasts the server and holds for every server on that unit; a lock on
// it keeps two servers of one unit from taking the same id at the same moment.
class ReceivedEvaluations {
public:
    enum class Outcome {
        Stored,          // a new file
        AlreadyReceived, // the same evaluation came before
        Changed          // the id came before with other content
    };
    struct Result {
        Outcome outcome = Outcome::Stored;
        QString fileName;
    };

    // The record file and the evaluation folder (ending with "/").
    ReceivedEvaluations(QString recordPath, QString evaluationFolder);
    ~ReceivedEvaluations();

    // Stores the bytes as a new evaluation file named after base, unless the id was stored
    // before; the file and its record are on the disk when it returns. Thread-safe: the disks
    // syncs of phones sending at once overlap. Throws KestrivoError, having stored nothing.
    Result receive(const QString& id, const QString& base, const QString& extension, const QByteArray& bytes);

private:
    struct Entry {
        QByteArray digest;
        QString fileName;
    };

    void openRecord();
    void lockRecord(bool locked);
    void readNewEntries();
    void append(const QByteArray& line);

    QString m_recordPath;
    UnitEvaluationFolder m_folder;
    QMutex m_mutex;
    QWaitCondition m_stored;
    QSet<QString> m_storing; // ids being written now
    QHash<QString, Entry> m_entries;
    qint64 m_readUpTo = 0;
    int m_record = -1;
};
