#pragma once

#include "EvaluationFileContent.h"

#include <QList>
#include <QSqlQuery>
#include <QString>

class Database;

// Adds evaluation files that hold one evaluation each on PostgreSQL, any number of them in a
// single statement: each file's digest is claimed, and its evaluation, fields, answers and
// pick-list entries are added, all at once or not at all, in one round trip. The server's
// work for a statement, its checks of the template items that the rows name among it, is
// then paid once for a batch of files. Keys are drawn in file order, and each pick-list
// entry finds its answer by position, whatever order the server joins the rows in.
class WholeFileInsert {
public:
    struct File {
        const EvaluationFileContent* content = nullptr;
        QString fileName;
        QString evaluationName;
        QString digest;
        QString phoneId; // the phone that sent it through the web unit, if one did
    };

    explicit WholeFileInsert(const Database& database);

    // For each file the key of its evaluation, or 0 when it was not added: its digest was
    // claimed already, in the catalog, by another PC (which this statement waits for) or by an
    // earlier file of the list. Inside the caller's transaction, which records the history.
    QList<qint64> insert(const QList<File>& files);
    // The same in a transaction of its own, with a row of history for each evaluation added:
    // for each file whether it was added.
    QList<bool> add(const QList<File>& files);
    // Forgets the prepared statement, for a connection that may have been replaced.
    void clear() { m_statement = QSqlQuery(); }

private:
    QString sequence(const char* table, const char* column) const;

    const Database& m_database;
    QSqlQuery m_statement;
};
