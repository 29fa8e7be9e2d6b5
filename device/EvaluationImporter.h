#pragma once

#include "EvaluationFileContent.h"
#include "EvaluationFileInsert.h"
#include "EvaluationHistory.h"
#include "WholeFileInsert.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class Database;
class KestrivoError;
class WholeFileInsertThread;

// One run of imports of evaluation files into Evaluation, EvaluationField, EvaluationQuestion
// and EvaluationPickList, with one row of history for each evaluation: files are added by
// name, and finish() gives one outcome for each name, in order. Each file goes in whole or not
// at all; a file whose exact content was imported before, here or by another PC a moment ago,
// is not imported again.
//
// The files go in by batches, a transaction each: a commit, which a database server makes
// wait for its disk, is paid once for many files, and on PostgreSQL a batch of files of one
// evaluation each goes in with one statement, on a connection and in a thread of their own
// while the next files are read. A file that fails stops the run: the files before it go in,
// it and the later ones do not. Nothing of a file is kept before its batch is committed, so a
// file must stay on the unit until the run says so.
class EvaluationImporter {
public:
    // NotAdded: the run stopped before the file was tried; it is not in the catalog.
    enum class Outcome { Imported, AlreadyImported, Failed, NotAdded };
    // Told of each file, in the order added, as soon as its batch is committed and it is in the
    // catalog for good (Imported or AlreadyImported); false stops the run there.
    using Committed = std::function<bool(const QString& fileName, Outcome outcome)>;

    static constexpr qint64 MaximumFileSize = 64 * 1024 * 1024;
    // The most files in one transaction, and how long the first of them waits for the rest: a
    // slow unit must not hold a batch (and the lock that keeps its template in place) open long.
    static constexpr qsizetype BatchFiles = 100;
    static constexpr qint64 BatchMilliseconds = 1000;

    explicit EvaluationImporter(const Database& database, Committed committed = {});
    ~EvaluationImporter();
    EvaluationImporter(const EvaluationImporter&) = delete;
    EvaluationImporter& operator=(const EvaluationImporter&) = delete;

    // The PC folder that downloaded evaluation files are copied to: DataPath + "Evaluations/".
    static QString evaluationFolder();

    // Reads and checks the downloaded file of that bare name in the evaluation folder, and
    // commits the batch that it fills. False when the run has stopped: at this file, which
    // could not be read (the failure is reported through LogError), or at an earlier one.
    bool add(const QString& fileName);
    // The same for a file anywhere on the PC; the evaluation's name comes from the file's.
    bool addFile(const QString& path);
    // Commits the files not yet committed (unless a failed batch stopped the run) and gives the
    // outcome of every file added since the last finish(), which ends the run; the next add()
    // begins another.
    QList<Outcome> finish();

    qint64 rowsWritten() const { return m_rowsWritten; }
    // The ids of the phones that sent files through the web unit, by each file's SHA-256 (hex):
    // the history names the phone of every file added from now on.
    void setPhoneIds(QHash<QString, QString> byDigest) { m_phoneIds = std::move(byDigest); }

private:
    // A file read and checked, ready to go in.
    struct Prepared {
        qsizetype index = 0; // of its outcome
        QString fileName;
        QString evaluationName;
        QString digest;
        QString phoneId;
        EvaluationFileContent content;

        WholeFileInsert::File file() const { return {&content, fileName, evaluationName, digest, phoneId}; }
    };

    bool take(const QString& path, const QString& fileName);
    // Reads and parses the file; throws KestrivoError.
    Prepared prepare(const QString& path, const QString& fileName) const;
    // Hands the queued files to the thread; false when they cannot go in that way (SQLite, a
    // file of several evaluations).
    bool startQueued();
    // Waits for the files handed to the thread and settles their outcomes.
    void finishStarted();
    void commitQueued();
    // The outcomes of the files, in one transaction, up to the first that fails.
    QList<Outcome> commit(const QList<Prepared>& files);
    // The same without trying one statement for all; a transaction that fails fails them all.
    QList<Outcome> commitOneAtATime(const QList<Prepared>& files);
    // The files in one statement; false when one of them failed and nothing was added, but the
    // files may still go in one at a time.
    bool insertTogether(const QList<Prepared>& files, QList<Outcome>& outcomes);
    // The files in one transaction, each under a savepoint of its own.
    QList<Outcome> oneAtATime(const QList<Prepared>& files);
    // The files for one statement; empty when one of them cannot go in that way.
    QList<WholeFileInsert::File> together(const QList<Prepared>& files) const;
    static QList<Outcome> addedOrNot(const QList<bool>& added);
    // Takes the outcomes of a committed batch and tells the caller of each file: stops the run
    // at a file that failed or that the caller refuses.
    void settle(const QList<Prepared>& files, const QList<Outcome>& outcomes);
    // No file is taken or committed any more.
    void stop();
    // Tells the user why the files were not kept.
    void report(const KestrivoError& error, const QStringList& fileNames);
    QList<EvaluationHistory::Change> history(const Prepared& file, const QList<qint64>& keys) const;

    const Database& m_database;
    Committed m_committed;
    EvaluationFileInsert m_insert;
    QHash<QString, QString> m_phoneIds;
    QList<Outcome> m_outcomes;
    QList<Prepared> m_queue;
    QElapsedTimer m_queueAge;
    QList<Prepared> m_started;
    bool m_stopped = false;
    qint64 m_rowsWritten = 0;
    // Declared after the files it writes, so that it is stopped (and done with them) first.
    std::unique_ptr<WholeFileInsertThread> m_thread;
};
