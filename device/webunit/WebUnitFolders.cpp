#include "WebUnitFolders.h"

#include "KestrivoError.h"
#include "MountedFolderTransport.h"

#include <QDir>

namespace {

constexpr qint32 FolderError = 75;

QString localFolder(const QString& root, const QString& unitFolder) {
    const QString path = MountedFolderTransport::localPath(root, unitFolder);
    if (path.isEmpty())
        throw KestrivoError(FolderError,
                            QStringLiteral("The unit folder %1 is not a folder below the unit.").arg(unitFolder));
    return path + QLatin1Char('/');
}

} // namespace

WebUnitFolders WebUnitFolders::forUnit(const QString& unitPath, const QString& templateFolder,
                                       const QString& evaluationFolder) {
    // The record is hidden at the unit's root, where no listing of the unit's files looks.
    return {localFolder(unitPath, templateFolder), localFolder(unitPath, evaluationFolder),
            QDir(unitPath).absoluteFilePath(QStringLiteral(".kestrivo-webunit/received.txt"))};
}

void WebUnitFolders::create() const {
    for (const QString& folder : {templates, evaluations}) {
        if (!QDir().mkpath(folder))
            throw KestrivoError(FolderError, QStringLiteral("The unit folder %1 cannot be created.").arg(folder));
    }
}
