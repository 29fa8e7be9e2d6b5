#include "CatalogCopy.h"

#include "CatalogRowReader.h"
#include "CatalogRowWriter.h"
#include "ConnectionCloser.h"
#include "Database.h"
#include "DatabaseExists.h"
#include "KestrivoError.h"
#include "Schema.h"

#include <QCryptographicHash>
#include <QStringList>

namespace {

constexpr int ProgressEvery = 5000;

KestrivoError copyError(const QString& text) {
    return KestrivoError(ErrorNumber::Database, text);
}

QString counted(qint64 count, const QString& one, const QString& many) {
    return count == 1 ? QStringLiteral("1 ") + one : QStringLiteral("%1 %2").arg(count).arg(many);
}

// A row as the digest takes it: the same text from either engine, one line per row.
void addToDigest(QCryptographicHash& digest, const QVariantList& row) {
    QString line;
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (i > 0)
            line += QLatin1Char('\t');
        const QVariant& value = row.at(i);
        if (!value.isValid()) {
            line += QStringLiteral("\\N");
            continue;
        }
        for (const QChar c : value.toString()) {
            if (c == QLatin1Char('\\'))
                line += QStringLiteral("\\\\");
            else if (c == QLatin1Char('\t'))
                line += QStringLiteral("\\t");
            else if (c == QLatin1Char('\n'))
                line += QStringLiteral("\\n");
            else
                line += c;
        }
    }
    line += QLatin1Char('\n');
    digest.addData(line.toUtf8());
}

int tableCount(const Database& database) {
    return database
        .scalar(
            database.engine() == DatabaseEngine::SQLite
                ? QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%'")
                : QStringLiteral("SELECT COUNT(*) FROM information_schema.tables WHERE "
                                 "table_schema=current_schema()"))
        .toInt();
}

QString newerVersion(int version) {
    return QStringLiteral("was written by a newer version of Kestrivo (schema %1; this program knows %2)")
        .arg(version)
        .arg(Schema::CurrentVersion);
}

} // namespace

CatalogCopy::CatalogCopy(const Database& source, const Database& target) : m_source(source), m_target(target) {}

QString CatalogCopy::sourceRefusal(const Database& source) {
    const int version = Schema::version(source);
    if (version == 0)
        return QStringLiteral("holds no Kestrivo catalog");
    if (version > Schema::CurrentVersion)
        return newerVersion(version);
    return QString();
}

QString CatalogCopy::openTargetRefusal(const Database& target) {
    const int version = Schema::version(target);
    if (version == 0)
        return tableCount(target) > 0 ? QStringLiteral("is a database of another kind: it has tables, but no "
                                                       "Kestrivo catalog")
                                      : QString();
    if (version > Schema::CurrentVersion)
        return newerVersion(version);
    const qint64 templates = target.scalar(QStringLiteral("SELECT COUNT(*) FROM Template")).toLongLong();
    const qint64 evaluations = target.scalar(QStringLiteral("SELECT COUNT(*) FROM Evaluation")).toLongLong();
    // The history of evaluations deleted there is kept, not overwritten.
    const qint64 changes = version < Schema::HistoryVersion
                               ? 0
                               : target.scalar(QStringLiteral("SELECT COUNT(*) FROM EvaluationHistory")).toLongLong();
    if (templates == 0 && evaluations == 0 && changes > 0)
        return QStringLiteral("holds %1 of evaluation history: a catalog is copied only into one that holds no "
                              "template, no evaluation and no history")
            .arg(counted(changes, QStringLiteral("row"), QStringLiteral("rows")));
    if (templates == 0 && evaluations == 0)
        return QString();
    return QStringLiteral("holds %1 and %2: a catalog is copied only into one that holds no template and no "
                          "evaluation")
        .arg(counted(templates, QStringLiteral("template"), QStringLiteral("templates")),
             counted(evaluations, QStringLiteral("evaluation"), QStringLiteral("evaluations")));
}

QString CatalogCopy::namedTargetRefusal(const QString& connectionString) {
    Database target;
    try {
        target = Database::openExisting(connectionString, QStringLiteral("kestrivo-copy-target-check"));
    } catch (const KestrivoError&) {
        // A file or catalog that is not there yet is created empty. A server that cannot be
        // asked says why the target cannot be opened.
        bool missing = false;
        try {
            missing = !databaseExists(connectionString);
        } catch (const KestrivoError&) {
        }
        if (missing)
            return QString();
        throw;
    }
    const ConnectionCloser closer(target);
    return openTargetRefusal(target);
}

void CatalogCopy::report(int table, const QString& name, bool checking) {
    m_state.table = table;
    m_state.name = name;
    m_state.checking = checking;
    if (m_progress)
        m_progress(m_state);
}

qint64 CatalogCopy::sourceCounter(const Database& source, const QString& table, const QString& key) {
    if (source.engine() == DatabaseEngine::SQLite)
        return source.scalar(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE lower(name)=lower(?)"), {table})
            .toLongLong();
    return source
        .scalar(QStringLiteral("SELECT pg_sequence_last_value(pg_get_serial_sequence(?, ?)::regclass)"),
                {table.toLower(), key.toLower()})
        .toLongLong();
}

void CatalogCopy::setCounter(const QString& table, const QString& key, qint64 last) const {
    if (m_target.engine() == DatabaseEngine::SQLite) {
        m_target.execute(QStringLiteral("DELETE FROM sqlite_sequence WHERE lower(name)=lower(?)"), {table});
        if (last > 0)
            m_target.execute(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"), {table, last});
        return;
    }
    m_target.execute(QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), ?, ?)"),
                     {table.toLower(), key.toLower(), qMax<qint64>(last, 1), last > 0});
}

void CatalogCopy::clearTarget() const {
    const QList<Schema::Table>& tables = Schema::tables();
    if (m_target.engine() == DatabaseEngine::PostgreSQL) {
        // No other PC may add a template while the target is found empty and filled.
        QStringList names;
        for (const Schema::Table& table : tables)
            names << table.name;
        m_target.execute(QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(names.join(QStringLiteral(", "))));
    }
    const QString refusal = openTargetRefusal(m_target);
    if (!refusal.isEmpty())
        throw copyError(QStringLiteral("The target %1. Nothing was written.").arg(refusal));
    // The single rows and report definitions of the empty catalog give way to the source's.
    for (qsizetype i = tables.size() - 1; i >= 0; --i)
        m_target.execute(QStringLiteral("DELETE FROM ") + tables.at(i).name);
}

QList<CatalogCopy::TableCheck> CatalogCopy::run() {
    const QList<Schema::Table>& tables = Schema::tables();
    Transaction snapshot(m_source);
    if (m_source.engine() == DatabaseEngine::PostgreSQL)
        m_source.execute(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
    const QString refusal = sourceRefusal(m_source);
    if (!refusal.isEmpty())
        throw copyError(QStringLiteral("The source %1. Nothing was written.").arg(refusal));
    // A catalog of an earlier version lacks what came later: it is copied as if it had it, empty.
    const int sourceVersion = Schema::version(m_source);
    m_state = Progress();
    m_state.tables = int(tables.size());
    for (const Schema::Table& table : tables) {
        if (table.since <= sourceVersion)
            m_state.rowsTotal += 2 * m_source.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table.name).toLongLong();
    }

    Transaction transaction(m_target);
    clearTarget();
    QList<TableCheck> copied;
    QList<qint64> counters;
    QVariantList row;
    for (int i = 0; i < tables.size(); ++i) {
        const Schema::Table& table = tables.at(i);
        report(i + 1, table.name, false);
        CatalogRowReader reader(m_source, table, sourceVersion);
        CatalogRowWriter writer(m_target, table);
        QCryptographicHash digest(QCryptographicHash::Sha256);
        TableCheck check{table.name, 0, {}};
        qint64 lastKey = 0;
        while (reader.next(row)) {
            writer.add(row);
            addToDigest(digest, row);
            lastKey = row.first().toLongLong();
            ++check.rows;
            if (++m_state.rowsCopied % ProgressEvery == 0)
                report(i + 1, table.name, false);
        }
        writer.flush();
        check.digest = digest.result();
        copied.append(check);
        counters.append(table.since > sourceVersion ? lastKey
                                                    : qMax(lastKey, sourceCounter(m_source, table.name, table.key())));
    }

    // Each table is read back from the target, inside the transaction that wrote it.
    for (int i = 0; i < tables.size(); ++i) {
        const Schema::Table& table = tables.at(i);
        report(i + 1, table.name, true);
        CatalogRowReader reader(m_target, table);
        QCryptographicHash digest(QCryptographicHash::Sha256);
        qint64 rows = 0;
        while (reader.next(row)) {
            addToDigest(digest, row);
            ++rows;
            if (++m_state.rowsCopied % ProgressEvery == 0)
                report(i + 1, table.name, true);
        }
        const TableCheck& expected = copied.at(i);
        if (rows != expected.rows)
            throw copyError(QStringLiteral("The copy of the table %1 holds %2 where the source holds %3; nothing "
                                           "was kept.")
                                .arg(table.name, counted(rows, QStringLiteral("row"), QStringLiteral("rows")),
                                     counted(expected.rows, QStringLiteral("row"), QStringLiteral("rows"))));
        if (digest.result() != expected.digest)
            throw copyError(
                QStringLiteral("The rows of the table %1 in the copy differ from the source's; nothing was kept.")
                    .arg(table.name));
    }
    for (int i = 0; i < tables.size(); ++i)
        setCounter(tables.at(i).name, tables.at(i).key(), counters.at(i));
    // A catalog of an older program lacks what this one adds to every catalog; after the
    // counters, so the rows take keys past the copied ones.
    Schema::addRowsSince(m_target, Schema::version(m_source));
    transaction.commit();
    m_target.refreshStatistics();
    m_state.rowsCopied = m_state.rowsTotal;
    report(int(tables.size()), QString(), true);
    return copied;
}
