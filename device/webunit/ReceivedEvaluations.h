#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>

// The evaluations that phones have sent to one unit, each under the id its phone made: an
// evaluation sent again (its answer was lost on the way) is stored once. The record lives in
// the unit folder, so it outlasts the server and holds for every server on that unit; a lock on
// it keeps two servers of one unit from storing at the same moment.
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

    // Stores the bytes as a new evaluation file named after base, unless the id was stored
    // before. Thread-safe. Throws KestrivoError, having stored nothing.
    Result receive(const QString& id, const QString& base, const QString& extension, const QByteArray& bytes);

private:
    void readNewEntries(int descriptor);

    struct Entry {
        QByteArray digest;
        QString fileName;
    };

    QString m_recordPath;
    QString m_evaluationFolder;
    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
    qint64 m_readUpTo = 0;
};
