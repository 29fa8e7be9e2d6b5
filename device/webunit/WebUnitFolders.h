#pragma once

#include <QString>

// Where a web unit reads and writes on the PC: the template and evaluation folders of the unit
// folder (UnitPath), and its record of what phones have sent.
struct WebUnitFolders {
    QString templates;   // ends with "/"
    QString evaluations; // ends with "/"
    QString record;
    QString unit; // the unit folder itself, ending with "/"

    // The folders of the unit paths (DeviceTemplatePath, DeviceEvaluationPath) below the unit
    // folder. Throws KestrivoError for a unit path that is not a folder below it.
    static WebUnitFolders forUnit(const QString& unitPath, const QString& templateFolder,
                                  const QString& evaluationFolder);
    // Creates the folders, as the handheld application does when it starts, on a unit folder that
    // is there: a unit that is not mounted is not replaced by folders on the PC's own disk.
    // Throws KestrivoError.
    void create() const;
};
