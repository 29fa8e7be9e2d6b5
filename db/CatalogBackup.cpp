#include "CatalogBackup.h"

#include "ConnectionCloser.h"
#include "Database.h"
#include "KestrivoError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QByteArray SqliteHeader("SQLite format 3\0", 16);

KestrivoError backupError(const QString& text) {
    return KestrivoError(ErrorNumber::Database, text);
}

quint32 bigEndian(const QByteArray& bytes, int at, int size) {
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | quint8(bytes.at(at + i));
    return value;
}

// What the file's header says of its length: a file shorter than that was cut short, which
// SQLite itself would only notice on reading the missing pages.
QString headerDamage(const QString& file) {
    QFile bytes(file);
    if (!bytes.open(QIODevice::ReadOnly))
        return QStringLiteral("The file %1 cannot be read: %2").arg(file, bytes.errorString());
    const QByteArray header = bytes.read(100);
    if (header.size() < 100 || !header.startsWith(SqliteHeader))
        return QStringLiteral("The file %1 is not a Kestrivo backup: it is not an SQLite database.").arg(file);
    const quint32 pageSize = bigEndian(header, 16, 2) == 1 ? 65536 : bigEndian(header, 16, 2);
    const quint32 pages = bigEndian(header, 28, 4);
    const bool pagesKnown = pages > 0 && bigEndian(header, 24, 4) == bigEndian(header, 92, 4);
    const qint64 expected = qint64(pages) * pageSize;
    if (pageSize < 512 || bytes.size() % pageSize != 0 || (pagesKnown && bytes.size() < expected))
        return QStringLiteral("The file %1 is damaged: it has been cut short (%2 bytes, where its header promises "
                              "%3).")
            .arg(file)
            .arg(bytes.size())
            .arg(pagesKnown ? expected : (bytes.size() / pageSize + 1) * pageSize);
    return QString();
}

void removeFiles(const QString& database) {
    for (const QString& suffix :
         {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
        QFile::remove(database + suffix);
}

} // namespace

namespace CatalogBackup {

QString fileConnection(const QString& file) {
    return QStringLiteral("Provider=SQLite;Data Source=%1;Persist Security Info=False").arg(file);
}

QString damage(const QString& file) {
    if (!QFileInfo(file).isFile())
        return QStringLiteral("The file %1 does not exist.").arg(file);
    QString reason = headerDamage(file);
    if (!reason.isEmpty())
        return reason;
    const QString name = QStringLiteral("kestrivo-backup-check");
    try {
        Database backup = Database::openExisting(fileConnection(file), name);
        const ConnectionCloser closer(backup);
        try {
            const QString check = backup.scalar(QStringLiteral("PRAGMA quick_check")).toString();
            if (check != QStringLiteral("ok"))
                reason = QStringLiteral("The file %1 is damaged: %2").arg(file, check);
            else if (const QString refusal = CatalogCopy::sourceRefusal(backup); !refusal.isEmpty())
                reason = QStringLiteral("The file %1 cannot be restored: it %2.").arg(file, refusal);
        } catch (const KestrivoError& error) {
            reason = QStringLiteral("The file %1 is damaged: %2").arg(file, error.description());
        }
    } catch (const KestrivoError& error) {
        reason = QStringLiteral("The file %1 cannot be opened: %2").arg(file, error.description());
    }
    return reason;
}

QList<CatalogCopy::TableCheck> backup(const Database& catalog, const QString& file,
                                      const CatalogCopy::ProgressHandler& progress) {
    const QFileInfo info(file);
    if (info.exists())
        throw backupError(
            QStringLiteral("The file %1 exists already; a backup is written only into a new file.").arg(file));
    if (!info.absoluteDir().exists())
        throw backupError(QStringLiteral("The folder %1 does not exist.").arg(info.absolutePath()));
    // Written under another name and renamed once whole: a backup that was interrupted is
    // never taken for one that is complete.
    const QString partial = info.absoluteFilePath() + QStringLiteral(".part");
    removeFiles(partial);
    QList<CatalogCopy::TableCheck> checks;
    try {
        Database target = Database::open(fileConnection(partial), QStringLiteral("kestrivo-backup-target"));
        // Closed before the file is renamed, or removed.
        const ConnectionCloser closer(target);
        CatalogCopy copy(catalog, target);
        copy.setProgressHandler(progress);
        checks = copy.run();
        // One file that stands alone, without a write-ahead log beside it.
        target.query(QStringLiteral("PRAGMA journal_mode=DELETE"));
    } catch (...) {
        removeFiles(partial);
        throw;
    }
    if (!QFile::rename(partial, info.absoluteFilePath())) {
        removeFiles(partial);
        throw backupError(QStringLiteral("The backup cannot be saved as %1.").arg(file));
    }
    return checks;
}

QList<CatalogCopy::TableCheck> restore(const QString& file, const Database& catalog,
                                       const CatalogCopy::ProgressHandler& progress) {
    if (const QString reason = damage(file); !reason.isEmpty())
        throw backupError(reason + QStringLiteral(" Nothing was written."));
    Database backup = Database::openExisting(fileConnection(file), QStringLiteral("kestrivo-restore-source"));
    const ConnectionCloser closer(backup);
    CatalogCopy copy(backup, catalog);
    copy.setProgressHandler(progress);
    return copy.run();
}

} // namespace CatalogBackup
