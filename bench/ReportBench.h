#pragma once

#include "ConnectionString.h"
#include "ReportRequest.h"

#include <QString>
#include <QStringList>
#include <functional>

class Database;

// What the report benchmarks share: how they run, where their files go and the request of
// every evaluation of a template.
namespace ReportBench {

// Runs body with the program's arguments: offscreen unless a display is chosen, standard
// output line by line (so a child process prints in its place), every message printed on the
// error output and answered with its default, the print-preview library's messages routed to
// the same. An error ends the run with exit code 1, named after the benchmark.
int run(int argc, char* argv[], const char* benchmark, const std::function<int(const QStringList&)>& body);

// Runs the engine's part on SQLite in folder/SQLite, then on PostgreSQL in folder/PostgreSQL
// when a server is given (else says how to give one); the exit codes or-ed.
int eachEngine(const QString& folder, const std::function<int(DatabaseEngine, const QString&)>& part,
               const char* serverHint);

// The settings' data, logs and report database in folder.
void useFolder(const QString& folder);
// Makes folder; the connection to bench.db there on SQLite, to a fresh catalog on PostgreSQL.
QString connectionIn(DatabaseEngine engine, const QString& folder);

// The report over every evaluation of the template, in the report window's order (by group,
// then file name), each chosen, with the dates that take in all.
ReportRequest everyEvaluation(const Database& db, const QString& reportName, qint64 templateKey,
                              const QString& templateText);

// The pages of a report recorded into the settings' report database.
int pagesOf(int reportKey);

// The peak resident memory of this process so far.
double peakMegabytes();

} // namespace ReportBench
