#include "ThrowawayServer.h"

#include <QDir>
#include <QProcess>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Port = 5432;

QString serverPrograms() {
    QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    return versions.isEmpty() ? QString() : QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(versions.last());
}

bool isRoot() {
    return geteuid() == 0;
}

} // namespace

ThrowawayServer::ThrowawayServer() : m_folder(QDir::tempPath() + QStringLiteral("/kestrivo-server-XXXXXX")) {
    m_user = isRoot() ? QStringLiteral("postgres") : qEnvironmentVariable("USER");
}

ThrowawayServer::~ThrowawayServer() {
    if (m_running)
        run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_folder.path() + QStringLiteral("/data"),
                                       QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("stop")});
}

bool ThrowawayServer::installed() {
    const QString programs = serverPrograms();
    return !programs.isEmpty() && QFile::exists(programs + QStringLiteral("initdb"));
}

bool ThrowawayServer::run(const QString& program, const QStringList& arguments) {
    QProcess process;
    // The server's user must be able to enter the folder it starts in.
    process.setWorkingDirectory(m_folder.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (isRoot())
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), m_user, QStringLiteral("--"), serverPrograms() + program} +
                          arguments);
    else
        process.start(serverPrograms() + program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_failure = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(process.readAll()).trimmed());
        return false;
    }
    return true;
}

bool ThrowawayServer::create() {
    if (!m_folder.isValid() || !installed()) {
        m_failure = QStringLiteral("no PostgreSQL server programs or no temporary folder");
        return false;
    }
    chmod(QFile::encodeName(m_folder.path()).constData(), 0755);
    if (isRoot()) {
        const passwd* user = getpwnam("postgres");
        if (!user || chown(QFile::encodeName(m_folder.path()).constData(), user->pw_uid, user->pw_gid) != 0) {
            m_failure = QStringLiteral("the folder cannot be given to the postgres user");
            return false;
        }
    }
    if (!run(QStringLiteral("initdb"), {QStringLiteral("-D"), m_folder.path() + QStringLiteral("/data"),
                                        QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-U"), m_user}) ||
        !start())
        return false;
    if (!isRoot())
        return true;
    return run(QStringLiteral("psql"),
               {QStringLiteral("-h"), m_folder.path(), QStringLiteral("-p"), QString::number(Port),
                QStringLiteral("-U"), m_user, QStringLiteral("-d"), QStringLiteral("postgres"), QStringLiteral("-qc"),
                QStringLiteral("CREATE ROLE root SUPERUSER LOGIN")});
}

bool ThrowawayServer::start() {
    m_running = run(QStringLiteral("pg_ctl"),
                    {QStringLiteral("-D"), m_folder.path() + QStringLiteral("/data"), QStringLiteral("-l"),
                     m_folder.path() + QStringLiteral("/server.log"), QStringLiteral("-w"), QStringLiteral("-o"),
                     QStringLiteral("-k %1 -c listen_addresses='' -p %2 -c fsync=off").arg(m_folder.path()).arg(Port),
                     QStringLiteral("start")});
    return m_running;
}

bool ThrowawayServer::stop() {
    if (!run(QStringLiteral("pg_ctl"),
             {QStringLiteral("-D"), m_folder.path() + QStringLiteral("/data"), QStringLiteral("-m"),
              QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")}))
        return false;
    m_running = false;
    return true;
}

QString ThrowawayServer::server() const {
    return m_folder.path() + QLatin1Char(':') + QString::number(Port);
}

QString ThrowawayServer::connectionString(const QString& catalog) const {
    return QStringLiteral("Provider=PostgreSQL;Initial Catalog=%1;Data Source=%2;Persist Security Info=False;")
        .arg(catalog, server());
}
