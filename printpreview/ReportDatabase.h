#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <memory>

class DetailStatements;

class QSqlError;

// The report database: one SQLite file of the tables Report and ReportDetail, reached
// through one connection that all control instances of the process share. It is a scratch
// display list that each instance's first report replaces, so recording favours speed:
// the journal stays in memory, nothing waits for the disk, and recorded rows gather in one
// transaction until somebody reads, deletes or closes.
class ReportDatabase {
public:
    static ReportDatabase& shared();

    // Replaces whatever lies at path by a new, empty report database. Refuses a path the
    // shared connection has open, as the file is in use.
    void create(const QString& path);

    void open(const QString& path);
    bool isOpen() const;
    // Commits what was recorded and closes the connection.
    void close();
    // Opens the database again when another instance closed it; a process that never opened
    // it gets an error.
    void ensureOpen();
    // Starts the transaction that recorded rows gather in, and gives the inserts.
    DetailStatements& beginRecording();
    void commit();

    // Queries open the database again when another instance closed it.
    QSqlQuery select(const QString& sql, const QVariantList& values);
    QVariant scalar(const QString& sql, const QVariantList& values);
    void execute(const QString& sql, const QVariantList& values);

    [[noreturn]] static void fail(const QSqlError& error);
    [[noreturn]] static void fail(const QString& databaseText);

private:
    QSqlDatabase handle() const;
    void run(QSqlQuery& statement) const;

    QString m_path;
    bool m_open = false;
    bool m_everOpened = false;
    bool m_recording = false;
    std::unique_ptr<DetailStatements> m_details;
};
