#pragma once

#include "EvaluationForm.h"

class Database;

// Reads the form of a template, and what an opened evaluation holds, in a handful of queries
// whatever the template's size. A new evaluation sees only live template items; an opened
// one also those marked deleted since, so that it keeps its fields, questions and values.
namespace EvaluationFormReader {

// liveOnly leaves out template items marked deleted (a new evaluation); evaluationKey 0
// reads no stored values. Throws KestrivoError.
EvaluationForm read(const Database& database, qint64 templateKey, qint64 evaluationKey, bool liveOnly);

} // namespace EvaluationFormReader
