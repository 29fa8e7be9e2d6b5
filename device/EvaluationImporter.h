#pragma once

#include "BatchWriter.h"
#include "EvaluationFileContent.h"
#include "EvaluationHistory.h"
#include "RowBatchInsert.h"
#include "WholeFileInsert.h"

#include <QHash>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <memory>

class Database;
class KestrivoError;

// Imports evaluation files into Evaluation, EvaluationField, EvaluationQuestion and
// EvaluationPickList, with one row of history for each evaluation. Each file goes in whole or
// not at all; a file whose exact content was imported before, here or by another PC a moment
// ago, is not imported again.
class EvaluationImporter {
public:
    enum class Outcome { Imported, AlreadyImported, Failed };

    static constexpr qint64 MaximumFileSize = 64 * 1024 * 1024;

    explicit EvaluationImporter(const Database& database);
    ~EvaluationImporter();

    // The PC folder that downloaded evaluation files are copied to: DataPath + "Evaluations/".
    static QString evaluationFolder();

    // Imports the downloaded file of that bare name from the evaluation folder. A failure is
    // reported through LogError and leaves no row of the file behind.
    Outcome ImportEvaluationFile(const QString& fileName);
    // The same for a file anywhere on the PC; the evaluation's name comes from the file's.
    Outcome importFile(const QString& path);

    // Files for one transaction: each is read and checked now (a file that cannot be read is
    // reported and false returned), and all are added by commitQueued(), in order. A commit,
    // which a database server makes wait for its disk, is then paid once for them all, and on
    // PostgreSQL the files go in with one statement. Nothing of them is kept before
    // commitQueued(): they must stay on the unit until it has returned.
    bool queueEvaluationFile(const QString& fileName);
    bool queueFile(const QString& path);
    qsizetype queued() const { return m_queue.size(); }
    // Adds the queued files in one transaction, in order, up to the first that fails (which is
    // reported, and is the last outcome of the list); a failing file leaves nothing, and the
    // files before it stay. Throws KestrivoError when the transaction cannot be committed:
    // then none of the files was kept.
    QList<Outcome> commitQueued();
    // The same in two steps, on a database server: startQueued() hands the queued files to a
    // connection of their own in another thread and returns at once, so that the next files
    // can be read meanwhile; finishStarted() waits for them and gives their outcomes. False
    // when the queued files cannot go that way (SQLite, a file of several evaluations): then
    // they stay queued for commitQueued(). One batch at a time.
    bool startQueued();
    QList<Outcome> finishStarted();

    qint64 rowsWritten() const { return m_rowsWritten; }
    // The ids of the phones that sent files through the web unit, by each file's SHA-256 (hex):
    // the history names the phone of every file queued or imported from now on.
    void setPhoneIds(QHash<QString, QString> byDigest) { m_phoneIds = std::move(byDigest); }

private:
    // A file read and checked, ready to be added.
    struct Prepared {
        QString fileName;
        QString evaluationName;
        QString digest;
        QString phoneId;
        EvaluationFileContent content;
    };

    Outcome import(const QString& path, const QString& fileName);
    // Reads and parses the file; throws KestrivoError.
    Prepared prepare(const QString& path, const QString& fileName) const;
    bool queue(const QString& path, const QString& fileName);
    void report(const KestrivoError& error, const QString& fileName);
    // On PostgreSQL a file of one evaluation goes in with one statement, a transaction of its own.
    bool singleStatement(const Prepared& file) const;
    // The keys of the file's evaluations; none when the file's content turned out to be
    // imported already: nothing was kept.
    QList<qint64> insert(const Prepared& file);
    QList<EvaluationHistory::Change> history(const Prepared& file, const QList<qint64>& keys) const;
    // The queued files in one statement on PostgreSQL; false when they cannot go in that way
    // (a file fails, or holds several evaluations) and nothing was added. A lost connection
    // fails the first file.
    bool insertTogether(const QList<Prepared>& files, QList<Outcome>& outcomes);
    // The files for one statement; empty when one of them cannot go in that way.
    QList<WholeFileInsert::File> together(const QList<Prepared>& files) const;
    void count(const QList<Prepared>& files, const QList<bool>& added, QList<Outcome>& outcomes);
    // The files in one transaction, each under a savepoint of its own, up to the first that fails.
    QList<Outcome> oneAtATime(const QList<Prepared>& files);
    // The keys of the evaluations added; none when the file's content turned out to be
    // imported already: nothing was kept.
    QList<qint64> write(const EvaluationFileContent& content, const QString& fileName, const QString& evaluationName,
                        const QString& digest);
    qint64 addEvaluation(const QString& evaluationName, const EvaluationFileContent::Evaluation& evaluation);
    bool claimFile(const QString& digest, const QString& fileName, qint64 evaluationKey);
    void dropStatements();

    const Database& m_database;
    QSqlQuery m_addEvaluation;
    QSqlQuery m_claimFile;
    RowBatchInsert m_fields;
    RowBatchInsert m_questions;
    RowBatchInsert m_pickLists;
    WholeFileInsert m_wholeFile;
    qint64 m_rowsWritten = 0;
    QList<Prepared> m_queue;
    QList<Prepared> m_started;
    std::unique_ptr<BatchWriter> m_writer;
    QHash<QString, QString> m_phoneIds;
};
