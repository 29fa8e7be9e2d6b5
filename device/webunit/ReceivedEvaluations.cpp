#include "ReceivedEvaluations.h"

#include "KestrivoError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr qint32 RecordError = 75;

} // namespace

ReceivedEvaluations::ReceivedEvaluations(QString recordPath, QString evaluationFolder)
    : m_recordPath(std::move(recordPath)), m_folder(std::move(evaluationFolder)) {}

ReceivedEvaluations::~ReceivedEvaluations() {
    if (m_record >= 0)
        ::close(m_record);
}

void ReceivedEvaluations::openRecord() {
    if (m_record >= 0)
        return;
    QDir().mkpath(QFileInfo(m_recordPath).absolutePath());
    m_record = ::open(QFile::encodeName(m_recordPath).constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (m_record < 0)
        throw KestrivoError(RecordError, QStringLiteral("The record of received evaluations %1 cannot be opened: %2")
                                             .arg(m_recordPath, QString::fromLocal8Bit(strerror(errno))));
}

// Against other servers of the unit; the threads of this one take turns through the mutex.
void ReceivedEvaluations::lockRecord(bool locked) {
    if (::flock(m_record, locked ? LOCK_EX : LOCK_UN) != 0)
        throw KestrivoError(RecordError, QStringLiteral("The record of received evaluations %1 cannot be locked: %2")
                                             .arg(m_recordPath, QString::fromLocal8Bit(strerror(errno))));
}

void ReceivedEvaluations::readNewEntries() {
    // Lines "id TAB digest TAB file name", appended by this server or another one.
    QByteArray text;
    char buffer[65536];
    for (qint64 offset = m_readUpTo;;) {
        const ssize_t read = ::pread(m_record, buffer, sizeof buffer, offset);
        if (read < 0)
            throw KestrivoError(RecordError, QStringLiteral("The record of received evaluations %1 cannot be read: %2")
                                                 .arg(m_recordPath, QString::fromLocal8Bit(strerror(errno))));
        if (read == 0)
            break;
        text.append(buffer, read);
        offset += read;
    }
    const qsizetype complete = text.lastIndexOf('\n') + 1;
    for (const QByteArray& line : text.left(complete).split('\n')) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() == 3)
            m_entries.insert(QString::fromUtf8(parts.at(0)), {parts.at(1), QString::fromUtf8(parts.at(2))});
    }
    m_readUpTo += complete;
}

void ReceivedEvaluations::append(const QByteArray& line) {
    if (::write(m_record, line.constData(), size_t(line.size())) != line.size())
        throw KestrivoError(RecordError, QStringLiteral("The record of received evaluations %1 cannot be written: %2")
                                             .arg(m_recordPath, QString::fromLocal8Bit(strerror(errno))));
}

ReceivedEvaluations::Result ReceivedEvaluations::receive(const QString& id, const QString& base,
                                                         const QString& extension, const QByteArray& bytes) {
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    QString name;
    {
        QMutexLocker locker(&m_mutex);
        // The same evaluation sent twice at once is written once: the second waits for the first.
        while (m_storing.contains(id))
            m_stored.wait(&m_mutex);
        openRecord();
        lockRecord(true);
        try {
            readNewEntries();
        } catch (const KestrivoError&) {
            lockRecord(false);
            throw;
        }
        lockRecord(false);
        const auto known = m_entries.constFind(id);
        if (known != m_entries.constEnd())
            return {known->digest == digest ? Outcome::AlreadyReceived : Outcome::Changed, known->fileName};
        m_storing.insert(id);
        name = m_folder.reserve(base, extension);
    }

    // The file first, then its line: a failure between the two can only store an evaluation
    // twice with the same bytes, which the PC's import recognises, never lose one. Written and
    // synced outside the lock, so that the disk takes the syncs of many phones together.
    const auto finish = [this, &id](const QString& settled, bool taken) {
        const QMutexLocker locker(&m_mutex);
        m_folder.settle(settled, taken);
        m_storing.remove(id);
        m_stored.wakeAll();
    };
    try {
        for (;;) {
            const bool written = m_folder.write(name, bytes, true);
            if (written)
                break;
            const QMutexLocker locker(&m_mutex);
            m_folder.settle(name, true);
            name = m_folder.reserve(base, extension);
        }
        {
            const QMutexLocker locker(&m_mutex);
            lockRecord(true);
            try {
                append(id.toUtf8() + '\t' + digest + '\t' + name.toUtf8() + '\n');
            } catch (const KestrivoError&) {
                lockRecord(false);
                throw;
            }
            lockRecord(false);
        }
        if (::fsync(m_record) != 0)
            throw KestrivoError(
                RecordError,
                QStringLiteral("The record of received evaluations %1 cannot be synced.").arg(m_recordPath));
    } catch (const KestrivoError&) {
        finish(name, false);
        throw;
    }
    finish(name, true);
    return {Outcome::Stored, name};
}
