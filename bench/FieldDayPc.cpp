#include "FieldDayPc.h"

#include "BenchCli.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <cstdio>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>

namespace {

constexpr int ServerRestarts = 20;
constexpr int RestartPauseMs = 300;
constexpr int ImportLimitMs = 120000;
constexpr qsizetype OutputKept = 4096;

} // namespace

FieldDayPc::FieldDayPc(int number, QString home, QString evaluationFolder)
    : m_number(number), m_home(std::move(home)), m_evaluationFolder(std::move(evaluationFolder)) {}

FieldDayPc::~FieldDayPc() {
    for (QProcess* running : {m_import.get(), m_server.get()}) {
        if (running && running->state() != QProcess::NotRunning) {
            running->kill();
            running->waitForFinished(10000);
        }
    }
}

std::unique_ptr<QProcess> FieldDayPc::process(const QStringList& arguments,
                                              QProcess::ProcessChannelMode channels) const {
    auto started = std::make_unique<QProcess>();
    started->setProcessChannelMode(channels);
    // Should the benchmark itself die, its PCs die with it rather than serve on.
    started->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    started->start(BenchCli::program(), BenchCli::homeOptions(m_home) + arguments);
    return started;
}

void FieldDayPc::startServer(quint16 port) {
    m_port = port;
    m_restartsLeft = ServerRestarts;
    launchServer();
}

void FieldDayPc::launchServer() {
    m_serving = false;
    m_serverOutput.clear();
    m_server =
        process({QStringLiteral("unit"), QStringLiteral("serve"), QStringLiteral("--listen"),
                 QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("--install-port"), QStringLiteral("0")},
                QProcess::MergedChannels);
}

void FieldDayPc::pollServer() {
    if (!m_server)
        return;
    m_serverOutput += m_server->readAll();
    if (!m_serving) {
        static const QRegularExpression Address(QStringLiteral("https://127\\.0\\.0\\.1:(\\d+)/#token=([0-9A-Za-z]+)"));
        const QRegularExpressionMatch found = Address.match(QString::fromUtf8(m_serverOutput));
        if (found.hasMatch()) {
            m_port = quint16(found.captured(1).toUInt());
            m_token = found.captured(2).toStdString();
            m_serving = true;
        } else if (m_server->state() == QProcess::NotRunning && m_restartsLeft > 0) {
            // The port of a server killed a moment ago may not be free yet.
            if (!m_restartWait.isValid())
                m_restartWait.start();
            if (m_restartWait.elapsed() >= RestartPauseMs) {
                m_restartWait.invalidate();
                --m_restartsLeft;
                launchServer();
            }
        }
    } else if (m_server->state() == QProcess::NotRunning) {
        std::fprintf(stderr, "The server of PC %d ended by itself: %s\n", m_number, m_serverOutput.constData());
        m_serving = false;
    }
    if (m_serverOutput.size() > OutputKept)
        m_serverOutput = m_serverOutput.right(OutputKept);
}

bool FieldDayPc::waitServing(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!m_serving && clock.elapsed() < milliseconds &&
           (m_server->state() != QProcess::NotRunning || m_restartsLeft > 0)) {
        m_server->waitForReadyRead(50);
        QCoreApplication::processEvents();
        pollServer();
    }
    if (!m_serving)
        std::fprintf(stderr, "PC %d does not serve: %s\n", m_number, m_serverOutput.constData());
    return m_serving;
}

void FieldDayPc::killServer() {
    m_serving = false;
    if (!m_server)
        return;
    m_server->kill();
    m_server->waitForFinished(10000);
    m_server.reset();
}

bool FieldDayPc::stopServer() {
    if (!m_server)
        return false;
    m_server->terminate();
    const bool ended = m_server->waitForFinished(10000);
    const bool clean = ended && m_server->exitStatus() == QProcess::NormalExit && m_server->exitCode() == 0;
    if (!clean) {
        std::fprintf(stderr, "The server of PC %d did not stop cleanly: %s\n", m_number,
                     (m_serverOutput + m_server->readAll()).constData());
        m_server->kill();
        m_server->waitForFinished(10000);
    }
    m_server.reset();
    m_serving = false;
    return clean;
}

qint64 FieldDayPc::copiedStamp() const {
    // The import copies each file from the unit into the PC's folder before it adds the batch.
    struct stat folder {};
    if (::stat(QFile::encodeName(m_home + QStringLiteral("/data/Evaluations")).constData(), &folder) != 0)
        return 0;
    return qint64(folder.st_mtim.tv_sec) * 1000000000 + folder.st_mtim.tv_nsec;
}

bool FieldDayPc::importing() const {
    return m_import != nullptr;
}

void FieldDayPc::startImport(int killDelay) {
    ++m_imports.rounds;
    m_killDelay = killDelay;
    m_copiedBefore = copiedStamp();
    m_copying = false;
    m_killed = false;
    m_import =
        process({QStringLiteral("--yes"), QStringLiteral("unit"), QStringLiteral("add"), QStringLiteral("--all")},
                QProcess::SeparateChannels);
}

void FieldDayPc::watchUnit() {
    QHash<QString, QByteArray> present;
    for (const QString& name : unitFiles()) {
        // A name that the import freed may be taken by a new file a moment later.
        struct stat status {};
        const QByteArray path = QFile::encodeName(m_evaluationFolder + name);
        if (::stat(path.constData(), &status) != 0)
            continue;
        const QByteArray identity = QByteArray::number(qulonglong(status.st_ino)) + ' ' +
                                    QByteArray::number(qlonglong(status.st_mtim.tv_sec)) + '.' +
                                    QByteArray::number(qlonglong(status.st_mtim.tv_nsec));
        if (m_present.value(name) == identity) {
            present.insert(name, identity);
            continue;
        }
        QFile file(m_evaluationFolder + name);
        if (!file.open(QIODevice::ReadOnly)) {
            ++m_watch.unread; // gone before it could be read
            continue;
        }
        const QByteArray digest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
        present.insert(name, identity);
        ++m_watch.files;
        const auto first = m_firstSeen.constFind(digest);
        if (first == m_firstSeen.constEnd())
            m_firstSeen.insert(digest, name);
        else
            m_watch.twice << QStringLiteral("%1 on PC %2 (first as %3)").arg(name).arg(m_number).arg(*first);
    }
    m_present = present;
}

void FieldDayPc::poll() {
    pollServer();
    watchUnit();
    if (!m_import)
        return;
    if (m_import->state() == QProcess::NotRunning) {
        collectImport();
        return;
    }
    if (m_killDelay < 0)
        return;
    if (!m_copying && copiedStamp() != m_copiedBefore) {
        m_copying = true;
        m_sinceCopying.start();
    }
    if (m_copying && m_sinceCopying.elapsed() >= m_killDelay) {
        m_import->kill();
        m_import->waitForFinished(10000);
        m_killed = m_import->exitStatus() == QProcess::CrashExit;
        collectImport();
    }
}

void FieldDayPc::finishImport() {
    if (!m_import)
        return;
    if (!m_import->waitForFinished(ImportLimitMs)) {
        m_import->kill();
        m_import->waitForFinished(10000);
        ++m_imports.failed;
        m_imports.lastFailure = QStringLiteral("an import did not end within %1 s").arg(ImportLimitMs / 1000);
        m_import.reset();
        return;
    }
    collectImport();
}

void FieldDayPc::collectImport() {
    const std::unique_ptr<QProcess> ended = std::move(m_import);
    if (m_killed) {
        ++m_imports.killed;
        m_killed = false;
        return;
    }
    const QString out = QString::fromUtf8(ended->readAllStandardOutput());
    const QString errors = QString::fromUtf8(ended->readAllStandardError());
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        m_imports.added += line.startsWith(QStringLiteral("Added ")) ? 1 : 0;
        m_imports.skipped += line.startsWith(QStringLiteral("Skipped ")) ? 1 : 0;
    }
    if (ended->exitStatus() == QProcess::NormalExit && ended->exitCode() == 0)
        return;
    if (ended->exitStatus() == QProcess::NormalExit && errors.contains(QStringLiteral("No files found to download."))) {
        ++m_imports.empty;
        return;
    }
    ++m_imports.failed;
    m_imports.lastFailure = errors.trimmed();
}

QStringList FieldDayPc::unitFiles() const {
    return QDir(m_evaluationFolder).entryList(QDir::Files, QDir::Name);
}

QStringList FieldDayPc::unitLeftovers() const {
    QStringList entries =
        QDir(m_evaluationFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& file : unitFiles())
        entries.removeAll(file);
    return entries;
}
