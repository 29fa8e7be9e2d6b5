#include "UnitFolders.h"

#include "KestrivoError.h"
#include "LogError.h"
#include "MountedFolderTransport.h"
#include "ProgramSettings.h"
#include "Settings.h"

#include <QDir>
#include <QFileInfo>

namespace UnitFolders {

QString below(const QString& root, const QString& unitFolder) {
    const QString path = MountedFolderTransport::localPath(root, unitFolder);
    if (path.isEmpty())
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The unit folder %1 is not a folder below the unit.").arg(unitFolder));
    return path + QLatin1Char('/');
}

void make(const QStringList& folders) {
    for (const QString& folder : folders) {
        if (!QDir().mkpath(folder))
            throw KestrivoError(ErrorNumber::FileAccess,
                                QStringLiteral("The unit folder %1 cannot be created.").arg(folder));
    }
}

void create(const QString& root, const QString& templateFolder, const QString& evaluationFolder) {
    make({below(root, templateFolder), below(root, evaluationFolder)});
}

bool isEmulated(const QString& unitPath, const QString& appPath) {
    if (unitPath.isEmpty())
        return false;
    const QFileInfo given(unitPath);
    const QFileInfo emulated(Settings::emulatedUnitPath(appPath));
    if (QDir::cleanPath(given.absoluteFilePath()) == QDir::cleanPath(emulated.absoluteFilePath()))
        return true;
    // The same folder through a link, once both are there.
    const QString canonical = given.canonicalFilePath();
    return !canonical.isEmpty() && canonical == emulated.canonicalFilePath();
}

bool prepareEmulatedUnit(const ProgramSettings& settings, const QString& templateFolder,
                         const QString& evaluationFolder) {
    if (!isEmulated(settings.UnitPath, settings.AppPath))
        return false;
    try {
        create(settings.UnitPath, templateFolder, evaluationFolder);
        return true;
    } catch (const KestrivoError& error) {
        AppendErrorRecord(error, QStringLiteral("PrepareEmulatedUnit"));
        return false;
    }
}

} // namespace UnitFolders
