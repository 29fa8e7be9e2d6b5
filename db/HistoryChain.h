#pragma once

#include "EvaluationHistory.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class Database;

// Writes and checks the history's chain. Each row carries the SHA-256 of the row before it
// and of its own content, and the control row holds the newest row and its digest, so a row
// that was edited or removed afterwards shows. Rows are numbered without gaps in the order
// of the chain: writers on several PCs take turns through a lock on the control row, held
// until their transaction ends.
namespace HistoryChain {

// Adds the changes, in order, inside the caller's open transaction; on SQLite that
// transaction must be writing already (or begun as Transaction::Writing). Who: the
// operating system's login and host, and on PostgreSQL the database role. Throws KestrivoError.
void append(const Database& database, const QString& means, const QList<EvaluationHistory::Change>& changes);

// The digest of a row of the history, whose values (every column but the digest, in the
// table's order) follow the row with the digest previous.
QString digest(const QString& previous, const QVariantList& values);

struct Verification {
    qint64 rows = 0;
    QStringList problems; // one sentence each, naming the rows
    bool intact() const { return problems.isEmpty(); }
};
// Reads the whole history in one snapshot and checks every row against the one before it.
// progress gets the rows read so far and all rows. Throws KestrivoError.
Verification verify(const Database& database, const std::function<void(qint64, qint64)>& progress = {});

} // namespace HistoryChain
