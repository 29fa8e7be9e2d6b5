#include "UnitEvaluationFolder.h"

#include "KestrivoError.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint32 FolderError = 75;

// A rename is on the disk only once the folder that holds the name is.
bool syncFolder(const QString& folder) {
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (descriptor < 0)
        return false;
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

} // namespace

UnitEvaluationFolder::UnitEvaluationFolder(QString folder) : m_folder(std::move(folder)) {
    for (const QString& existing : QDir(m_folder).entryList(QDir::Files | QDir::Hidden))
        m_taken.insert(existing.toLower());
}

QString UnitEvaluationFolder::store(const QString& base, const QString& extension, const QByteArray& bytes,
                                    bool durable) {
    QString name = base + extension;
    for (int number = 2; m_taken.contains(name.toLower()); ++number)
        name = base + QStringLiteral("_%1").arg(number) + extension;

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
    if (!QFile::rename(partial, m_folder + name)) {
        QFile::remove(partial);
        throw KestrivoError(FolderError, QStringLiteral("The file %1 cannot be written.").arg(m_folder + name));
    }
    if (durable && !syncFolder(m_folder))
        throw KestrivoError(FolderError, QStringLiteral("The folder %1 cannot be synced to the disk.").arg(m_folder));
    m_taken.insert(name.toLower());
    return name;
}
