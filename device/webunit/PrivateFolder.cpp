#include "PrivateFolder.h"

#include "KestrivoError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int number) {
    return QString::fromLocal8Bit(std::strerror(number));
}

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

// what: "The folder X cannot be made", and the like.
KestrivoError cannotWrite(const QString& what, int number) {
    return KestrivoError(ErrorNumber::General,
                         QStringLiteral("%1: %2. Check that the data folder (the setting DataPath) is on a disk with "
                                        "room and that you may write to it.")
                             .arg(what, systemError(number)));
}

template <typename Call> int retried(Call call) {
    int result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

bool writeAll(int descriptor, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

PrivateFolder::PrivateFolder(QString path) : m_path(std::move(path)) {}

void PrivateFolder::create() const {
    const QString parent = QFileInfo(QDir::cleanPath(m_path)).absolutePath();
    if (!QDir().mkpath(parent)) {
        const int number = errno;
        throw cannotWrite(QStringLiteral("The folder %1 cannot be made").arg(parent), number);
    }
    const QByteArray folder = nativePath(m_path);
    if (::mkdir(folder.constData(), 0700) == 0)
        return;
    const int number = errno;
    struct stat status {};
    if (number != EEXIST || ::stat(folder.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        throw cannotWrite(QStringLiteral("The folder %1 cannot be made").arg(m_path),
                          number == EEXIST ? ENOTDIR : number);
    // A folder left open to others by an older copy or by hand: it holds private keys.
    if ((status.st_mode & 077) != 0)
        ::chmod(folder.constData(), status.st_mode & 0700);
}

std::optional<QByteArray> PrivateFolder::read(const QString& name) const {
    QFile file(filePath(name));
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("The file %1 cannot be read: %2.").arg(file.fileName(), file.errorString()));
    return file.readAll();
}

void PrivateFolder::write(const QString& name, const QByteArray& bytes, mode_t mode) const {
    const QString target = filePath(name);
    const QString temporary = target + QStringLiteral(".%1-%2.tmp")
                                           .arg(::getpid())
                                           .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
    const QByteArray temporaryName = nativePath(temporary);
    const int descriptor =
        retried([&] { return ::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode); });
    if (descriptor < 0) {
        const int number = errno;
        throw cannotWrite(QStringLiteral("The file %1 cannot be written").arg(target), number);
    }
    const bool written = writeAll(descriptor, bytes) && ::fsync(descriptor) == 0;
    const int number = errno;
    ::close(descriptor);
    if (!written || ::rename(temporaryName.constData(), nativePath(target).constData()) != 0) {
        const int failure = written ? errno : number;
        ::unlink(temporaryName.constData());
        throw cannotWrite(QStringLiteral("The file %1 cannot be written").arg(target), failure);
    }
    // The rename itself must reach the disk before anyone is told the file is there.
    const int folder = ::open(nativePath(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

PrivateFolder::Lock PrivateFolder::lock() const {
    const QString lockName = filePath(QStringLiteral(".lock"));
    const QByteArray nativeName = nativePath(lockName);
    const int descriptor = retried([&] { return ::open(nativeName.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600); });
    if (descriptor < 0) {
        const int number = errno;
        throw cannotWrite(QStringLiteral("The lock file %1 cannot be made").arg(lockName), number);
    }
    if (retried([&] { return ::flock(descriptor, LOCK_EX); }) != 0) {
        const int number = errno;
        ::close(descriptor);
        throw cannotWrite(QStringLiteral("The lock file %1 cannot be locked").arg(lockName), number);
    }
    return Lock(descriptor);
}

PrivateFolder::Lock::~Lock() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}
