#include "HistoryChain.h"

#include "CatalogRowReader.h"
#include "CatalogRowWriter.h"
#include "Database.h"
#include "KestrivoError.h"
#include "Schema.h"
#include "Settings.h"

#include <QCryptographicHash>
#include <QSysInfo>

namespace HistoryChain {

namespace {

const QString HistoryTable = QStringLiteral("EvaluationHistory");
constexpr qint64 ProgressEvery = 50000;

const Schema::Table& historyTable() {
    static const Schema::Table& table = []() -> const Schema::Table& {
        for (const Schema::Table& candidate : Schema::tables()) {
            if (candidate.name == HistoryTable)
                return candidate;
        }
        throw KestrivoError(ErrorNumber::General, QStringLiteral("The schema has no history table."));
    }();
    return table;
}

struct Head {
    qint64 lastKey = 0;
    QString digest;
};

// Waits for every other writer of the history to finish: from here until the transaction
// ends, this one is the only writer, and the control row names the newest row.
Head lockHead(const Database& database) {
    const QString sql = database.engine() == DatabaseEngine::PostgreSQL
                            ? QStringLiteral("SELECT HistoryLastKey, HistoryDigest FROM Control WHERE ControlKey=1 "
                                             "FOR UPDATE")
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

QString rowsText(qint64 first, qint64 last) {
    return first == last ? QStringLiteral("History row %1 was removed.").arg(first)
                         : QStringLiteral("History rows %1 to %2 were removed.").arg(first).arg(last);
}

QString changedText(const QVariantList& row) {
    const QDateTime changed = QDateTime::fromString(row.at(8).toString(), Qt::ISODateWithMs);
    return QStringLiteral("History row %1 was changed: it now reads evaluation %2, \"%3\", %4.")
        .arg(row.at(0).toLongLong())
        .arg(row.at(1).toLongLong())
        .arg(row.at(4).toString(), changed.isValid()
                                       ? changed.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                       : row.at(8).toString());
}

} // namespace

QString digest(const QString& previous, const QVariantList& values) {
    const QList<Schema::Column>& columns = historyTable().columns;
    // Every value goes in with its kind and length, so no two rows read as the same bytes.
    QByteArray data = QByteArrayLiteral("kestrivo-history\n") + previous.toLatin1() + '\n';
    for (qsizetype i = 0; i < values.size() && i < columns.size(); ++i) {
        if (columns.at(i).kind == Schema::ColumnKind::Integer) {
            data += 'i' + QByteArray::number(values.at(i).toLongLong()) + ';';
            continue;
        }
        const QByteArray text = values.at(i).toString().toUtf8();
        data += 't' + QByteArray::number(text.size()) + ':' + text;
    }
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

void append(const Database& database, const QString& means, const QList<EvaluationHistory::Change>& changes) {
    if (changes.isEmpty())
        return;
    const Head head = lockHead(database);
    const Stamp stamp = databaseStamp(database);
    const QString login = Settings::GetLoginUserName();
    const QString host = QSysInfo::machineHostName();
    CatalogRowWriter writer(database, historyTable());
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

Verification verify(const Database& database, const std::function<void(qint64, qint64)>& progress) {
    Verification result;
    Transaction snapshot(database);
    if (database.engine() == DatabaseEngine::PostgreSQL)
        database.execute(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
    const qint64 total = database.scalar(QStringLiteral("SELECT COUNT(*) FROM EvaluationHistory")).toLongLong();
    QSqlQuery headRow =
        database.query(QStringLiteral("SELECT HistoryLastKey, HistoryDigest FROM Control WHERE ControlKey=1"));
    const Head head = headRow.next() ? Head{headRow.value(0).toLongLong(), headRow.value(1).toString()} : Head{};
    headRow.finish();

    CatalogRowReader reader(database, historyTable());
    QVariantList row;
    QString previous;
    qint64 expected = 1;
    bool newestFlagged = false;
    while (reader.next(row)) {
        const qint64 key = row.first().toLongLong();
        const QString stored = row.takeLast().toString();
        newestFlagged = false;
        if (key > expected) {
            // The row after a gap was chained to a row that is gone: only the gap can be told.
            result.problems << rowsText(expected, key - 1);
        } else if (digest(previous, row) != stored) {
            result.problems << changedText(row);
            newestFlagged = true;
        }
        previous = stored;
        expected = key + 1;
        if (++result.rows % ProgressEvery == 0 && progress)
            progress(result.rows, total);
    }
    const qint64 last = expected - 1;
    if (head.lastKey > last)
        result.problems << (head.lastKey == last + 1
                                ? QStringLiteral("The newest history row, %1, was removed.").arg(head.lastKey)
                                : QStringLiteral("The newest history rows, %1 to %2, were removed.")
                                      .arg(last + 1)
                                      .arg(head.lastKey));
    else if (head.lastKey < last)
        result.problems << QStringLiteral("History rows %1 to %2 come after the newest row that the catalog "
                                          "recorded: they were not added by Kestrivo.")
                               .arg(head.lastKey + 1)
                               .arg(last);
    else if (last > 0 && head.digest != previous && !newestFlagged)
        result.problems << QStringLiteral("History row %1 was changed: its digest is not the one the catalog "
                                          "recorded.")
                               .arg(last);
    if (progress)
        progress(result.rows, total);
    return result;
}

} // namespace HistoryChain
