#pragma once

#include "EvaluationFileContent.h"

#include <QSqlQuery>
#include <QString>

class Database;

// Adds an evaluation file that holds one evaluation in a single statement on PostgreSQL: the
// file's digest is claimed, and its evaluation, fields, answers and pick-list entries are
// added, all at once or not at all, in one round trip to the server. The keys of the new
// answers are drawn first, so each pick-list entry finds its answer by position, whatever
// order the server adds the rows in.
class WholeFileInsert {
public:
    explicit WholeFileInsert(const Database& database);

    // False when the digest was claimed already (here or by another PC, which this statement
    // waits for): then nothing was added.
    bool insert(const EvaluationFileContent& content, const QString& fileName, const QString& evaluationName,
                const QString& digest);
    // Forgets the prepared statement, for a connection that may have been replaced.
    void clear() { m_statement = QSqlQuery(); }

private:
    const Database& m_database;
    QString sequence(const char* table, const char* column) const;

    QSqlQuery m_statement;
};
