#include "UnitEvaluationFolder.h"

#include "KestrivoError.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const QString StagedPrefix = QStringLiteral(".kestrivo-");
const QString StagedSuffix = QStringLiteral(".partial");
// A writer locks its staged file before it writes a byte and keeps the lock until the file has its
// name, so a file with bytes and a free lock is a dead writer's. An empty one may be a live
// writer's between making the file and locking it: it is taken for dead only after this time.
constexpr time_t AbandonedAfter = 60;

QString reason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray encoded(const QString& name) {
    return QFile::encodeName(name);
}

bool isStaged(const QString& name) {
    return name.startsWith(StagedPrefix) && name.endsWith(StagedSuffix);
}

} // namespace

UnitEvaluationFolder::Staged::Staged(Staged&& other) noexcept
    : m_name(std::move(other.m_name)), m_descriptor(std::exchange(other.m_descriptor, -1)) {}

UnitEvaluationFolder::Staged& UnitEvaluationFolder::Staged::operator=(Staged&& other) noexcept {
    std::swap(m_name, other.m_name);
    std::swap(m_descriptor, other.m_descriptor);
    return *this;
}

UnitEvaluationFolder::Staged::~Staged() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

UnitEvaluationFolder::UnitEvaluationFolder(QString folder) : m_folder(std::move(folder)) {
    m_descriptor = ::open(encoded(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat status {};
    if (m_descriptor < 0 || ::fstat(m_descriptor, &status) != 0)
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The evaluation folder %1 is not there (%2): is the unit connected?")
                                .arg(m_folder, reason()));
    m_device = status.st_dev;
    m_inode = status.st_ino;
}

UnitEvaluationFolder::~UnitEvaluationFolder() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

bool UnitEvaluationFolder::isSameFolderAs(const UnitEvaluationFolder& other) const {
    return m_device == other.m_device && m_inode == other.m_inode;
}

QString UnitEvaluationFolder::store(const QString& base, const QString& extension, const QByteArray& bytes) {
    const auto modified = [this] {
        struct stat status {};
        return ::fstat(m_descriptor, &status) == 0 ? status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec : -1;
    };
    const qint64 before = modified();
    const Staged staged = stage(bytes, false);
    // The staged file changed the folder too: no reason to list it again, which made every
    // file of a full unit cost a listing of all the others. A name another writer took
    // meanwhile still fails the exclusive rename below, and the folder is listed then.
    if (m_listed >= 0 && m_listed == before)
        m_listed = modified();
    try {
        for (;;) {
            // The folder is listed again only when something else changed it (the PC took files
            // away, another writer added some); what this one wrote it knows.
            if (m_listed < 0 || modified() != m_listed) {
                m_taken = list().names;
                m_listed = modified();
            }
            const QString name = freeName(m_taken, base, extension);
            m_taken.insert(name.toCaseFolded());
            if (place(staged.name(), name)) {
                m_listed = modified();
                return name;
            }
            m_listed = -1;
        }
    } catch (const KestrivoError&) {
        remove(staged.name());
        throw;
    }
}

UnitEvaluationFolder::Staged UnitEvaluationFolder::stage(const QByteArray& bytes, bool durable) const {
    QString name;
    int descriptor = -1;
    while (descriptor < 0) {
        quint32 words[2];
        QRandomGenerator::system()->fillRange(words);
        name = StagedPrefix + QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), 8).toHex()) +
               StagedSuffix;
        descriptor = ::openat(m_descriptor, encoded(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST)
            throw KestrivoError(ErrorNumber::FileAccess,
                                QStringLiteral("No file can be written in %1: %2").arg(m_folder, reason()));
    }
    Staged staged(name, descriptor);
    bool written = ::flock(descriptor, LOCK_EX) == 0;
    for (qsizetype done = 0; written && done < bytes.size();) {
        const ssize_t count = ::write(descriptor, bytes.constData() + done, size_t(bytes.size() - done));
        written = count > 0 || (count < 0 && errno == EINTR);
        done += qMax<ssize_t>(count, 0);
    }
    if (written && durable)
        written = ::fsync(descriptor) == 0;
    if (!written) {
        const QString why = reason();
        ::unlinkat(m_descriptor, encoded(name).constData(), 0);
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The evaluation file cannot be written in %1: %2").arg(m_folder, why));
    }
    return staged;
}

UnitEvaluationFolder::Listing UnitEvaluationFolder::list() const {
    // A descriptor of its own, so that listings on several threads do not share a position.
    const int descriptor = ::openat(m_descriptor, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* folder = descriptor < 0 ? nullptr : ::fdopendir(descriptor);
    if (folder == nullptr) {
        if (descriptor >= 0)
            ::close(descriptor);
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The folder %1 cannot be listed: %2").arg(m_folder, reason()));
    }
    Listing listing;
    while (const dirent* entry = ::readdir(folder)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (!name.startsWith(QLatin1Char('.')))
            listing.names.insert(name.toCaseFolded());
        else if (isStaged(name))
            listing.staged << name;
    }
    ::closedir(folder);
    return listing;
}

QString UnitEvaluationFolder::freeName(const QSet<QString>& taken, const QString& base, const QString& extension) {
    QString name = base + extension;
    for (int number = 2; taken.contains(name.toCaseFolded()); ++number)
        name = base + QStringLiteral("_%1").arg(number) + extension;
    return name;
}

bool UnitEvaluationFolder::place(const QString& staged, const QString& name) const {
    const QByteArray from = encoded(staged), to = encoded(name);
    if (::renameat2(m_descriptor, from.constData(), m_descriptor, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // A file system without an exclusive rename (some FUSE mounts): under the writers' lock a free
    // name stays free, but for writers that do not take it.
    if (errno == EINVAL && !contains(name) &&
        ::renameat(m_descriptor, from.constData(), m_descriptor, to.constData()) == 0)
        return true;
    throw KestrivoError(ErrorNumber::FileAccess,
                        QStringLiteral("The evaluation file %1 cannot be written: %2").arg(m_folder + name, reason()));
}

bool UnitEvaluationFolder::contains(const QString& name) const {
    struct stat status {};
    return ::fstatat(m_descriptor, encoded(name).constData(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

void UnitEvaluationFolder::remove(const QString& name) const {
    ::unlinkat(m_descriptor, encoded(name).constData(), 0);
}

void UnitEvaluationFolder::removeAbandoned(const QString& staged) const {
    struct stat status {};
    const QByteArray name = encoded(staged);
    if (::fstatat(m_descriptor, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        (status.st_size == 0 && std::time(nullptr) - status.st_mtim.tv_sec < AbandonedAfter))
        return;
    const int descriptor = ::openat(m_descriptor, name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (descriptor < 0)
        return;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0)
        ::unlinkat(m_descriptor, name.constData(), 0);
    ::close(descriptor);
}

void UnitEvaluationFolder::sync() const {
    if (::fsync(m_descriptor) != 0)
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The folder %1 cannot be synced to the disk: %2").arg(m_folder, reason()));
}
