#include "WebUnitFolders.h"

#include "UnitFolders.h"

#include "KestrivoError.h"

#include <QDir>
#include <QFileInfo>

WebUnitFolders WebUnitFolders::forUnit(const QString& unitPath, const QString& templateFolder,
                                       const QString& evaluationFolder) {
    // The record is hidden at the unit's root, where no listing of the unit's files looks.
    const QString root = QDir(unitPath).absolutePath() + QLatin1Char('/');
    return {UnitFolders::below(unitPath, templateFolder), UnitFolders::below(unitPath, evaluationFolder),
            root + QStringLiteral(".kestrivo-webunit/received.txt"), root};
}

void WebUnitFolders::create() const {
    if (!QFileInfo(unit).isDir())
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The unit folder %1 is not there: connect the unit, or choose another unit "
                                           "folder in Tools > Options, on the Paths tab.")
                                .arg(unit));
    UnitFolders::make({templates, evaluations});
}
