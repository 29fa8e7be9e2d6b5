#include "HistoryChain.h"

#include "CatalogRowWriter.h"
#include "Database.h"
#include "HistoryRows.h"
#include "KestrivoError.h"
#include "Settings.h"

#include <QSysInfo>

namespace HistoryChain {

namespace {

struct Head {
    qint64 lastKey = 0;
    QString digest;
};

// Waits for every other writer of the history to finish: from here until the transaction
// ends, this one is the only writer, and the control row names the newest row.
Head lockHead(const Database& database) {
    // On PostgreSQL the lock is an update of the head, which needs the right to write it: a role
    // that may only read (and so may record no more than its licence agreement in that row) is
    // refused here as a reader.
    const QString sql = database.engine() == DatabaseEngine::PostgreSQL
                            ? QStringLiteral("UPDATE Control SET HistoryLastKey=HistoryLastKey WHERE ControlKey=1 "
                                             "RETURNING HistoryLastKey, HistoryDigest")
                            : QStringLiteral("SELECT HistoryLastKey, HistoryDigest FROM Control WHERE ControlKey=1");
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSqlQuery head = database.query(sql);
        if (head.next())
            return {head.value(0).toLongLong(), head.value(1).toString()};
        head.finish();
        // The single row was removed by hand: it is the head of an empty chain again.
        database.execute(QStringLiteral("INSERT INTO Control (ControlKey) SELECT 1 WHERE NOT EXISTS (SELECT 1 FROM "
                                        "Control WHERE ControlKey=1)"));
    }
    throw KestrivoError(ErrorNumber::Database, QStringLiteral("The catalog's control row cannot be read."));
}

struct Stamp {
    QString changed;
    QString role;
};

Stamp databaseStamp(const Database& database) {
    if (database.engine() == DatabaseEngine::SQLite)
        return {database.scalar(QStringLiteral("SELECT strftime('%Y-%m-%dT%H:%M:%fZ', 'now')")).toString(), {}};
    QSqlQuery stamp = database.query(QStringLiteral("SELECT to_char(clock_timestamp() AT TIME ZONE 'UTC', "
                                                    "'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), session_user"));
    stamp.next();
    return {stamp.value(0).toString(), stamp.value(1).toString()};
}

// Every text of a row is there, if empty: a null text would be bound as NULL.
QString text(const QString& value) {
    return value.isNull() ? QString(QLatin1String("")) : value;
}

} // namespace

QString digest(const QString& previous, const QVariantList& values) {
    HistoryRows::Digester digester;
    return QString::fromLatin1(digester.digest(previous.toLatin1(), HistoryRows::content(values)));
}

void append(const Database& database, const QString& means, const QList<EvaluationHistory::Change>& changes) {
    if (changes.isEmpty())
        return;
    const Head head = lockHead(database);
    const Stamp stamp = databaseStamp(database);
    const QString login = Settings::GetLoginUserName();
    const QString host = QSysInfo::machineHostName();
    CatalogRowWriter writer(database, HistoryRows::table());
    qint64 key = head.lastKey;
    QString previous = head.digest;
    for (const EvaluationHistory::Change& change : changes) {
        QVariantList row{++key,
                         change.evaluationKey,
                         text(change.item),
                         change.itemKey,
                         text(change.what.left(255)),
                         text(change.oldValue),
                         text(change.newValue),
                         text(change.snapshot),
                         text(stamp.changed),
                         text(login),
                         text(host),
                         text(stamp.role),
                         text(means)};
        previous = digest(previous, row);
        row << previous;
        writer.add(row);
    }
    writer.flush();
    database.execute(QStringLiteral("UPDATE Control SET HistoryLastKey=?, HistoryDigest=? WHERE ControlKey=1"),
                     {key, previous});
}

} // namespace HistoryChain
