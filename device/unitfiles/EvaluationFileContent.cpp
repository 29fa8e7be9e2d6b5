#include "EvaluationFileContent.h"

qsizetype EvaluationFileContent::rowCount() const {
    qsizetype rows = evaluations.size() + questions.size() + pickLists.size();
    for (const Evaluation& evaluation : evaluations)
        rows += evaluation.fields.size();
    return rows;
}
