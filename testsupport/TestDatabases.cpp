#include "TestDatabases.h"

#include "Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <QUuid>

namespace TestDatabases {

bool postgresAvailable() {
    return !qEnvironmentVariable("KESTRIVO_TEST_PGHOST").isEmpty();
}

QString home() {
    QString folder = qEnvironmentVariable("KESTRIVO_HOME");
    if (folder.isEmpty())
        folder = QDir::tempPath() + QStringLiteral("/kestrivo-test-home");
    if (!folder.endsWith('/'))
        folder += '/';
    QDir().mkpath(folder);
    return folder;
}

void addEngineRows() {
    QTest::addColumn<QString>("connection");
    QTest::newRow("SQLite") << freshConnectionString(DatabaseEngine::SQLite);
    if (postgresAvailable())
        QTest::newRow("PostgreSQL") << freshConnectionString(DatabaseEngine::PostgreSQL);
    else if (!qEnvironmentVariable("CI").isEmpty())
        QTest::qFail("no PostgreSQL server for the database tests (KESTRIVO_TEST_PGHOST)", __FILE__, __LINE__);
}

void addEngines() {
    QTest::addColumn<DatabaseEngine>("engine");
    QTest::newRow("SQLite") << DatabaseEngine::SQLite;
    if (postgresAvailable())
        QTest::newRow("PostgreSQL") << DatabaseEngine::PostgreSQL;
    else if (!qEnvironmentVariable("CI").isEmpty())
        QTest::qFail("no PostgreSQL server for the database tests (KESTRIVO_TEST_PGHOST)", __FILE__, __LINE__);
}

DatabaseEngine engineOfRow() {
    return qstrcmp(QTest::currentDataTag(), "PostgreSQL") == 0 ? DatabaseEngine::PostgreSQL : DatabaseEngine::SQLite;
}

QString freshConnectionString(DatabaseEngine engine) {
    const QString unique = QUuid::createUuid().toString(QUuid::Id128).left(12);
    if (engine == DatabaseEngine::SQLite) {
        QDir().mkpath(home() + QStringLiteral("data"));
        return QStringLiteral("Provider=SQLite;Data Source=%1data/test-%2.db;Persist Security Info=False")
            .arg(home(), unique);
    }
    QString server = qEnvironmentVariable("KESTRIVO_TEST_PGHOST");
    const QString port = qEnvironmentVariable("KESTRIVO_TEST_PGPORT");
    if (!port.isEmpty())
        server += ':' + port;
    return QStringLiteral("Provider=PostgreSQL;Initial Catalog=kt_%1;Data Source=%2;Persist Security Info=False;")
        .arg(unique, server);
}

void usePostgresInSettings(const QString& settingsFile, const QString& connection) {
    const ConnectionString parts = ConnectionString::parse(connection);
    QSettings ini(settingsFile, QSettings::IniFormat);
    const QString key = QStringLiteral("HKEY_LOCAL_MACHINE/Software/Halvane/Kestrivo/");
    ini.setValue(key + QStringLiteral("Provider"), QStringLiteral("PostgreSQL"));
    ini.setValue(key + QStringLiteral("DataSource"), parts.initialCatalog);
    ini.setValue(key + QStringLiteral("DataServer"), parts.dataSource);
}

bool anotherIsWriting(const QString& connection, const QString& table) {
    if (ConnectionString::parse(connection).engine == DatabaseEngine::PostgreSQL) {
        Database db = Database::open(connection, QStringLiteral("probe"));
        const bool writing =
            db.scalar(QStringLiteral("SELECT COUNT(*) FROM pg_locks l INNER JOIN pg_class c ON l.relation = c.oid "
                                     "WHERE c.relname = ? AND l.mode = 'RowExclusiveLock' AND l.pid <> "
                                     "pg_backend_pid()"),
                      {table.toLower()})
                .toInt() > 0;
        db.close();
        return writing;
    }
    bool writing = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lockprobe"));
        db.setDatabaseName(ConnectionString::parse(connection).dataSource);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        if (db.open()) {
            QSqlQuery begin(db);
            writing = !begin.exec(QStringLiteral("BEGIN IMMEDIATE"));
            if (!writing)
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lockprobe"));
    return writing;
}

bool caughtRunning(const QProcess& process, const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (process.state() == QProcess::Running && clock.elapsed() < 400000) {
        if (condition())
            return true;
        QThread::msleep(10);
    }
    return false;
}

} // namespace TestDatabases
