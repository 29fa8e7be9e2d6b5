#include "UnitEvaluationFolder.h"

#include "KestrivoError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint32 FolderError = 75;

// A rename is on the disk only once the folder that holds the name is.
bool syncFolder(const QString& folder) {
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

} // namespace

UnitEvaluationFolder::UnitEvaluationFolder(QString folder) : m_folder(std::move(folder)) {}

QDateTime UnitEvaluationFolder::modified() const {
    return QFileInfo(m_folder).fileTime(QFileDevice::FileModificationTime);
}

QString UnitEvaluationFolder::store(const QString& base, const QString& extension, const QByteArray& bytes) {
    for (;;) {
        const QString name = reserve(base, extension);
        bool written = false;
        try {
            written = write(name, bytes, false);
        } catch (const KestrivoError&) {
            settle(name, false);
            throw;
        }
        settle(name, true);
        if (written)
            return name;
    }
}

QString UnitEvaluationFolder::reserve(const QString& base, const QString& extension) {
    // The folder is listed again only when something else changed it (the PC took files away,
    // another writer added some); what this one wrote it knows.
    const QDateTime changed = modified();
    if (changed != m_listed || !changed.isValid()) {
        m_listed = changed;
        m_taken.clear();
        for (const QString& existing : QDir(m_folder).entryList(QDir::Files | QDir::Hidden))
            m_taken.insert(existing.toLower());
    }
    QString name = base + extension;
    for (int number = 2; m_taken.contains(name.toLower()) || m_reserved.contains(name.toLower()); ++number)
        name = base + QStringLiteral("_%1").arg(number) + extension;
    m_reserved.insert(name.toLower());
    return name;
}

void UnitEvaluationFolder::settle(const QString& name, bool taken) {
    m_reserved.remove(name.toLower());
    if (!taken)
        return;
    m_taken.insert(name.toLower());
    // A file that another writer adds at this very moment may go unseen; its name is then found
    // taken when written, and the next one is tried.
    m_listed = modified();
}

bool UnitEvaluationFolder::write(const QString& name, const QByteArray& bytes, bool durable) const {
    // Written under a hidden name and renamed when whole, so a listing never sees half a file.
    const QString partial = m_folder + QLatin1Char('.') + name + QStringLiteral(".partial");
    QFile file(partial);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
                         (!durable || ::fsync(file.handle()) == 0);
    const QString reason = file.errorString();
    file.close();
    if (!written) {
        QFile::remove(partial);
        throw KestrivoError(FolderError, QStringLiteral("The file %1 cannot be written: %2").arg(name, reason));
    }
    // Never over a file of that name: another writer may have taken it since it was reserved.
    const bool renamed = ::renameat2(AT_FDCWD, QFile::encodeName(partial).constData(), AT_FDCWD,
                                     QFile::encodeName(m_folder + name).constData(), RENAME_NOREPLACE) == 0;
    const int failure = errno;
    if (!renamed) {
        QFile::remove(partial);
        if (failure == EEXIST)
            return false;
        throw KestrivoError(FolderError, QStringLiteral("The file %1 cannot be written.").arg(m_folder + name));
    }
    if (durable && !syncFolder(m_folder))
        throw KestrivoError(FolderError, QStringLiteral("The folder %1 cannot be synced to the disk.").arg(m_folder));
    return true;
}
