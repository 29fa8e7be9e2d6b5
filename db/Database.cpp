#include "Database.h"

#include "KestrivoError.h"
#include "Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QTimeZone>

namespace {

QString providerSource(DatabaseEngine engine) {
    return engine == DatabaseEngine::SQLite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");
}

KestrivoError databaseError(DatabaseEngine engine, const QString& reason) {
    return KestrivoError(ErrorNumber::Database, reason, providerSource(engine));
}

QString reasonOf(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

QSqlDatabase openSqlite(const ConnectionString& parts, const QString& name) {
    const QFileInfo file(parts.dataSource);
    if (!file.absoluteDir().exists())
        throw databaseError(DatabaseEngine::SQLite,
                            QStringLiteral("The folder %1 does not exist.").arg(file.absolutePath()));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(parts.dataSource);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw databaseError(DatabaseEngine::SQLite, reasonOf(db.lastError()));
    return db;
}

QSqlDatabase connectPostgres(const ConnectionString& parts, const QString& name, const QString& catalog) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setDatabaseName(catalog);
    if (!parts.host().isEmpty())
        db.setHostName(parts.host());
    if (parts.port() > 0)
        db.setPort(parts.port());
    QString options = QStringLiteral("connect_timeout=5");
    if (!parts.options.isEmpty())
        options += ';' + parts.options;
    db.setConnectOptions(options);
    db.open();
    return db;
}

QSqlDatabase openPostgres(const ConnectionString& parts, const QString& name) {
    QSqlDatabase db = connectPostgres(parts, name, parts.initialCatalog);
    if (db.isOpen())
        return db;
    const QString reason = reasonOf(db.lastError());
    if (!reason.contains(QStringLiteral("does not exist")) || !reason.contains(QStringLiteral("database"))) {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw databaseError(DatabaseEngine::PostgreSQL, reason);
    }
    // A catalog that is not there yet is created, as a missing database file is.
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    {
        const QString maintenance = name + QStringLiteral("-create");
        QSqlDatabase server = connectPostgres(parts, maintenance, QStringLiteral("postgres"));
        QString failure;
        if (!server.isOpen()) {
            failure = reasonOf(server.lastError());
        } else {
            QSqlQuery create(server);
            const QString quoted = '"' + QString(parts.initialCatalog).replace('"', QStringLiteral("\"\"")) + '"';
            if (!create.exec(QStringLiteral("CREATE DATABASE ") + quoted))
                failure = reasonOf(create.lastError());
        }
        server = QSqlDatabase();
        QSqlDatabase::removeDatabase(maintenance);
        if (!failure.isEmpty())
            throw databaseError(DatabaseEngine::PostgreSQL, failure);
    }
    db = connectPostgres(parts, name, parts.initialCatalog);
    if (!db.isOpen()) {
        const QString again = reasonOf(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw databaseError(DatabaseEngine::PostgreSQL, again);
    }
    return db;
}

} // namespace

Database Database::open(const QString& connectionString, const QString& connectionName) {
    const ConnectionString parts = ConnectionString::parse(connectionString);
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
    Database database(connectionName, parts.engine);
    try {
        if (parts.engine == DatabaseEngine::SQLite) {
            openSqlite(parts, connectionName);
            // Foreign keys are off by default on every new SQLite connection. WAL keeps a
            // killed import from leaving a half-written file and makes each commit cheap.
            database.execute(QStringLiteral("PRAGMA foreign_keys=ON"));
            database.query(QStringLiteral("PRAGMA journal_mode=WAL"));
            database.execute(QStringLiteral("PRAGMA synchronous=NORMAL"));
        } else {
            openPostgres(parts, connectionName);
            // Downloaded holds the local time of insertion: the PC's, not the server's.
            // A zone the server does not know leaves the server's own.
            const QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
            if (!zone.isEmpty()) {
                try {
                    database.execute(QStringLiteral("SELECT set_config('TimeZone', ?, false)"), {zone});
                } catch (const KestrivoError&) {
                }
            }
            database.execute(QStringLiteral("SET client_min_messages TO warning"));
        }
        Schema::ensure(database);
    } catch (...) {
        database.close();
        throw;
    }
    return database;
}

bool Database::isOpen() const {
    return !m_connectionName.isEmpty() && QSqlDatabase::contains(m_connectionName) && handle().isOpen();
}

QSqlDatabase Database::handle() const {
    return QSqlDatabase::database(m_connectionName, false);
}

void Database::fail(const QSqlQuery& query, const QString& sql) const {
    Q_UNUSED(sql);
    throw databaseError(m_engine, reasonOf(query.lastError()));
}

QSqlQuery Database::prepare(const QString& sql) const {
    QSqlQuery statement(handle());
    statement.setForwardOnly(true);
    if (!statement.prepare(sql))
        fail(statement, sql);
    return statement;
}

void Database::run(QSqlQuery& statement, const QVariantList& values) const {
    for (int i = 0; i < values.size(); ++i)
        statement.bindValue(i, values.at(i));
    if (!statement.exec())
        fail(statement, statement.lastQuery());
}

QSqlQuery Database::query(const QString& sql, const QVariantList& values) const {
    QSqlQuery statement(handle());
    statement.setForwardOnly(true);
    if (values.isEmpty()) {
        if (!statement.exec(sql))
            fail(statement, sql);
        return statement;
    }
    if (!statement.prepare(sql))
        fail(statement, sql);
    run(statement, values);
    return statement;
}

void Database::execute(const QString& sql, const QVariantList& values) const {
    query(sql, values);
}

QVariant Database::scalar(const QString& sql, const QVariantList& values) const {
    QSqlQuery result = query(sql, values);
    return result.next() ? result.value(0) : QVariant();
}

qint64 Database::insert(const QString& table, const QStringList& columns, const QVariantList& values) const {
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    const QString keyColumn = table + QStringLiteral("Key");
    const QString sql =
        columns.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING %2").arg(table, keyColumn)
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
                  .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")), keyColumn);
    QSqlQuery result = query(sql, values);
    if (!result.next())
        throw databaseError(m_engine, QStringLiteral("The database returned no key for the new %1 row.").arg(table));
    return result.value(0).toLongLong();
}

void Database::close() {
    if (m_connectionName.isEmpty() || !QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

Transaction::Transaction(const Database& database) : m_database(database) {
    if (!m_database.handle().transaction())
        throw KestrivoError(
            ErrorNumber::Database,
            QStringLiteral("A transaction cannot be started: %1").arg(reasonOf(m_database.handle().lastError())),
            providerSource(m_database.engine()));
    m_open = true;
}

Transaction::~Transaction() {
    if (m_open)
        m_database.handle().rollback();
}

void Transaction::commit() {
    if (!m_database.handle().commit()) {
        const QString reason = reasonOf(m_database.handle().lastError());
        m_database.handle().rollback();
        m_open = false;
        throw KestrivoError(ErrorNumber::Database, QStringLiteral("The changes cannot be saved: %1").arg(reason),
                            providerSource(m_database.engine()));
    }
    m_open = false;
}
