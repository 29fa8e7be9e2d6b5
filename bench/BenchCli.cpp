#include "BenchCli.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
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
    if (!out.open())
        return result;
    QList<QByteArray> words{program().toLocal8Bit()};
    for (const QString& word : homeOptions(home) + arguments)
        words << word.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    // Spawned and reaped here rather than through QProcess: wait4 gives this one child's
    // peak memory, where getrusage would give the highest of every child so far.
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
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.seconds = clock.nsecsElapsed() / 1e9;
    result.peakMegabytes = usage.ru_maxrss / 1024.0;
    const auto seconds = [](const timeval& time) { return double(time.tv_sec) + time.tv_usec / 1e6; };
    result.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
