#pragma once

#include "ConnectionString.h"

#include <QString>
#include <functional>

class QProcess;

// Fresh evaluation databases for tests: an SQLite file in the test's private home, and a
// new catalog on the throwaway PostgreSQL server that the test command starts
// (KESTRIVO_TEST_PGHOST / KESTRIVO_TEST_PGPORT).
namespace TestDatabases {

bool postgresAvailable();
// Adds the column "connection" and one row per engine; under CI a missing PostgreSQL server
// fails the test instead of leaving it out.
void addEngineRows();
// Adds the column "engine" (a DatabaseEngine) and one row per engine, for tests that take a
// fresh database in every test function; the same CI rule as addEngineRows.
void addEngines();
QString freshConnectionString(DatabaseEngine engine);
// The engine of the running test's row as addEngines names it; SQLite for a test without
// rows, so that a test class can give only some of its tests a row per engine.
DatabaseEngine engineOfRow();
QString home(); // the test's private KESTRIVO_HOME, ending with "/"
// Points a settings file at the PostgreSQL catalog of the connection, as the options window
// would, so that the programs a test starts use it.
void usePostgresInSettings(const QString& settingsFile, const QString& connection);
// True while another connection is in the middle of a write: it holds the write lock of the
// SQLite file, or has rows of an open transaction in the table on the server. Tests that
// kill a writing process wait for this.
bool anotherIsWriting(const QString& connection, const QString& table);
// Waits for the condition while the process runs, a few minutes at most (a loaded machine is
// slow to start a program); true once it holds. Tests that kill a process in the middle of its
// work wait for that moment with it.
bool caughtRunning(const QProcess& process, const std::function<bool()>& condition);

} // namespace TestDatabases
