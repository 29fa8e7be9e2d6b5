#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class Database;

// Copies a whole catalog into one that holds no template and no evaluation, every key
// unchanged. The source is read inside one snapshot, so a copy taken while other PCs add
// evaluations is consistent. The target is written in one transaction, which commits only
// once every table holds as many rows, with the same digest of its rows in key order, as the
// source: a copy that fails or is interrupted leaves the target as it was. The target's key
// counters end past the copied keys, and past the source's own counters.
class CatalogCopy {
public:
    struct TableCheck {
        QString table;
        qint64 rows = 0;
        QByteArray digest; // SHA-256 of the rows in key order, the same on both sides
    };
    struct Progress {
        int table = 0; // counted from 1
        int tables = 0;
        QString name;
        bool checking = false; // reading the table back from the target
        qint64 rowsCopied = 0; // of all tables, copied and then read back
        qint64 rowsTotal = 0;
    };
    using ProgressHandler = std::function<void(const Progress&)>;

    CatalogCopy(const Database& source, const Database& target);
    void setProgressHandler(ProgressHandler handler) { m_progress = std::move(handler); }

    // Throws KestrivoError with the reason when the copy is refused or fails.
    QList<TableCheck> run();

    // Why the open database cannot take a copy (it holds templates or evaluations); empty when
    // it can.
    static QString openTargetRefusal(const Database& target);
    // The same for the database a connection string names, before anything is opened for the
    // copy and without changing it; a database that does not exist yet can take a copy.
    static QString namedTargetRefusal(const QString& connectionString);
    // Why the open database cannot be copied (it is no catalog, or one of a newer program);
    // empty when it can.
    static QString sourceRefusal(const Database& source);

private:
    void clearTarget() const;
    void report(int table, const QString& name, bool checking);
    static qint64 sourceCounter(const Database& source, const QString& table, const QString& key);
    void setCounter(const QString& table, const QString& key, qint64 last) const;

    const Database& m_source;
    const Database& m_target;
    ProgressHandler m_progress;
    Progress m_state;
};
