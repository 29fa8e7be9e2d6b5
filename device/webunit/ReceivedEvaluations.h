#pragma once

#include "ReceivedRecord.h"
#include "UnitEvaluationFolder.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QWaitCondition>
#include <memory>

// The evaluations that phones have sent to one unit, each under the id its phone made: an
// evaluation sent again (its answer was lost on the way) is stored once. The record lives in the
// unit folder, so it outlasts the server and holds for every server on that unit.
//
// Storing is one step under the record's lock, which every server of the unit takes: the id is
// looked up, the name chosen, the line recorded (the commit) and the file given its name. The
// bytes are written and synced before, into a staged file of the writer's own, so that the disk
// takes the syncs of many phones together; the threads of one server waiting for the lock go
// through it together, with one sync of the record for all of them. A server that dies after
// the commit leaves its staged file, which the next server to take the lock gives its name.
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
    virtual ~ReceivedEvaluations();

    // Stores the bytes as a new evaluation file named after base, unless the id was stored
    // before; the file and its record are on the disk when it returns. Thread-safe. Throws
    // KestrivoError, having stored nothing, or having recorded an evaluation whose file gets its
    // name when it is sent again.
    Result receive(const QString& id, const QString& base, const QString& extension, const QByteArray& bytes);

protected:
    // The points at which a server may stop (a crash, a kill -9) on the way to an answer.
    enum class Step {
        Staged,   // the bytes are on the disk, nothing is recorded
        Recorded, // the line is on the disk, the file has no name yet
        Placed    // the file has its name, the phone has no answer yet
    };
    virtual void reached(Step) {}

private:
    struct Request;
    using Line = ReceivedRecord::Line;

    std::shared_ptr<UnitEvaluationFolder> openFolder() const;
    void commit(const QList<Request*>& batch);
    void write(const std::shared_ptr<UnitEvaluationFolder>& folder, const ReceivedRecord::Changes& changes,
               const QList<Request*>& batch);
    QString place(const UnitEvaluationFolder& folder, Line line);
    void answerKnown(Request& request) const;
    void finish(const QList<Request*>& batch);

    const QString m_folderPath;
    ReceivedRecord m_record;
    QMutex m_mutex;
    QWaitCondition m_turn;
    QList<Request*> m_waiting; // staged, waiting for the lock
    bool m_committing = false; // a thread has the lock for a batch
    // Recorded, but their files could not be given their names yet, by staged name.
    QHash<QString, Line> m_pending;
};
