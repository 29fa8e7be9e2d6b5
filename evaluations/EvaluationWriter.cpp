#include "EvaluationWriter.h"

#include "Database.h"
#include "EvaluationRowInserts.h"
#include "EvaluationSnapshot.h"
#include "HistoryChain.h"
#include "KestrivoError.h"

namespace EvaluationWriter {

namespace {

constexpr int TrueValue = -1;

class RowWriter {
public:
    explicit RowWriter(const Database& database) : m_rows(database) {}

    void write(qint64 evaluationKey, const Evaluation& evaluation) {
        QList<QVariantList> fields;
        fields.reserve(evaluation.fields.size());
        for (const Field& field : evaluation.fields)
            fields.append(
                QVariantList{evaluationKey, field.templateFieldKey, field.enteredValue, field.templateFieldValueKey});
        m_rows.fields.insert(fields);

        QList<QVariantList> questions;
        questions.reserve(evaluation.questions.size());
        for (const Question& question : evaluation.questions)
            questions.append(QVariantList{evaluationKey, question.templateQuestionKey, question.answer,
                                          question.tbc ? TrueValue : 0});
        const QList<qint64> questionKeys = m_rows.questions.insert(questions);

        QList<QVariantList> ticks;
        for (qsizetype i = 0; i < evaluation.questions.size(); ++i) {
            for (const qint64 entry : evaluation.questions.at(i).ticked)
                ticks.append(QVariantList{questionKeys.at(i), entry});
        }
        m_rows.pickLists.insert(ticks);
    }

private:
    EvaluationRowInserts m_rows;
};

} // namespace

qint64 save(const Database& database, const Evaluation& evaluation, const SaveRecord& record) {
    namespace Item = EvaluationHistory::Item;
    // The statements outlive the transaction: a server frees them only once it has rolled back.
    RowWriter rows(database);
    Transaction transaction(database);
    // The old row goes first: on a database server this waits for another PC that is
    // replacing the same evaluation, and then finds it gone instead of saving it twice.
    if (record.replaces != 0) {
        if (database.query(QStringLiteral("DELETE FROM Evaluation WHERE EvaluationKey=?"), {record.replaces})
                .numRowsAffected() < 1)
            return Gone;
        if (EvaluationHistory::stamp(database, record.replaces) != record.openedStamp)
            return ChangedMeanwhile;
    }
    const qint64 key = database.insert(
        QStringLiteral("Evaluation"),
        {QStringLiteral("FileName"), QStringLiteral("TemplateKey"), QStringLiteral("EvaluationGroupKey")},
        {evaluation.fileName, evaluation.templateKey, evaluation.evaluationGroupKey});
    rows.write(key, evaluation);

    QList<EvaluationHistory::Change> history;
    if (record.replaces != 0)
        history.append({key,
                        Item::Saved,
                        record.replaces,
                        QStringLiteral("Saved under a new key"),
                        QString::number(record.replaces),
                        QString::number(key),
                        {}});
    else
        history.append({key,
                        Item::Made,
                        record.opened,
                        record.opened != 0 ? QStringLiteral("Made on the PC from evaluation %1").arg(record.opened)
                                           : QStringLiteral("Made on the PC"),
                        {},
                        evaluation.fileName,
                        {}});
    for (EvaluationHistory::Change change : record.changes) {
        change.evaluationKey = key;
        history.append(change);
    }
    HistoryChain::append(database, record.means, history);
    transaction.commit();
    return key;
}

bool remove(const Database& database, qint64 evaluationKey, const QString& means) {
    Transaction transaction(database, Transaction::Writing);
    // The row is locked first, so that what is kept is what goes.
    if (database.engine() == DatabaseEngine::PostgreSQL &&
        !database
             .scalar(QStringLiteral("SELECT EvaluationKey FROM Evaluation WHERE EvaluationKey=? FOR UPDATE"),
                     {evaluationKey})
             .isValid())
        return false;
    EvaluationSnapshot::Header header;
    const QString snapshot = EvaluationSnapshot::take(database, evaluationKey, &header);
    if (snapshot.isEmpty())
        return false;
    database.execute(QStringLiteral("DELETE FROM Evaluation WHERE EvaluationKey=?"), {evaluationKey});
    HistoryChain::append(database, means,
                         {{evaluationKey,
                           EvaluationHistory::Item::Deleted,
                           header.templateKey,
                           QStringLiteral("Evaluation deleted"),
                           header.fileName,
                           {},
                           snapshot}});
    transaction.commit();
    return true;
}

void restore(const Database& database, qint64 evaluationKey) {
    Transaction transaction(database, Transaction::Writing);
    if (database.scalar(QStringLiteral("SELECT 1 FROM Evaluation WHERE EvaluationKey=?"), {evaluationKey}).isValid())
        throw KestrivoError(
            ErrorNumber::General,
            QStringLiteral("The evaluation %1 is in the catalog: there is nothing to restore.").arg(evaluationKey));
    const QString snapshot = EvaluationHistory::snapshotOf(database, evaluationKey);
    if (snapshot.isEmpty())
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("No deleted evaluation has the key %1.").arg(evaluationKey));
    const EvaluationSnapshot::Header header = EvaluationSnapshot::restore(database, snapshot);
    HistoryChain::append(database, EvaluationHistory::Means::Restore,
                         {{evaluationKey,
                           EvaluationHistory::Item::Restored,
                           header.templateKey,
                           QStringLiteral("Evaluation restored"),
                           {},
                           header.fileName,
                           {}}});
    transaction.commit();
}

} // namespace EvaluationWriter
