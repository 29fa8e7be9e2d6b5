#include "KestrivoCli.h"

#include "TestDatabases.h"

#include <QProcess>

namespace KestrivoCli {

QString program() {
    return qEnvironmentVariable("KESTRIVO_BINARY_DIR") + QStringLiteral("/bin/kestrivo-cli");
}

QStringList withHome(const QString& home, const QString& settings, const QStringList& arguments) {
    return QStringList({QStringLiteral("--home"), home, QStringLiteral("--settings"), settings}) + arguments;
}

Run finished(QProcess& process) {
    if (!process.waitForFinished(300000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Run run(const QString& home, const QString& settings, const QStringList& arguments,
        const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program(), withHome(home, settings, arguments));
    return finished(process);
}

QString Home::connection() const {
    return QStringLiteral("Provider=SQLite;Data Source=") + home() +
           QStringLiteral("/data/kestrivo.db;Persist Security Info=False");
}

QString Home::useCatalog(const QString& rowConnection) const {
    if (!rowConnection.startsWith(QStringLiteral("Provider=SQLite"))) {
        TestDatabases::usePostgresInSettings(settings(), rowConnection);
        return rowConnection;
    }
    return connection();
}

Run runWithInput(const QString& home, const QString& settings, const QStringList& arguments, const QByteArray& input) {
    QProcess process;
    process.start(program(), withHome(home, settings, arguments));
    process.write(input);
    process.closeWriteChannel();
    return finished(process);
}

} // namespace KestrivoCli
