#include "TestDatabases.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>
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

} // namespace TestDatabases
