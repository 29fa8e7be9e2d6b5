#include "BenchCli.h"

#include <QCoreApplication>
#include <QProcess>
#include <cstdio>

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
