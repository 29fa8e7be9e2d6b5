#include "ReceivedRecord.h"

#include "KestrivoError.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A new name is on the disk only once the folder that holds it is.
void syncFolder(const QString& folder) {
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

} // namespace

ReceivedRecord::ReceivedRecord(QString path) : m_path(std::move(path)) {}

ReceivedRecord::~ReceivedRecord() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void ReceivedRecord::open() {
    // Only the record's own folder is made: a unit folder that is not there is a unit that is
    // not mounted, and nothing may be written on the PC's disk in its place.
    const QString folder = QFileInfo(m_path).absolutePath();
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) == 0)
        syncFolder(QFileInfo(folder).absolutePath());
    else if (errno != EEXIST)
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The record of received evaluations cannot be made in %1: %2")
                                .arg(QFileInfo(folder).absolutePath(), reason()));
    const QByteArray path = QFile::encodeName(m_path);
    m_descriptor = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_descriptor >= 0)
        syncFolder(folder);
    else if (errno == EEXIST)
        m_descriptor = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (m_descriptor < 0)
        throw KestrivoError(
            ErrorNumber::FileAccess,
            QStringLiteral("The record of received evaluations %1 cannot be opened: %2").arg(m_path, reason()));
}

ReceivedRecord::Changes ReceivedRecord::lock() {
    struct stat opened {
    }, atPath{};
    for (int attempt = 0;; ++attempt) {
        open();
        if (::flock(m_descriptor, LOCK_EX) != 0 || ::fstat(m_descriptor, &opened) != 0) {
            const QString why = reason();
            unlock();
            throw KestrivoError(
                ErrorNumber::FileAccess,
                QStringLiteral("The record of received evaluations %1 cannot be locked: %2").arg(m_path, why));
        }
        // Locked, the file must still be the one at the path: a server that opened it just before
        // it was moved away would lock the moved one.
        if (::stat(QFile::encodeName(m_path).constData(), &atPath) == 0 && opened.st_dev == atPath.st_dev &&
            opened.st_ino == atPath.st_ino)
            break;
        unlock();
        if (attempt == 10)
            throw KestrivoError(
                ErrorNumber::FileAccess,
                QStringLiteral("The record of received evaluations %1 keeps being replaced.").arg(m_path));
    }
    Changes changes;
    if (opened.st_dev != m_device || opened.st_ino != m_inode) {
        // The unit folder was moved or made anew: the record of the unit now there.
        m_device = opened.st_dev;
        m_inode = opened.st_ino;
        m_end = 0;
        m_lines.clear();
        changes.reopened = true;
    }
    try {
        read(changes);
    } catch (const KestrivoError&) {
        unlock();
        throw;
    }
    return changes;
}

void ReceivedRecord::unlock() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_descriptor = -1;
}

void ReceivedRecord::read(Changes& changes) {
    struct stat status {};
    if (::fstat(m_descriptor, &status) != 0)
        throw KestrivoError(
            ErrorNumber::FileAccess,
            QStringLiteral("The record of received evaluations %1 cannot be read: %2").arg(m_path, reason()));
    if (status.st_size < m_end) {
        // Cut short by hand: read it again from the start.
        m_end = 0;
        m_lines.clear();
        changes.reopened = true;
    }
    QByteArray text(qsizetype(status.st_size - m_end), Qt::Uninitialized);
    for (qsizetype done = 0; done < text.size();) {
        const ssize_t read = ::pread(m_descriptor, text.data() + done, size_t(text.size() - done), m_end + done);
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            throw KestrivoError(ErrorNumber::FileAccess,
                                QStringLiteral("The record of received evaluations %1 cannot be read: %2")
                                    .arg(m_path, read < 0 ? reason() : QStringLiteral("cut short")));
        done += read;
    }
    qsizetype start = 0;
    for (qsizetype end = text.indexOf('\n'); end >= 0; end = text.indexOf('\n', start)) {
        // A line that is not whole (the disk failed under a server of an earlier version, or
        // the PC lost power) names no evaluation.
        if (const std::optional<Line> line = Line::parsed(text.sliced(start, end - start))) {
            m_lines.insert(line->id, *line);
            changes.added << *line;
        }
        start = end + 1;
    }
    m_end += start;
    // What follows the last newline was cut short by a crash or a full disk: the next line
    // must not be appended to it.
    if (start < text.size() && ::ftruncate(m_descriptor, m_end) != 0)
        throw KestrivoError(
            ErrorNumber::FileAccess,
            QStringLiteral("The record of received evaluations %1 cannot be repaired: %2").arg(m_path, reason()));
}

const ReceivedRecord::Line* ReceivedRecord::find(const QString& id) const {
    const auto found = m_lines.constFind(id);
    return found == m_lines.constEnd() ? nullptr : &*found;
}

void ReceivedRecord::append(const QList<Line>& lines) {
    QByteArray text;
    for (const Line& line : lines)
        text += line.text();
    bool written = true;
    for (qsizetype done = 0; written && done < text.size();) {
        const ssize_t count = ::pwrite(m_descriptor, text.constData() + done, size_t(text.size() - done), m_end + done);
        written = count > 0 || (count < 0 && errno == EINTR);
        done += qMax<ssize_t>(count, 0);
    }
    // The commit: once the lines are on the disk, the evaluations count as received.
    if (!written || ::fdatasync(m_descriptor) != 0) {
        const QString why = reason();
        ::ftruncate(m_descriptor, m_end);
        throw KestrivoError(
            ErrorNumber::FileAccess,
            QStringLiteral("The record of received evaluations %1 cannot be written: %2").arg(m_path, why));
    }
    m_end += text.size();
    for (const Line& line : lines)
        m_lines.insert(line.id, line);
}
