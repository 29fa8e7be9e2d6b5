#pragma once

#include "UnitEvaluation.h"
#include "UnitTemplate.h"

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// A stand-in for the handheld application on an emulated unit (a folder): it creates the
// unit's folders, reads the template files the PC uploads and writes filled-in evaluation
// files in the handheld's exact format.
class UnitSimulator {
public:
    static inline const QString DefaultTemplateFolder = QStringLiteral("\\My Documents\\Nobrin\\Templates\\");
    static inline const QString DefaultEvaluationFolder = QStringLiteral("\\My Documents\\Nobrin\\Evaluations\\");
    // "Tick a random number of pick-list entries" for fill.
    static constexpr int RandomTicks = -1;

    explicit UnitSimulator(QString root, QString templateFolder = DefaultTemplateFolder,
                           QString evaluationFolder = DefaultEvaluationFolder);

    // Creates the unit's template and evaluation folders. Throws KestrivoError.
    void init() const;
    // Reads a template file of the unit's template folder. Throws KestrivoError.
    UnitTemplate readTemplate(const QString& templateFileName) const;
    // Writes count evaluations of the template into the evaluation folder and returns their
    // file names. The same seed gives the same values. Throws KestrivoError.
    QStringList fill(const QString& templateFileName, int count, quint32 seed, int ticks = RandomTicks) const;

    QString templateFolderPath() const;
    QString evaluationFolderPath() const;

private:
    UnitEvaluation evaluation(const UnitTemplate& unitTemplate, QRandomGenerator& random, int ticks, int serial) const;

    QString m_root;
    QString m_templateFolder;
    QString m_evaluationFolder;
};
