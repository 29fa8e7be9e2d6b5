#include "DeviceSession.h"

#include "KestrivoError.h"
#include "MountedFolderTransport.h"
#include "Pause.h"
#include "ProgramSettings.h"
#include "Prompter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int ConnectPollMilliseconds = 20;

} // namespace

DeviceSession::DeviceSession(std::unique_ptr<DeviceTransport> transport) : m_transport(std::move(transport)) {}

DeviceSession& DeviceSession::program() {
    static DeviceSession session(std::make_unique<MountedFolderTransport>([] { return programSettings().UnitPath; }));
    return session;
}

bool DeviceSession::DeviceConnect() {
    m_transport->startConnection();
    m_started = true;
    // The unit counts as connected as soon as it answers; one that has not answered within
    // the wait does not.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (!GetDeviceVersion().isEmpty())
            return true;
        if (clock.elapsed() >= ConnectWaitMilliseconds)
            return false;
        Pause(ConnectPollMilliseconds);
    }
}

void DeviceSession::DeviceDisconnect() {
    if (!m_started)
        return;
    m_started = false;
    m_transport->endConnection();
}

QString DeviceSession::GetDeviceVersion() {
    DeviceTransport::Version version;
    if (!m_transport->version(version))
        return QString();
    const qsizetype end = version.service.indexOf(QChar(0));
    return QStringLiteral("%1.%2.%3 %4")
        .arg(version.major)
        .arg(version.minor)
        .arg(version.build)
        .arg(end < 0 ? version.service : version.service.left(end));
}

DeviceHandle DeviceSession::OpenDeviceFile(const QString& unitPath, int mode, bool replace, quint32 attributes) {
    return m_transport->createFile(unitPath, mode, replace, attributes);
}

void DeviceSession::copyFailed(quint32 code) {
    m_lastError = code;
    m_lastMessage = CopyFailed;
}

void DeviceSession::CopyFileToDevice(const QString& pcPath, const QString& unitPath) {
    QFile source(pcPath);
    if (!source.open(QIODevice::ReadOnly))
        throw KestrivoError(source.exists() ? ErrorNumber::FileAccess : ErrorNumber::FileNotFound,
                            QStringLiteral("The file %1 cannot be read: %2").arg(pcPath, source.errorString()));
    const QByteArray bytes = source.readAll();
    source.close();

    const DeviceHandle file = OpenDeviceFile(unitPath, DeviceTransport::WriteMode, true);
    if (file == InvalidDeviceHandle) {
        copyFailed(m_transport->lastError());
        return;
    }
    qint64 total = 0;
    for (qint64 offset = 0; offset < bytes.size(); offset += BlockSize) {
        const qint64 count = qMin<qint64>(BlockSize, bytes.size() - offset);
        qint64 written = 0;
        const bool ok = m_transport->writeFile(file, bytes.constData() + offset, count, written);
        total += written;
        if (!ok || written != count) {
            // A unit that ran out of space holds a cut file that the handheld would read as
            // a whole one: it goes, and the copy counts as failed.
            const quint32 code = ok ? UnitError::DiskFull : m_transport->lastError();
            m_transport->closeHandle(file);
            m_transport->deleteFile(unitPath);
            copyFailed(code);
            return;
        }
    }
    m_bytesTransferred = quint32(total);
    m_lastMessage = UploadCompleted;
    m_transport->closeHandle(file);
}

void DeviceSession::CopyFileFromDevice(const QString& unitPath, const QString& pcPath) {
    const DeviceHandle file = OpenDeviceFile(unitPath, DeviceTransport::ReadMode, false);
    if (file == InvalidDeviceHandle) {
        copyFailed(m_transport->lastError());
        return;
    }
    // The PC file appears whole or not at all: it is written under a hidden name and renamed
    // when complete. It is not forced to disk: the unit keeps its file until the import has
    // been committed, and a sync per file would make a full unit take minutes.
    const QFileInfo target(pcPath);
    QFile partial(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".partial"));
    const auto failPc = [&](const QString& reason) {
        partial.close();
        partial.remove();
        m_transport->closeHandle(file);
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The file %1 cannot be written: %2").arg(pcPath, reason));
    };
    if (!partial.open(QIODevice::WriteOnly | QIODevice::Truncate))
        failPc(partial.errorString());
    char block[BlockSize];
    qint64 total = 0;
    for (;;) {
        qint64 read = 0;
        if (!m_transport->readFile(file, block, BlockSize, read)) {
            const quint32 code = m_transport->lastError();
            partial.close();
            partial.remove();
            m_transport->closeHandle(file);
            copyFailed(code);
            return;
        }
        if (read == 0)
            break;
        if (partial.write(block, read) != read)
            failPc(partial.errorString());
        total += read;
    }
    m_transport->closeHandle(file);
    partial.close();
    if (partial.error() != QFileDevice::NoError)
        failPc(partial.errorString());
    // rename(2) replaces an earlier copy of the same name in one step.
    if (::rename(QFile::encodeName(partial.fileName()).constData(), QFile::encodeName(pcPath).constData()) != 0)
        failPc(QString::fromLocal8Bit(std::strerror(errno)));
    m_bytesTransferred = quint32(total);
    m_lastMessage = DownloadCompleted;
}

bool DeviceSession::DeleteDeviceFile(const QString& unitPath) {
    if (m_transport->deleteFile(unitPath))
        return false;
    m_lastError = m_transport->lastError();
    return true;
}

DeviceFileSearch DeviceSession::FindDeviceFiles(const QString& pattern) {
    QString first;
    const DeviceHandle search = m_transport->findFirstFile(pattern, first);
    if (search == InvalidDeviceHandle) {
        m_lastError = m_transport->lastError();
        return DeviceFileSearch();
    }
    const qsizetype end = first.indexOf(QChar(0));
    return DeviceFileSearch(this, search, end < 0 ? first : first.left(end));
}

QString DeviceSession::deviceErrorText(quint32 code) {
    switch (code) {
    case UnitError::None:
        return QString();
    case UnitError::PathNotFound:
        return QStringLiteral("Folders do not exist on unit. Run Nobrin on unit to create folders, try again.");
    case UnitError::NoMoreFiles:
        return QStringLiteral("No files found");
    case UnitError::FileExists:
        return QStringLiteral("File exists");
    case UnitError::InvalidParameter:
        return QStringLiteral("Invalid parameter");
    case UnitError::DiskFull:
        return QStringLiteral("Disk full");
    default:
        return QStringLiteral("See documentation");
    }
}

QString DeviceSession::deviceErrorMessage() const {
    QString detail;
    if (m_lastError != UnitError::None) {
        detail = QStringLiteral("CE Error.\r\nError: ") + QString::number(m_lastError) + QStringLiteral("\r\n");
        detail += deviceErrorText(m_lastError) + QStringLiteral("\r\n");
    }
    return detail + m_lastMessage;
}

QString DeviceSession::notConnectedMessage() const {
    const QString folder = m_transport->location();
    if (folder.isEmpty())
        return NotConnected;
    return NotConnected +
           QStringLiteral("\r\nThe unit was looked for in %1 (Tools > Options, Paths, Unit).").arg(folder);
}

void DeviceSession::ShowDeviceError() {
    programPrompter().inform(deviceErrorMessage(), QStringLiteral("Message"), PromptIcon::Information);
    m_lastError = UnitError::None;
    m_bytesTransferred = 0;
    m_lastMessage.clear();
}
