#include "WebUnitFolders.h"

#include "UnitFolders.h"

#include <QDir>

WebUnitFolders WebUnitFolders::forUnit(const QString& unitPath, const QString& templateFolder,
                                       const QString& evaluationFolder) {
    // The record is hidden at the unit's root, where no listing of the unit's files looks.
    return {UnitFolders::below(unitPath, templateFolder), UnitFolders::below(unitPath, evaluationFolder),
            QDir(unitPath).absoluteFilePath(QStringLiteral(".kestrivo-webunit/received.txt"))};
}

void WebUnitFolders::create() const {
    UnitFolders::make({templates, evaluations});
}
