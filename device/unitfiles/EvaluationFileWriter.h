#pragma once

#include "UnitEvaluation.h"
#include "UnitTemplate.h"

#include <QByteArray>
#include <QString>

// Writes an evaluation file as the handheld does: "*H*", then one "*F*" per field, then each
// "*Q*" with its "*P*" records, one record a line, Windows-1252, CR LF.
namespace EvaluationFileWriter {

inline const QString Extension = QStringLiteral(".txt");
// The handheld keeps a file name to this many characters.
constexpr int NameLength = 60;
// The name of an evaluation whose file-name fields are all empty.
inline const QString UnnamedEvaluation = QStringLiteral("Evaluation");

// The file's bytes. A double quote in a text becomes a single one, since the format cannot
// hold it. Throws KestrivoError when a text holds a character that Windows-1252 lacks.
QByteArray write(const UnitEvaluation& evaluation);

// The evaluation's file name without extension: the values of the template's file-name fields
// in their order, cleaned as the PC cleans a file name, without what no file name may hold,
// trimmed and cut to NameLength.
QString baseName(const UnitTemplate& unitTemplate, const UnitEvaluation& evaluation);

} // namespace EvaluationFileWriter
