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

// One run of kestrivo-cli in the home, timed: wall seconds and, as GNU time gives them, the
// process's own peak resident memory and CPU time, its exit code and standard output.
struct Measured {
    double seconds = 0;
    double cpuSeconds = 0; // user and system time: the part that is not waiting for the disk
    double peakMegabytes = 0;
    int exitCode = -1;
    QString out;
};
Measured measure(const QString& home, const QStringList& arguments);

// The catalog and the server (host:port) that a PostgreSQL connection string names.
QString catalogOf(const QString& connection);
QString serverOf(const QString& connection);

// Gives the home its first-run settings on that PostgreSQL catalog and the unit folder.
bool initHome(const QString& home, const QString& connection, const QString& unitRoot);

} // namespace BenchCli
