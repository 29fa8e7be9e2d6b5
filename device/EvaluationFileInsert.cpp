#include "EvaluationFileInsert.h"

#include "Database.h"
#include "KestrivoError.h"

EvaluationFileInsert::EvaluationFileInsert(const Database& database)
    : m_database(database), m_rows(database), m_wholeFile(database) {}

void EvaluationFileInsert::clear() {
    m_addEvaluation = QSqlQuery();
    m_claimFile = QSqlQuery();
    m_rows.clear();
    m_wholeFile.clear();
}

bool EvaluationFileInsert::oneStatement(const EvaluationFileContent& content) const {
    return m_database.engine() == DatabaseEngine::PostgreSQL && content.evaluations.size() == 1;
}

QList<qint64> EvaluationFileInsert::insert(const WholeFileInsert::File& file) {
    if (oneStatement(*file.content)) {
        const qint64 key = m_wholeFile.insert({file}).first();
        return key != 0 ? QList<qint64>{key} : QList<qint64>();
    }
    return write(file);
}

qint64 EvaluationFileInsert::addEvaluation(const QString& evaluationName,
                                           const EvaluationFileContent::Evaluation& evaluation) {
    if (m_addEvaluation.lastQuery().isEmpty())
        m_addEvaluation =
            m_database.prepare(QStringLiteral("INSERT INTO Evaluation (FileName, TemplateKey, EvaluationGroupKey) "
                                              "VALUES (?, ?, ?) RETURNING EvaluationKey"));
    m_database.run(m_addEvaluation, {evaluationName, evaluation.templateKey, evaluation.evaluationGroupKey});
    if (!m_addEvaluation.next())
        throw KestrivoError(ErrorNumber::Database, QStringLiteral("The database returned no key for the evaluation."));
    const qint64 key = m_addEvaluation.value(0).toLongLong();
    m_addEvaluation.finish();
    return key;
}

bool EvaluationFileInsert::claimFile(const QString& digest, const QString& fileName, qint64 evaluationKey) {
    // Another PC importing the same file at this moment holds its digest until it commits;
    // then the row is there and this file counts as imported, without a failed statement
    // that would abort the transaction.
    if (m_claimFile.lastQuery().isEmpty())
        m_claimFile = m_database.prepare(
            QStringLiteral("INSERT INTO ImportedFile (Digest, FileName, EvaluationKey) VALUES (?, ?, ?) "
                           "ON CONFLICT (Digest) DO NOTHING RETURNING ImportedFileKey"));
    m_database.run(m_claimFile, {digest, fileName, evaluationKey});
    const bool claimed = m_claimFile.next();
    m_claimFile.finish();
    return claimed;
}

QList<qint64> EvaluationFileInsert::write(const WholeFileInsert::File& file) {
    const EvaluationFileContent& content = *file.content;
    QList<qint64> questionKeys;
    questionKeys.reserve(content.questions.size());
    QList<qint64> evaluationKeys;
    for (const EvaluationFileContent::Evaluation& evaluation : content.evaluations) {
        const qint64 evaluationKey = addEvaluation(file.evaluationName, evaluation);
        // The digest is claimed right after the first row, before the bulk of the rows.
        if (evaluationKeys.isEmpty() && !claimFile(file.digest, file.fileName, evaluationKey))
            return {};
        evaluationKeys << evaluationKey;

        QList<QVariantList> fields;
        fields.reserve(evaluation.fields.size());
        for (const EvaluationFileContent::Field& field : evaluation.fields)
            fields.append(
                QVariantList{evaluationKey, field.templateFieldKey, field.enteredValue, field.templateFieldValueKey});
        m_rows.fields.insert(fields);

        QList<QVariantList> questions;
        for (qsizetype i = evaluation.firstQuestion; i < evaluation.lastQuestion; ++i) {
            const EvaluationFileContent::Question& question = content.questions.at(i);
            questions.append(
                QVariantList{evaluationKey, question.templateQuestionKey, question.answer, question.tbcCheck});
        }
        questionKeys += m_rows.questions.insert(questions);
    }

    QList<QVariantList> pickLists;
    pickLists.reserve(content.pickLists.size());
    for (const EvaluationFileContent::PickList& pick : content.pickLists)
        pickLists.append(QVariantList{questionKeys.at(pick.question), pick.templatePickListKey});
    m_rows.pickLists.insert(pickLists);
    return evaluationKeys;
}
