#pragma once

#include "RowBatchInsert.h"

class Database;

// The rows below an evaluation, each table through multi-row statements of its own: a full
// evaluation is some 1,600 rows, which a database server should not receive one round trip
// at a time.
struct EvaluationRowInserts {
    explicit EvaluationRowInserts(const Database& database);
    // Forgets the prepared statements, for a connection that may have been replaced.
    void clear();

    RowBatchInsert fields;    // EvaluationKey, TemplateFieldKey, EnteredValue, TemplateFieldValueKey
    RowBatchInsert questions; // EvaluationKey, TemplateQuestionKey, Answer, TBCCheck; gives the new keys
    RowBatchInsert pickLists; // EvaluationQuestionKey, TemplatePickListKey
};
