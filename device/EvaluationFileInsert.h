#pragma once

#include "EvaluationRowInserts.h"
#include "WholeFileInsert.h"

#include <QList>
#include <QSqlQuery>

class Database;

// Adds one evaluation file inside the caller's transaction: its evaluations, entries, answers
// and pick-list entries, and the claim of its digest that keeps its content from going in
// twice. On a database server the usual file, one evaluation, takes a single round trip.
class EvaluationFileInsert {
public:
    explicit EvaluationFileInsert(const Database& database);

    // The keys of the file's evaluations; none when its content turned out to be imported
    // already, here or by another PC a moment ago: then the caller takes back the rows added
    // before the claim was found taken.
    QList<qint64> insert(const WholeFileInsert::File& file);
    // True when the file goes in with one statement of WholeFileInsert, which can also take it
    // together with others.
    bool oneStatement(const EvaluationFileContent& content) const;
    // Files of one evaluation each in one statement, in a transaction of their own with a row
    // of history for each evaluation added: for each file whether it was added.
    QList<bool> addTogether(const QList<WholeFileInsert::File>& files) { return m_wholeFile.add(files); }
    // Forgets the prepared statements, for a connection that may have been replaced.
    void clear();

private:
    QList<qint64> write(const WholeFileInsert::File& file);
    qint64 addEvaluation(const QString& evaluationName, const EvaluationFileContent::Evaluation& evaluation);
    bool claimFile(const QString& digest, const QString& fileName, qint64 evaluationKey);

    const Database& m_database;
    QSqlQuery m_addEvaluation;
    QSqlQuery m_claimFile;
    EvaluationRowInserts m_rows;
    WholeFileInsert m_wholeFile;
};
