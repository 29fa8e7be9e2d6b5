#include "Database.h"

#include "CatalogRights.h"
#include "DatabaseExists.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "Schema.h"
#include "TextCollation.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
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
    // The server names the function of the catalog's own checks that raised an error; the
    // user needs only what it says.
    static const QRegularExpression context(QStringLiteral("\nCONTEXT:[^\n]*"));
    text.remove(context);
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

// libpq explains a connection failure over several indented lines; the first says what
// happened.
QString firstLine(const QString& text) {
    for (const QString& line : text.split('\n')) {
        if (!line.trimmed().isEmpty())
            return line.simplified();
    }
    return QString();
}

KestrivoError lostConnection(DatabaseEngine engine, const QString& reason) {
    const QString line = firstLine(reason);
    return databaseError(engine, line.isEmpty()
                                     ? QStringLiteral("The connection to the database server was lost.")
                                     : QStringLiteral("The connection to the database server was lost: %1").arg(line));
}

QSqlDatabase openSqlite(const ConnectionString& parts, const QString& name, bool existing) {
    const QFileInfo file(parts.dataSource);
    if (!file.absoluteDir().exists())
        throw databaseError(DatabaseEngine::SQLite,
                            QStringLiteral("The folder %1 does not exist.").arg(file.absolutePath()));
    if (existing && !file.isFile())
        throw databaseError(DatabaseEngine::SQLite,
                            QStringLiteral("The file %1 does not exist.").arg(file.absoluteFilePath()));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(parts.dataSource);
    db.setConnectOptions(existing ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_READONLY")
                                  : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
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

QSqlDatabase openPostgres(const ConnectionString& parts, const QString& name, bool existing) {
    QSqlDatabase db = connectPostgres(parts, name, parts.initialCatalog);
    if (db.isOpen())
        return db;
    const QString reason = reasonOf(db.lastError());
    if (existing || !reason.contains(QStringLiteral("does not exist")) ||
        !reason.contains(QStringLiteral("database"))) {
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

// Whether the server has a catalog of that name, asked through its maintenance database.
bool catalogListed(const ConnectionString& parts) {
    const QString name = QStringLiteral("kestrivo-catalog-list");
    bool listed = false;
    QString failure;
    {
        QSqlDatabase server = connectPostgres(parts, name, QStringLiteral("postgres"));
        QSqlQuery query(server);
        if (!server.isOpen())
            failure = reasonOf(server.lastError());
        else if (!query.prepare(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?")))
            failure = reasonOf(query.lastError());
        query.addBindValue(parts.initialCatalog);
        if (failure.isEmpty() && !query.exec())
            failure = reasonOf(query.lastError());
        listed = failure.isEmpty() && query.next();
    }
    QSqlDatabase::removeDatabase(name);
    if (!failure.isEmpty())
        throw databaseError(DatabaseEngine::PostgreSQL, failure);
    return listed;
}

} // namespace

bool databaseExists(const QString& connectionString) {
    const ConnectionString parts = ConnectionString::parse(connectionString);
    if (parts.engine == DatabaseEngine::SQLite)
        return QFileInfo(parts.dataSource).isFile();
    return catalogListed(parts);
}

Database Database::open(const QString& connectionString, const QString& connectionName) {
    Database database = openConnection(connectionString, connectionName, false);
    try {
        Schema::ensure(database);
    } catch (...) {
        database.close();
        throw;
    }
    return database;
}

Database Database::openExisting(const QString& connectionString, const QString& connectionName) {
    return openConnection(connectionString, connectionName, true);
}

Database Database::openAnother(const QString& connectionName) const {
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
    Database database(connectionName, m_engine, m_readOnly);
    {
        QSqlDatabase db = QSqlDatabase::cloneDatabase(m_connectionName, connectionName);
        if (!db.open()) {
            const QString reason = reasonOf(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connectionName);
            throw databaseError(m_engine,
                                QStringLiteral("The database server cannot be reached: %1").arg(firstLine(reason)));
        }
    }
    try {
        database.configureSession();
    } catch (...) {
        database.close();
        throw;
    }
    return database;
}

Database Database::openConnection(const QString& connectionString, const QString& connectionName, bool existing) {
    const ConnectionString parts = ConnectionString::parse(connectionString);
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
    Database database(connectionName, parts.engine, existing);
    try {
        if (parts.engine == DatabaseEngine::SQLite)
            openSqlite(parts, connectionName, existing);
        else
            openPostgres(parts, connectionName, existing);
        database.configureSession();
    } catch (...) {
        database.close();
        throw;
    }
    return database;
}

void Database::configureSession() const {
    if (m_engine == DatabaseEngine::SQLite) {
        // Foreign keys are off by default on every new SQLite connection. WAL keeps a
        // killed import from leaving a half-written file and makes each commit cheap. A commit
        // reaches the disk before it returns: an import removes its files from the unit right
        // after, and a power cut must not take back rows whose files are gone.
        execute(QStringLiteral("PRAGMA foreign_keys=ON"));
        TextCollation::install(handle());
        if (m_readOnly)
            return;
        query(QStringLiteral("PRAGMA journal_mode=WAL"));
        execute(QStringLiteral("PRAGMA synchronous=FULL"));
        return;
    }
    // Downloaded holds the local time of insertion: the PC's, not the server's. A zone the
    // server does not know leaves the server's own.
    const QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    if (!zone.isEmpty()) {
        try {
            execute(QStringLiteral("SELECT set_config('TimeZone', ?, false)"), {zone});
        } catch (const KestrivoError&) {
        }
    }
    // The server compiles a statement whose estimate passes a threshold. The program's statements
    // read a slice of rows through an index, whose estimate runs high: compiling took a tenth
    // of a second, five times what the statement took. A server without the setting ignores it.
    try {
        execute(QStringLiteral("SELECT set_config('jit', 'off', false)"));
    } catch (const KestrivoError&) {
    }
    execute(QStringLiteral("SET client_min_messages TO warning"));
}

bool Database::isOpen() const {
    return !m_connectionName.isEmpty() && QSqlDatabase::contains(m_connectionName) && handle().isOpen();
}

QSqlDatabase Database::handle() const {
    return QSqlDatabase::database(m_connectionName, false);
}

QSqlDatabase Database::connected() const {
    QSqlDatabase db = handle();
    if (db.isOpen() || !db.isValid() || !m_session)
        return db;
    // The failure that found the connection gone was reported then; a transaction that was
    // open on it is gone with it, and its remaining statements must not run on their own.
    if (m_session->openTransactions > 0)
        throw databaseError(m_engine, QStringLiteral("The connection to the database server was lost in the middle of "
                                                     "a change; nothing of the change was saved."));
    if (!db.open())
        throw databaseError(
            m_engine,
            QStringLiteral("The database server cannot be reached: %1").arg(firstLine(reasonOf(db.lastError()))));
    configureSession();
    return db;
}

bool Database::connectionLost() const {
    if (m_engine != DatabaseEngine::PostgreSQL || !m_session)
        return false;
    QSqlDatabase db = handle();
    if (!db.isOpen())
        return true;
    // The driver closes a connection that the server dropped, but a statement read row by
    // row fails without a look at the connection: a plain one looks. It changes nothing,
    // also inside a transaction that the failure has spoiled.
    QSqlQuery probe(db);
    probe.exec(QStringLiteral("SELECT 1"));
    return !db.isOpen();
}

void Database::fail(const QSqlQuery& query) const {
    const QString reason = reasonOf(query.lastError());
    // The server refused for want of rights: the user is told which rights, in one sentence.
    if (m_engine == DatabaseEngine::PostgreSQL && query.lastError().nativeErrorCode() == QLatin1String("42501"))
        throw KestrivoError(ErrorNumber::NoRights, CatalogRights::refusal(reason), providerSource(m_engine));
    if (connectionLost())
        throw lostConnection(m_engine, reason);
    throw databaseError(m_engine, reason);
}

QSqlQuery Database::prepare(const QString& sql) const {
    QSqlQuery statement(connected());
    statement.setForwardOnly(true);
    if (!statement.prepare(sql))
        fail(statement);
    return statement;
}

void Database::run(QSqlQuery& statement, const QVariantList& values) const {
    for (int i = 0; i < values.size(); ++i)
        statement.bindValue(i, values.at(i));
    if (!statement.exec())
        fail(statement);
}

QSqlQuery Database::query(const QString& sql, const QVariantList& values) const {
    return query(sql, values, true);
}

QSqlQuery Database::querySlice(const QString& sql, const QVariantList& values) const {
    return query(sql, values, m_engine != DatabaseEngine::PostgreSQL);
}

QSqlQuery Database::query(const QString& sql, const QVariantList& values, bool forwardOnly) const {
    QSqlQuery statement(connected());
    statement.setForwardOnly(forwardOnly);
    if (values.isEmpty()) {
        if (!statement.exec(sql))
            fail(statement);
        return statement;
    }
    if (!statement.prepare(sql))
        fail(statement);
    run(statement, values);
    return statement;
}

void Database::execute(const QString& sql, const QVariantList& values) const {
    query(sql, values);
}

void Database::refreshStatistics() const {
    if (m_engine != DatabaseEngine::PostgreSQL)
        return;
    // The rows are written by now: a refusal goes to the error log, never the failure of what
    // wrote them, nor a box in the middle of it.
    try {
        execute(QStringLiteral("ANALYZE"));
    } catch (const KestrivoError& error) {
        AppendErrorRecord(error, QStringLiteral("refreshStatistics"));
    }
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

Transaction::Transaction(const Database& database, Kind kind) : m_database(database) {
    QSqlDatabase db = m_database.connected();
    // SQLite lets a transaction that has read begin to write only while no other connection
    // has written since: one that reads before it writes takes the write lock first.
    if (kind == Writing && m_database.m_engine == DatabaseEngine::SQLite) {
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
            throw databaseError(m_database.m_engine,
                                QStringLiteral("A transaction cannot be started: %1").arg(reasonOf(begin.lastError())));
    } else if (!db.transaction()) {
        const QString reason = reasonOf(db.lastError());
        if (m_database.m_engine == DatabaseEngine::PostgreSQL && !db.isOpen())
            throw lostConnection(m_database.m_engine, reason);
        throw databaseError(m_database.m_engine, QStringLiteral("A transaction cannot be started: %1").arg(reason));
    }
    m_open = true;
    if (m_database.m_session)
        ++m_database.m_session->openTransactions;
}

Transaction::~Transaction() {
    if (m_open) {
        // On a lost connection there is nothing to roll back: the server has done it.
        QSqlDatabase db = m_database.handle();
        if (db.isOpen())
            db.rollback();
        finish();
    }
}

void Transaction::finish() {
    m_open = false;
    if (m_database.m_session)
        --m_database.m_session->openTransactions;
}

void Transaction::commit() {
    QSqlDatabase db = m_database.handle();
    if (!db.isOpen()) {
        finish();
        throw lostConnection(m_database.m_engine, QString());
    }
    if (!db.commit()) {
        const QString reason = reasonOf(db.lastError());
        const bool lost = m_database.m_engine == DatabaseEngine::PostgreSQL && !db.isOpen();
        if (!lost)
            db.rollback();
        finish();
        if (lost)
            throw lostConnection(m_database.m_engine, reason);
        throw databaseError(m_database.m_engine, QStringLiteral("The changes cannot be saved: %1").arg(reason));
    }
    finish();
}
