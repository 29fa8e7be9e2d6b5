#pragma once

#include <QList>
#include <QString>

class Database;

// Writes and removes whole evaluations. An evaluation is never changed in place: a save adds
// it under a new key, and when it replaces an opened one, removing the old and adding the new
// happen in one transaction, so a failure anywhere leaves the old evaluation whole.
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

// Adds the evaluation and returns its new key. With replaces not 0 that evaluation is removed
// in the same transaction; when it is no longer there (another PC replaced or deleted it),
// nothing is written and 0 is returned. Throws KestrivoError, having written nothing.
qint64 save(const Database& database, const Evaluation& evaluation, qint64 replaces = 0);

// Removes the evaluation with its fields, answers and pick-list rows; false when it was not
// there.
bool remove(const Database& database, qint64 evaluationKey);

} // namespace EvaluationWriter
