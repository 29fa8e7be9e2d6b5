#pragma once

#include <QString>

class Database;

// A deleted evaluation as its history keeps it: the Evaluation row, every field, answer and
// tick with their keys, and the imported files that named it, as JSON. Restoring it puts
// back exactly those rows, so the evaluation reads as it did before it was deleted.
namespace EvaluationSnapshot {

struct Header {
    qint64 evaluationKey = 0;
    qint64 templateKey = 0;
    QString fileName;
};

// The evaluation as it stands; empty when there is none of that key. Throws KestrivoError.
QString take(const Database& database, qint64 evaluationKey, Header* header = nullptr);

// Adds the rows of the snapshot, inside the caller's transaction. Throws KestrivoError with
// the reason when the snapshot cannot be read or its template is gone.
Header restore(const Database& database, const QString& snapshot);

} // namespace EvaluationSnapshot
