#include "HistoryChain.h"

#include "Database.h"
#include "HistoryRows.h"
#include "KestrivoError.h"

#include <QDateTime>
#include <QList>
#include <functional>

namespace HistoryChain {

namespace {

constexpr qint64 ProgressEvery = 50000;

QString rowsText(qint64 first, qint64 last) {
    return first == last ? QStringLiteral("History row %1 was removed.").arg(first)
                         : QStringLiteral("History rows %1 to %2 were removed.").arg(first).arg(last);
}

QString changedText(const Database& database, qint64 key) {
    QSqlQuery row = database.query(
        QStringLiteral("SELECT EvaluationKey, ItemName, Changed FROM EvaluationHistory WHERE EvaluationHistoryKey=?"),
        {key});
    row.next();
    const QDateTime changed = QDateTime::fromString(row.value(2).toString(), Qt::ISODateWithMs);
    return QStringLiteral("History row %1 was changed: it now reads evaluation %2, \"%3\", %4.")
        .arg(key)
        .arg(row.value(0).toLongLong())
        .arg(row.value(1).toString(), changed.isValid()
                                          ? changed.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                          : row.value(2).toString());
}

// What a scan of the chain found: each row that does not follow from the one before (the
// first after a gap, which can only be told by the gap, or a changed one), in key order.
struct Scan {
    struct Break {
        qint64 key = 0;
        qint64 before = 0; // the key of the row before it
    };
    qint64 rows = 0;
    qint64 last = 0;
    QByteArray lastDigest;
    QList<Break> breaks;
};

// SQLite works in this process: every row is read, and its digest worked out, here.
Scan scanHere(const Database& database, const std::function<void(qint64, qint64)>& progress, qint64 total) {
    Scan scan;
    QSqlQuery rows = database.query(QStringLiteral("SELECT EvaluationHistoryKey, CAST(ChainDigest AS BLOB), %1 FROM "
                                                   "EvaluationHistory ORDER BY EvaluationHistoryKey")
                                        .arg(HistoryRows::contentSql(DatabaseEngine::SQLite)));
    HistoryRows::Digester digester;
    while (rows.next()) {
        const qint64 key = rows.value(0).toLongLong();
        QByteArray stored = rows.value(1).toByteArray();
        if (key != scan.last + 1 || digester.digest(scan.lastDigest, rows.value(2).toByteArray()) != stored)
            scan.breaks.append({key, scan.last});
        scan.last = key;
        scan.lastDigest = std::move(stored);
        if (++scan.rows % ProgressEvery == 0 && progress)
            progress(scan.rows, total);
    }
    return scan;
}

// A database server works out every digest itself, beside the rows, and sends only the rows
// that do not follow from the one before.
Scan scanOnServer(const Database& database) {
    Scan scan;
    QSqlQuery totals = database.query(QStringLiteral(
        "SELECT COUNT(*), MAX(EvaluationHistoryKey), (SELECT ChainDigest FROM EvaluationHistory ORDER BY "
        "EvaluationHistoryKey DESC LIMIT 1) FROM EvaluationHistory"));
    totals.next();
    scan.rows = totals.value(0).toLongLong();
    scan.last = totals.value(1).toLongLong();
    scan.lastDigest = totals.value(2).toString().toLatin1();
    totals.finish();
    QSqlQuery breaks = database.query(
        QStringLiteral("SELECT k, before FROM (SELECT EvaluationHistoryKey AS k, LAG(EvaluationHistoryKey, 1, 0) "
                       "OVER w AS before, ChainDigest = encode(sha256(convert_to('kestrivo-history' || chr(10) || "
                       "LAG(ChainDigest, 1, '') OVER w || chr(10) || %1, 'UTF8')), 'hex') AS follows FROM "
                       "EvaluationHistory WINDOW w AS (ORDER BY EvaluationHistoryKey)) s WHERE before <> k - 1 OR "
                       "NOT follows ORDER BY k")
            .arg(HistoryRows::contentSql(DatabaseEngine::PostgreSQL)));
    while (breaks.next())
        scan.breaks.append({breaks.value(0).toLongLong(), breaks.value(1).toLongLong()});
    return scan;
}

} // namespace

Verification verify(const Database& database, const std::function<void(qint64, qint64)>& progress) {
    Transaction snapshot(database);
    if (database.engine() == DatabaseEngine::PostgreSQL)
        database.execute(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
    QSqlQuery head =
        database.query(QStringLiteral("SELECT HistoryLastKey, HistoryDigest FROM Control WHERE ControlKey=1"));
    const bool found = head.next();
    const qint64 headKey = found ? head.value(0).toLongLong() : 0;
    const QByteArray headDigest = found ? head.value(1).toString().toLatin1() : QByteArray();
    head.finish();
    const qint64 total = database.scalar(QStringLiteral("SELECT COUNT(*) FROM EvaluationHistory")).toLongLong();
    if (progress)
        progress(0, total);
    const Scan scan =
        database.engine() == DatabaseEngine::PostgreSQL ? scanOnServer(database) : scanHere(database, progress, total);

    Verification result;
    result.rows = scan.rows;
    for (const Scan::Break& found : scan.breaks) {
        // The row after a gap was chained to a row that is gone: only the gap can be told.
        if (found.key != found.before + 1)
            result.problems << rowsText(found.before + 1, found.key - 1);
        else
            result.problems << changedText(database, found.key);
    }
    const bool lastFlagged = !scan.breaks.isEmpty() && scan.breaks.last().key == scan.last;
    if (headKey > scan.last)
        result.problems << (headKey == scan.last + 1
                                ? QStringLiteral("The newest history row, %1, was removed.").arg(headKey)
                                : QStringLiteral("The newest history rows, %1 to %2, were removed.")
                                      .arg(scan.last + 1)
                                      .arg(headKey));
    else if (headKey < scan.last)
        result.problems << QStringLiteral("History rows %1 to %2 come after the newest row that the catalog "
                                          "recorded: they were not added by Kestrivo.")
                               .arg(headKey + 1)
                               .arg(scan.last);
    else if (scan.last > 0 && headDigest != scan.lastDigest && !lastFlagged)
        result.problems << QStringLiteral("History row %1 was changed: its digest is not the one the catalog "
                                          "recorded.")
                               .arg(scan.last);
    if (progress)
        progress(total, total);
    return result;
}

} // namespace HistoryChain
