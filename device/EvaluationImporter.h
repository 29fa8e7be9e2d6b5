#pragma once

#include "EvaluationFileContent.h"
#include "RowBatchInsert.h"
#include "WholeFileInsert.h"

#include <QSqlQuery>
#include <QString>
#include <memory>

class Database;
class Transaction;

// Imports evaluation files into Evaluation, EvaluationField, EvaluationQuestion and
// EvaluationPickList. Each file goes in whole or not at all; a file whose exact content was
// imported before, here or by another PC a moment ago, is not imported again.
class EvaluationImporter {
public:
    enum class Outcome { Imported, AlreadyImported, Failed };

    // Error number of a file name that cannot name an evaluation.
    static constexpr qint32 BadFileName = 52;
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

    // Several files in one transaction, each under a savepoint of its own: a file that fails
    // leaves nothing and the others stay, and the commit, which a database server makes wait
    // for its disk, is paid once for them all. Outside a batch each file is a transaction.
    // Nothing of a batch is kept before commitBatch(): its files must stay on the unit until
    // then.
    void beginBatch();
    // Throws KestrivoError when the batch cannot be committed; then none of its files was kept.
    void commitBatch();
    bool inBatch() const { return m_batch != nullptr; }

    qint64 rowsWritten() const { return m_rowsWritten; }

private:
    Outcome import(const QString& path, const QString& fileName);
    bool insert(const EvaluationFileContent& content, const QString& fileName, const QString& evaluationName,
                const QString& digest);
    // False when the file's content turned out to be imported already: nothing was kept.
    bool write(const EvaluationFileContent& content, const QString& fileName, const QString& evaluationName,
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
    std::unique_ptr<Transaction> m_batch; // last: an open batch is rolled back first
};
