#include "ReceivedEvaluations.h"

#include "KestrivoError.h"
#include "UnitEvaluationFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr qint32 RecordError = 75;

[[noreturn]] void failRecord(const QString& path) {
    throw KestrivoError(RecordError, QStringLiteral("The record of received evaluations %1 cannot be used: %2")
                                         .arg(path, QString::fromLocal8Bit(strerror(errno))));
}

// Holds the record open and locked against every other server of the unit.
class LockedRecord {
public:
    explicit LockedRecord(const QString& path) : m_path(path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        m_descriptor = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (m_descriptor < 0 || ::flock(m_descriptor, LOCK_EX) != 0)
            failRecord(path);
    }
    ~LockedRecord() {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    int descriptor() const { return m_descriptor; }
    void append(const QByteArray& line) {
        if (::write(m_descriptor, line.constData(), size_t(line.size())) != line.size() || ::fsync(m_descriptor) != 0)
            failRecord(m_path);
    }

private:
    QString m_path;
    int m_descriptor = -1;
};

} // namespace

ReceivedEvaluations::ReceivedEvaluations(QString recordPath, QString evaluationFolder)
    : m_recordPath(std::move(recordPath)), m_evaluationFolder(std::move(evaluationFolder)) {}

void ReceivedEvaluations::readNewEntries(int descriptor) {
    // Lines "id TAB digest TAB file name", appended by this server or another one.
    QByteArray text;
    char buffer[65536];
    for (qint64 offset = m_readUpTo;;) {
        const ssize_t read = ::pread(descriptor, buffer, sizeof buffer, offset);
        if (read < 0)
            failRecord(m_recordPath);
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

ReceivedEvaluations::Result ReceivedEvaluations::receive(const QString& id, const QString& base,
                                                         const QString& extension, const QByteArray& bytes) {
    const QMutexLocker locker(&m_mutex);
    LockedRecord record(m_recordPath);
    readNewEntries(record.descriptor());
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    const auto known = m_entries.constFind(id);
    if (known != m_entries.constEnd())
        return {known->digest == digest ? Outcome::AlreadyReceived : Outcome::Changed, known->fileName};

    // The file first, then its line: a failure between the two can only store an evaluation
    // twice with the same bytes, which the PC's import recognises, never lose one.
    const QString fileName = UnitEvaluationFolder(m_evaluationFolder).store(base, extension, bytes, true);
    // The line is read back with the next evaluation, as another server's lines are.
    record.append(id.toUtf8() + '\t' + digest + '\t' + fileName.toUtf8() + '\n');
    return {Outcome::Stored, fileName};
}
