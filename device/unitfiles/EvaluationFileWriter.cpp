#include "EvaluationFileWriter.h"

#include "FileNames.h"
#include "KestrivoError.h"
#include "Windows1252.h"

#include <QStringList>

namespace EvaluationFileWriter {

namespace {

QString quoted(const QString& text) {
    return QLatin1Char('"') + QString(text).replace('"', '\'') + QLatin1Char('"');
}

} // namespace

QByteArray write(const UnitEvaluation& evaluation) {
    QStringList lines;
    lines << QStringLiteral("\"*H*\",%1,%2,%3")
                 .arg(quoted(evaluation.stamp))
                 .arg(evaluation.templateKey)
                 .arg(evaluation.groupKey);
    for (const UnitEvaluation::Field& field : evaluation.fields)
        lines << QStringLiteral("\"*F*\",%1,%2,%3").arg(field.key).arg(quoted(field.value)).arg(field.valueKey);
    for (const UnitEvaluation::Question& question : evaluation.questions) {
        lines << QStringLiteral("\"*Q*\",%1,%2,%3")
                     .arg(question.key)
                     .arg(quoted(question.answer))
                     .arg(question.tbc ? 1 : 0);
        for (const qint32 entry : question.ticked)
            lines << QStringLiteral("\"*P*\",%1").arg(entry);
    }
    bool ok = false;
    const QByteArray bytes = Windows1252::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), &ok);
    if (!ok)
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The evaluation holds text the unit cannot store."));
    return bytes;
}

QString baseName(const UnitTemplate& unitTemplate, const UnitEvaluation& evaluation) {
    QString name;
    for (const qint32 key : unitTemplate.fileNameFields) {
        for (const UnitEvaluation::Field& field : evaluation.fields) {
            if (field.key == key) {
                name += field.value;
                break;
            }
        }
    }
    QString portable;
    for (const QChar character : FileNames::CleanFileName(name)) {
        // What the cleaning rule leaves but no file on the unit may hold.
        if (character.category() != QChar::Other_Control && !QStringLiteral(":*?\"<>|").contains(character))
            portable += character;
    }
    portable = portable.trimmed().left(NameLength).trimmed();
    return portable.isEmpty() ? UnnamedEvaluation : portable;
}

} // namespace EvaluationFileWriter
