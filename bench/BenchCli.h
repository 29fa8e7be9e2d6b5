#pragma once

#include <QString>
#include <QStringList>

// PCs of the benchmarks: each is a kestrivo-cli home (program folder and settings file of its
// own), run by the kestrivo-cli built beside the benchmark.
namespace BenchCli {

QString program();
// The options that make kestrivo-cli work in that home.
QStringList homeOptions(const QString& home);
// Runs kestrivo-cli in the home and waits; false, with its error output printed, when it fails.
// Its standard output goes to out when given.
bool run(const QString& home, const QStringList& arguments, QString* out = nullptr);

// The catalog and the server (host:port) that a PostgreSQL connection string names.
QString catalogOf(const QString& connection);
QString serverOf(const QString& connection);

// Gives the home its first-run settings on that PostgreSQL catalog and the unit folder.
bool initHome(const QString& home, const QString& connection, const QString& unitRoot);

} // namespace BenchCli
