#include "BenchCli.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace BenchCli {

QString program() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/kestrivo-cli");
}

QStringList homeOptions(const QString& home) {
    return {QStringLiteral("--home"), home, QStringLiteral("--settings"), home + QStringLiteral("/Kestrivo.ini")};
}

bool run(const QString& home, const QStringList& arguments, QString* out) {
    QProcess process;
    process.start(program(), homeOptions(home) + arguments);
    const bool ended = process.waitForFinished(-1);
    if (out)
        *out = QString::fromUtf8(process.readAllStandardOutput());
    if (ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    std::fprintf(stderr, "kestrivo-cli %s failed: %s\n", qPrintable(arguments.join(' ')),
                 process.readAllStandardError().constData());
    return false;
}

Measured measure(const QString& home, const QStringList& arguments) {
    Measured result;
    QTemporaryFile out;
    QTemporaryFile usage;
    if (!out.open() || !usage.open())
        return result;
    // Through GNU time, which forks the program from its own small process: Linux carries the
    // spawning process's peak memory over into a child's, and this one's grows with the
    // catalogs it fills.
    QList<QByteArray> words{"/usr/bin/time",        "-f", "%M %U %S", "-o", usage.fileName().toLocal8Bit(),
                            program().toLocal8Bit()};
    for (const QString& word : homeOptions(home) + arguments)
        words << word.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out.handle(), STDOUT_FILENO);
    QElapsedTimer clock;
    clock.start();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv.front(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return result;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.seconds = clock.nsecsElapsed() / 1e9;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // The last line: GNU time puts a note of a failed command before it.
    const QStringList figures = QString::fromUtf8(usage.readAll()).trimmed().split('\n').last().split(' ');
    if (figures.size() == 3) {
        result.peakMegabytes = figures.at(0).toDouble() / 1024.0;
        result.cpuSeconds = figures.at(1).toDouble() + figures.at(2).toDouble();
    }
    out.seek(0);
    result.out = QString::fromUtf8(out.readAll());
    return result;
}

QString catalogOf(const QString& connection) {
    return connection.section(QStringLiteral("Initial Catalog="), 1).section(';', 0, 0);
}

QString serverOf(const QString& connection) {
    return connection.section(QStringLiteral("Data Source="), 1).section(';', 0, 0);
}

bool initHome(const QString& home, const QString& connection, const QString& unitRoot) {
    return run(home, {QStringLiteral("init"), QStringLiteral("--postgres"),
                      serverOf(connection) + '/' + catalogOf(connection)}) &&
           run(home, {QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("UnitPath"), unitRoot});
}

} // namespace BenchCli
