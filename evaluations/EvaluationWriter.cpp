#include "EvaluationWriter.h"

#include "Database.h"
#include "RowBatchInsert.h"

namespace EvaluationWriter {

namespace {

constexpr int TrueValue = -1;

// The rows go in through multi-row statements: a full evaluation is some 1,600 rows, which a
// database server should not receive one round trip at a time.
void writeRows(const Database& database, qint64 evaluationKey, const Evaluation& evaluation) {
    QList<QVariantList> fields;
    fields.reserve(evaluation.fields.size());
    for (const Field& field : evaluation.fields)
        fields.append(
            QVariantList{evaluationKey, field.templateFieldKey, field.enteredValue, field.templateFieldValueKey});
    RowBatchInsert(database, QStringLiteral("EvaluationField"),
                   {QStringLiteral("EvaluationKey"), QStringLiteral("TemplateFieldKey"), QStringLiteral("EnteredValue"),
                    QStringLiteral("TemplateFieldValueKey")},
                   false)
        .insert(fields);

    QList<QVariantList> questions;
    questions.reserve(evaluation.questions.size());
    for (const Question& question : evaluation.questions)
        questions.append(
            QVariantList{evaluationKey, question.templateQuestionKey, question.answer, question.tbc ? TrueValue : 0});
    const QList<qint64> questionKeys =
        RowBatchInsert(database, QStringLiteral("EvaluationQuestion"),
                       {QStringLiteral("EvaluationKey"), QStringLiteral("TemplateQuestionKey"),
                        QStringLiteral("Answer"), QStringLiteral("TBCCheck")},
                       true)
            .insert(questions);

    QList<QVariantList> ticks;
    for (qsizetype i = 0; i < evaluation.questions.size(); ++i) {
        for (const qint64 entry : evaluation.questions.at(i).ticked)
            ticks.append(QVariantList{questionKeys.at(i), entry});
    }
    RowBatchInsert(database, QStringLiteral("EvaluationPickList"),
                   {QStringLiteral("EvaluationQuestionKey"), QStringLiteral("TemplatePickListKey")}, false)
        .insert(ticks);
}

} // namespace

qint64 save(const Database& database, const Evaluation& evaluation, qint64 replaces) {
    Transaction transaction(database);
    // The old row goes first: on a database server this waits for another PC that is
    // replacing the same evaluation, and then finds it gone instead of saving it twice.
    if (replaces != 0 &&
        database.query(QStringLiteral("DELETE FROM Evaluation WHERE EvaluationKey=?"), {replaces}).numRowsAffected() <
            1)
        return 0;
    const qint64 key = database.insert(
        QStringLiteral("Evaluation"),
        {QStringLiteral("FileName"), QStringLiteral("TemplateKey"), QStringLiteral("EvaluationGroupKey")},
        {evaluation.fileName, evaluation.templateKey, evaluation.evaluationGroupKey});
    writeRows(database, key, evaluation);
    transaction.commit();
    return key;
}

bool remove(const Database& database, qint64 evaluationKey) {
    return database.query(QStringLiteral("DELETE FROM Evaluation WHERE EvaluationKey=?"), {evaluationKey})
               .numRowsAffected() > 0;
}

} // namespace EvaluationWriter
