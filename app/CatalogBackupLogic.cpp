#include "CatalogBackupLogic.h"

#include "CatalogBackup.h"
#include "Database.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "ProgramSettings.h"
#include "Prompter.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>

CatalogBackupLogic::CatalogBackupLogic(QObject* parent) : QObject(parent), m_file(suggestedFile()) {
    m_status = QStringLiteral("Choose a new file and press Back Up.");
}

QString CatalogBackupLogic::suggestedFile() {
    const QString base = programSettings().DataPath + QStringLiteral("kestrivo-backup-") +
                         QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QString file = base + QStringLiteral(".db");
    for (int number = 2; QFileInfo::exists(file); ++number)
        file = base + QStringLiteral("-%1.db").arg(number);
    return file;
}

QString CatalogBackupLogic::helpText(const QString& control) {
    if (control == QLatin1String("txtFile"))
        return QStringLiteral("Enter the new file that is to hold the backup");
    if (control == QLatin1String("cmdBrowse"))
        return QStringLiteral("Click to choose the file of the backup");
    if (control == QLatin1String("cmdBackUp"))
        return QStringLiteral("Click to back up the whole catalog into the file");
    if (control == QLatin1String("cmdClose"))
        return QStringLiteral("Click to close this window");
    return QString();
}

void CatalogBackupLogic::setStatus(const QString& text) {
    m_status = text;
    Q_EMIT statusChanged(text);
}

void CatalogBackupLogic::setBusy(bool busy) {
    m_busy = busy;
    Q_EMIT busyChanged(busy);
}

bool CatalogBackupLogic::backUp() {
    if (m_busy)
        return false;
    const QString file = m_file.trimmed();
    if (file.isEmpty()) {
        programPrompter().inform(QStringLiteral("Enter the file to back the catalog up into."), Title,
                                 PromptIcon::Critical);
        return false;
    }
    const QString path = QFileInfo(file).absoluteFilePath();
    if (QFileInfo::exists(path)) {
        programPrompter().inform(
            QStringLiteral("The file %1 exists already; a backup is written only into a new file.").arg(path), Title,
            PromptIcon::Critical);
        return false;
    }
    setBusy(true);
    setStatus(QStringLiteral("Backing up the catalog to %1").arg(path));
    Q_EMIT progressChanged(0, 1);
    bool written = false;
    qint64 rows = 0;
    qsizetype tables = 0;
    guarded(QStringLiteral("cmdBackUp_Click"), [&] {
        // A connection of its own: its snapshot must not hold the program's own changes back.
        Database catalog =
            Database::openExisting(programSettings().DatabaseConnectionString, QStringLiteral("kestrivo-backup"));
        try {
            const auto checks = CatalogBackup::backup(catalog, path, [this](const CatalogCopy::Progress& progress) {
                setStatus(
                    QStringLiteral("%1 %2 (table %3 of %4)")
                        .arg(progress.checking ? QStringLiteral("Checking") : QStringLiteral("Copying"), progress.name)
                        .arg(progress.table)
                        .arg(progress.tables));
                Q_EMIT progressChanged(int(progress.rowsCopied), int(qMax<qint64>(progress.rowsTotal, 1)));
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            });
            for (const CatalogCopy::TableCheck& check : checks)
                rows += check.rows;
            tables = checks.size();
            written = true;
        } catch (...) {
            catalog.close();
            throw;
        }
        catalog.close();
    });
    setBusy(false);
    if (!written) {
        Q_EMIT progressChanged(0, 1);
        setStatus(QStringLiteral("The catalog was not backed up."));
        return false;
    }
    Q_EMIT progressChanged(1, 1);
    const QString done = QStringLiteral("The catalog was backed up to %1: %2 rows in %3 tables, each the same in "
                                        "the backup as in the catalog.")
                             .arg(path)
                             .arg(rows)
                             .arg(tables);
    setStatus(done);
    programPrompter().inform(done, Title);
    return true;
}
