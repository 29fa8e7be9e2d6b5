#include "MountedFolderTransport.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString withSlash(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith('/'))
        folder += '/';
    return folder;
}

bool hasWildcard(const QString& text) {
    return text.contains('*') || text.contains('?');
}

// The unit's file system ignores case, and "*" also matches names without an extension.
QRegularExpression wildcardPattern(const QString& pattern) {
    QString expression;
    for (QChar character : pattern) {
        if (character == '*')
            expression += QStringLiteral(".*");
        else if (character == '?')
            expression += '.';
        else
            expression += QRegularExpression::escape(QString(character));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(expression),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

MountedFolderTransport::MountedFolderTransport(std::function<QString()> root) : m_rootSource(std::move(root)) {}

MountedFolderTransport::~MountedFolderTransport() {
    endConnection();
}

QString MountedFolderTransport::localPath(const QString& root, const QString& unitPath) {
    if (root.isEmpty() || unitPath.contains(QChar(0)))
        return QString();
    // The unit takes both "\\" and "/" as folder separators.
    const QStringList parts = QString(unitPath).replace('\\', '/').split('/', Qt::SkipEmptyParts);
    QStringList kept;
    for (const QString& part : parts) {
        if (part == QLatin1String(".."))
            return QString();
        if (part != QLatin1String("."))
            kept << part;
    }
    if (kept.isEmpty())
        return QString();
    return withSlash(root) + kept.join('/');
}

void MountedFolderTransport::startConnection() {
    m_root = withSlash(m_rootSource ? m_rootSource() : QString());
}

QString MountedFolderTransport::location() const {
    return QDir::toNativeSeparators(m_root);
}

void MountedFolderTransport::endConnection() {
    for (const auto& [handle, descriptor] : m_files)
        ::close(descriptor);
    m_files.clear();
    m_searches.clear();
}

bool MountedFolderTransport::version(Version& version) {
    const QByteArray root = QFile::encodeName(m_root);
    struct stat status {};
    if (m_root.isEmpty() || ::stat(root.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        ::access(root.constData(), R_OK | X_OK) != 0)
        return fail(UnitError::PathNotFound);
    version = Version{1, 0, 0, QStringLiteral("Mounted folder")};
    return true;
}

QString MountedFolderTransport::mapped(const QString& unitPath) {
    const QString path = localPath(m_root, unitPath);
    if (path.isEmpty())
        fail(UnitError::InvalidParameter);
    return path;
}

bool MountedFolderTransport::fail(quint32 code) {
    m_lastError = code;
    return false;
}

void MountedFolderTransport::failWith(int systemError, const QString& path) {
    switch (systemError) {
    case ENOENT:
        // The unit tells a missing file from a missing folder.
        fail(QFileInfo(path).absoluteDir().exists() ? UnitError::FileNotFound : UnitError::PathNotFound);
        break;
    case ENOTDIR:
        fail(UnitError::PathNotFound);
        break;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EBUSY:
        fail(UnitError::AccessDenied);
        break;
    case EEXIST:
        fail(UnitError::FileExists);
        break;
    case EINVAL:
        fail(UnitError::InvalidParameter);
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        fail(UnitError::DiskFull);
        break;
    case EROFS:
        fail(UnitError::WriteProtect);
        break;
    case ENAMETOOLONG:
        fail(UnitError::NameTooLong);
        break;
    default:
        fail(UnitError::GeneralFailure);
        break;
    }
}

DeviceHandle MountedFolderTransport::createFile(const QString& unitPath, int mode, bool replace, quint32 attributes) {
    Q_UNUSED(attributes);
    const QString path = mapped(unitPath);
    if (path.isEmpty())
        return InvalidDeviceHandle;
    int flags = O_CLOEXEC;
    if (mode == ReadMode)
        flags |= O_RDONLY;
    else if (mode == WriteMode)
        flags |= O_WRONLY;
    else if (mode == ReadWriteMode)
        flags |= O_RDWR;
    else {
        fail(UnitError::InvalidParameter);
        return InvalidDeviceHandle;
    }
    if (replace)
        flags |= O_CREAT | O_TRUNC;
    const int descriptor = ::open(QFile::encodeName(path).constData(), flags, 0644);
    if (descriptor < 0) {
        failWith(errno, path);
        return InvalidDeviceHandle;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        fail(UnitError::AccessDenied);
        return InvalidDeviceHandle;
    }
    const DeviceHandle handle = m_nextHandle++;
    m_files[handle] = descriptor;
    return handle;
}

bool MountedFolderTransport::readFile(DeviceHandle file, char* buffer, qint64 count, qint64& read) {
    read = 0;
    const auto found = m_files.find(file);
    if (found == m_files.end() || count < 0)
        return fail(UnitError::InvalidParameter);
    for (;;) {
        const ssize_t got = ::read(found->second, buffer, size_t(count));
        if (got >= 0) {
            read = got;
            return true;
        }
        if (errno != EINTR) {
            failWith(errno, QString());
            return false;
        }
    }
}

bool MountedFolderTransport::writeFile(DeviceHandle file, const char* data, qint64 count, qint64& written) {
    written = 0;
    const auto found = m_files.find(file);
    if (found == m_files.end() || count < 0)
        return fail(UnitError::InvalidParameter);
    while (written < count) {
        const ssize_t put = ::write(found->second, data + written, size_t(count - written));
        if (put > 0) {
            written += put;
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        failWith(put < 0 ? errno : ENOSPC, QString());
        return false;
    }
    return true;
}

bool MountedFolderTransport::closeHandle(DeviceHandle handle) {
    if (m_searches.erase(handle) > 0)
        return true;
    const auto found = m_files.find(handle);
    if (found == m_files.end())
        return fail(UnitError::InvalidParameter);
    const int result = ::close(found->second);
    m_files.erase(found);
    if (result != 0) {
        failWith(errno, QString());
        return false;
    }
    return true;
}

bool MountedFolderTransport::deleteFile(const QString& unitPath) {
    const QString path = mapped(unitPath);
    if (path.isEmpty())
        return false;
    const QByteArray local = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(local.constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return fail(UnitError::AccessDenied);
    if (::unlink(local.constData()) != 0) {
        failWith(errno, path);
        return false;
    }
    return true;
}

DeviceHandle MountedFolderTransport::findFirstFile(const QString& pattern, QString& name) {
    const QString path = mapped(pattern);
    if (path.isEmpty())
        return InvalidDeviceHandle;
    const QFileInfo target(path);
    const QDir folder = target.absoluteDir();
    if (!folder.exists()) {
        fail(UnitError::PathNotFound);
        return InvalidDeviceHandle;
    }
    const QString namePattern = target.fileName();
    const QRegularExpression matcher = wildcardPattern(namePattern);
    Search search;
    // Hidden entries are not the unit's files: a writer's half-finished temporary file, or
    // the mount's own bookkeeping. Only names are kept (QDir's sorted listing holds a file
    // information object for every entry: 1.5 KB each, 150 MB for a unit of 100,000 files),
    // sorted so that the unit answers in a stable order.
    QDirIterator entries(folder.path(), QDir::Files | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        const QString entry = entries.nextFileInfo().fileName();
        if (entry.startsWith('.'))
            continue;
        if (hasWildcard(namePattern) ? matcher.match(entry).hasMatch()
                                     : entry.compare(namePattern, Qt::CaseInsensitive) == 0)
            search.names << entry;
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(search.names.begin(), search.names.end(), [&collator](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    if (search.names.isEmpty()) {
        fail(UnitError::NoMoreFiles);
        return InvalidDeviceHandle;
    }
    name = search.names.first();
    search.next = 1;
    const DeviceHandle handle = m_nextHandle++;
    m_searches[handle] = std::move(search);
    return handle;
}

bool MountedFolderTransport::findNextFile(DeviceHandle search, QString& name) {
    const auto found = m_searches.find(search);
    if (found == m_searches.end())
        return fail(UnitError::InvalidParameter);
    Search& state = found->second;
    if (state.next >= state.names.size())
        return fail(UnitError::NoMoreFiles);
    name = state.names.at(state.next++);
    return true;
}
