#include "EvaluationWriter.h"

#include "Database.h"
#include "RowBatchInsert.h"

namespace EvaluationWriter {

namespace {

constexpr int TrueValue = -1;

// The rows go in through multi-row statements: a full evaluation is some 1,600 rows, which a
// database server should not receive one round trip at a time.
class RowWriter {
public:
    explicit RowWriter(const Database& database)
        : m_fields(database, QStringLiteral("EvaluationField"),
                   {QStringLiteral("EvaluationKey"), QStringLiteral("TemplateFieldKey"), QStringLiteral("EnteredValue"),
                    QStringLiteral("TemplateFieldValueKey")},
                   false),
          m_questions(database, QStringLiteral("EvaluationQuestion"),
                      {QStringLiteral("EvaluationKey"), QStringLiteral("TemplateQuestionKey"), QStringLiteral("Answer"),
                       QStringLiteral("TBCCheck")},
                      true),
          m_pickLists(database, QStringLiteral("EvaluationPickList"),
                      {QStringLiteral("EvaluationQuestionKey"), QStringLiteral("TemplatePickListKey")}, false) {}

    void write(qint64 evaluationKey, const Evaluation& evaluation) {
        QList<QVariantList> fields;
        fields.reserve(evaluation.fields.size());
        for (const Field& field : evaluation.fields)
            fields.append(
                QVariantList{evaluationKey, field.templateFieldKey, field.enteredValue, field.templateFieldValueKey});
        m_fields.insert(fields);

        QList<QVariantList> questions;
        questions.reserve(evaluation.questions.size());
        for (const Question& question : evaluation.questions)
            questions.append(QVariantList{evaluationKey, question.templateQuestionKey, question.answer,
                                          question.tbc ? TrueValue : 0});
        const QList<qint64> questionKeys = m_questions.insert(questions);

        QList<QVariantList> ticks;
        for (qsizetype i = 0; i < evaluation.questions.size(); ++i) {
            for (const qint64 entry : evaluation.questions.at(i).ticked)
                ticks.append(QVariantList{questionKeys.at(i), entry});
        }
        m_pickLists.insert(ticks);
    }

private:
    RowBatchInsert m_fields;
    RowBatchInsert m_questions;
    RowBatchInsert m_pickLists;
};

} // namespace

qint64 save(const Database& database, const Evaluation& evaluation, qint64 replaces) {
    // The statements outlive the transaction: a server frees them only once it has rolled back.
    RowWriter rows(database);
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
    rows.write(key, evaluation);
    transaction.commit();
    return key;
}

bool remove(const Database& database, qint64 evaluationKey) {
    return database.query(QStringLiteral("DELETE FROM Evaluation WHERE EvaluationKey=?"), {evaluationKey})
               .numRowsAffected() > 0;
}

} // namespace EvaluationWriter
