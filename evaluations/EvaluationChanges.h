#pragma once

#include "EvaluationForm.h"
#include "EvaluationHistory.h"

#include <QList>
#include <QString>

class EvaluationEditor;

// What an evaluation shows on the "Nobrin" tab, item by item, and what changed between two
// such views: the rows its history gets when it is saved or set.
namespace EvaluationChanges {

struct View {
    struct Field {
        qint64 key = 0; // TemplateFieldKey
        QString label;
        QString value;
    };
    QString fileName;
    QList<Field> fields;
    QList<EvaluationForm::Question> questions; // with their answers, TBC marks and ticks
};

// The evaluation on the editor's screen, its question pages as last stored.
View of(const EvaluationEditor& editor);

// Each item whose value differs, in the order the screen shows them: the file name, the
// fields, then per question its answer, TBC mark and pick-list entries. The rows name no
// evaluation yet.
QList<EvaluationHistory::Change> between(const View& before, const View& after);

} // namespace EvaluationChanges
