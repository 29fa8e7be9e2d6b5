#pragma once

#include "EvaluationHistory.h"

#include <QList>
#include <QString>

class Database;

// Writes, removes and restores whole evaluations, each with its rows of history in the same
// transaction. A save adds the evaluation under a new key, and when it replaces an opened one,
// removing the old and adding the new happen in one transaction, so a failure anywhere leaves
// the old evaluation whole.
namespace EvaluationWriter {

struct Field {
    qint64 templateFieldKey = 0;
    QString enteredValue;
    qint64 templateFieldValueKey = 0; // the chosen value of a value-list field, else 0
};
struct Question {
    qint64 templateQuestionKey = 0;
    QString answer;
    bool tbc = false;
    QList<qint64> ticked; // TemplatePickListKey of each ticked entry, in list order
};
struct Evaluation {
    qint64 templateKey = 0;
    qint64 evaluationGroupKey = 0;
    QString fileName;
    QList<Field> fields;
    QList<Question> questions;
};

// What a save records in the history: how it was made, and for an evaluation that was opened
// what changed against it.
struct SaveRecord {
    QString means = EvaluationHistory::Means::Editor;
    qint64 replaces = 0;    // the opened evaluation, removed by the save; 0 to keep it
    qint64 opened = 0;      // the evaluation the values were opened from, 0 for a new one
    qint64 openedStamp = 0; // its history stamp when it was opened
    QList<EvaluationHistory::Change> changes;
};

// save() wrote nothing: the evaluation to replace is gone, or it changed since it was opened.
constexpr qint64 Gone = 0;
constexpr qint64 ChangedMeanwhile = -1;

// Adds the evaluation and returns its new key. An evaluation it replaces is removed in the
// same transaction, unless another PC replaced, deleted or changed it since it was opened:
// then nothing is written and Gone or ChangedMeanwhile is returned. Throws KestrivoError,
// having written nothing.
qint64 save(const Database& database, const Evaluation& evaluation, const SaveRecord& record = {});

// Removes the evaluation with its fields, answers and pick-list rows, keeping a copy of it
// in its history; false when it was not there.
bool remove(const Database& database, qint64 evaluationKey, const QString& means);

// Brings a deleted evaluation back as it was deleted, key and all. Throws KestrivoError with
// the reason when it is not a deleted evaluation or cannot come back.
void restore(const Database& database, qint64 evaluationKey);

} // namespace EvaluationWriter
