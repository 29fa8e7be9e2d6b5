#include "GroupSummaryData.h"

#include "ConnectionThread.h"
#include "Database.h"
#include "EntryRules.h"
#include "FieldText.h"
#include "KeySlices.h"
#include "SqliteRows.h"
#include "TextOrder.h"

#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <unordered_map>

namespace {

// Evaluations read at once: a few statements each, and only these held in memory.
constexpr qsizetype EvaluationsPerRead = 500;
// The runs need only each evaluation's group: a statement reads many, as each costs a server
// three round trips however few rows it has.
constexpr qsizetype GroupsPerRead = 5000;
// Fewer evaluations than twice this are counted on one connection: splitting them would gain
// less than handing half to the other connection costs.
constexpr qsizetype KeysEachReader = 1000;

using AnswerTally = std::map<std::tuple<qint64, QString, bool>, int>;

// SQLite's GROUP BY sorts every answer row, for want of a hash, and took twice as long as
// reading them. Here the rows come in the index's order, an evaluation's together with its
// first answer to a question first, and are counted in a hash of the question, the TBC mark and
// the answer's bytes, in one key reused so that a row allocates nothing.
AnswerTally firstAnswersOnSqlite(const Database& database, const QList<qint64>& keys) {
    std::unordered_map<std::string, int> tally;
    std::string key;
    QList<qint64> answered; // by the evaluation being read
    qint64 current = 0;
    const KeySet all(database, keys);
    SqliteRows rows(database,
                    all.in(QStringLiteral("SELECT EvaluationKey, TemplateQuestionKey, TBCCheck, Answer FROM "
                                          "EvaluationQuestion WHERE EvaluationKey IN (%1) ORDER BY EvaluationKey, "
                                          "EvaluationQuestionKey")),
                    {all.value});
    while (rows.next()) {
        if (const qint64 evaluation = rows.integer(0); evaluation != current) {
            current = evaluation;
            answered.clear();
        }
        const qint64 question = rows.integer(1);
        if (answered.contains(question))
            continue;
        answered << question;
        key.assign(reinterpret_cast<const char*>(&question), sizeof question);
        key += rows.integer(2) != 0 ? '1' : '0';
        if (rows.isText(3)) {
            const QByteArrayView answer = rows.text(3);
            key.append(answer.data(), size_t(answer.size()));
        } else {
            key += FieldText(rows.value(3)).toStdString();
        }
        ++tally[key];
    }
    AnswerTally counts;
    for (const auto& [found, count] : tally) {
        qint64 question = 0;
        std::memcpy(&question, found.data(), sizeof question);
        const QString answer =
            QString::fromUtf8(found.data() + sizeof question + 1, qsizetype(found.size() - sizeof question - 1));
        counts[{question, answer, found.at(sizeof question) == '1'}] += count;
    }
    return counts;
}

// PostgreSQL aggregates in a hash: the server counts every answer row, and an evaluation that
// answered a question more than once (rare: files can hold that) has its later answers taken
// off again.
AnswerTally firstAnswersOnServer(const Database& database, const QList<qint64>& keys) {
    AnswerTally counts;
    forKeyCounts(database,
                 QStringLiteral("SELECT TemplateQuestionKey, Answer, CASE WHEN TBCCheck<>0 THEN 1 ELSE 0 END, COUNT(*) "
                                "FROM EvaluationQuestion WHERE EvaluationKey IN (%1) GROUP BY TemplateQuestionKey, "
                                "Answer, CASE WHEN TBCCheck<>0 THEN 1 ELSE 0 END"),
                 keys, [&counts](QSqlQuery& row) {
                     counts[{row.value(0).toLongLong(), FieldText(row.value(1)), row.value(2).toInt() != 0}] +=
                         row.value(3).toInt();
                 });
    QList<qint64> repeated;
    forKeyCounts(database,
                 QStringLiteral("SELECT EvaluationKey FROM EvaluationQuestion WHERE EvaluationKey IN (%1) GROUP BY "
                                "EvaluationKey HAVING COUNT(*) <> COUNT(DISTINCT TemplateQuestionKey)"),
                 keys, [&repeated](QSqlQuery& row) { repeated << row.value(0).toLongLong(); });
    if (!repeated.isEmpty()) {
        QSet<std::pair<qint64, qint64>> answered;
        forKeySlices(database,
                     QStringLiteral("SELECT EvaluationKey, TemplateQuestionKey, Answer, TBCCheck FROM "
                                    "EvaluationQuestion WHERE EvaluationKey IN (%1) ORDER BY EvaluationQuestionKey"),
                     {}, repeated, [&](QSqlQuery& row) {
                         const std::pair<qint64, qint64> question{row.value(0).toLongLong(), row.value(1).toLongLong()};
                         if (!answered.contains(question)) {
                             answered.insert(question);
                             return;
                         }
                         --counts[{question.second, FieldText(row.value(2)), row.value(3).toInt() != 0}];
                     });
    }
    return counts;
}

} // namespace

GroupSummaryData GroupSummaryData::loadHeading(const Database& database, const ReportRequest& request) {
    GroupSummaryData data;

    QString groupCondition;
    QVariantList groupValues;
    if (request.filtersGroups()) {
        QStringList conditions;
        for (qint64 key : request.groupKeys) {
            conditions << QStringLiteral("Evaluation.EvaluationGroupKey=?");
            groupValues << key;
        }
        groupCondition = QStringLiteral(" (") + conditions.join(QStringLiteral(" OR ")) + QStringLiteral(") AND ");
    }
    groupValues << request.templateKey;
    QSqlQuery groups = database.query(
        QStringLiteral("SELECT DISTINCT EvaluationGroupKey, FieldValue, Evaluation.TemplateKey FROM Evaluation INNER "
                       "JOIN TemplateFieldValue ON Evaluation.EvaluationGroupKey = "
                       "TemplateFieldValue.TemplateFieldValueKey WHERE") +
            groupCondition + QStringLiteral(" Evaluation.TemplateKey = ? ORDER BY EvaluationGroupKey"),
        groupValues);
    while (groups.next())
        data.groups.append({groups.value(0).toLongLong(), groups.value(1).toString(), groups.value(2).toLongLong()});
    TextOrder::sort(data.groups, [](const Group& group) { return group.name; });
    if (data.groups.isEmpty())
        return data;

    const qint64 templateKey = data.groups.first().templateKey;
    QHash<qint64, std::optional<double>> maxima;
    QSqlQuery answers = database.query(
        QStringLiteral("SELECT TemplateAnswer.TemplateQuestionKey, Answer FROM TemplateAnswer INNER JOIN "
                       "TemplateQuestion ON TemplateAnswer.TemplateQuestionKey = TemplateQuestion.TemplateQuestionKey "
                       "WHERE TemplateAnswer.Deleted=0 AND TemplateQuestion.TemplateKey=?"),
        {templateKey});
    while (answers.next()) {
        const QString answer = answers.value(1).toString();
        if (!EntryRules::isNumeric(answer))
            continue;
        std::optional<double>& maximum = maxima[answers.value(0).toLongLong()];
        maximum = std::max(maximum.value_or(EntryRules::numericValue(answer)), EntryRules::numericValue(answer));
    }
    QSqlQuery questions =
        database.query(QStringLiteral("SELECT TemplateQuestionKey, TemplateKey, Question FROM TemplateQuestion WHERE "
                                      "Deleted=0 AND TemplateKey=? ORDER BY Sequence, TemplateQuestionKey"),
                       {templateKey});
    while (questions.next()) {
        const qint64 key = questions.value(0).toLongLong();
        data.questions.append({key, questions.value(2).toString(), maxima.value(key)});
    }

    return data;
}

void GroupSummaryData::forEachEvaluation(const Database& database, const ReportRequest& request,
                                         const std::function<bool(const Evaluation&)>& each) {
    const QList<qint64> all = request.selectedEvaluations();
    for (qsizetype first = 0; first < all.size(); first += EvaluationsPerRead) {
        const QList<qint64> chosen = all.mid(first, EvaluationsPerRead);
        QHash<qint64, Evaluation> found;
        forKeySlices(database,
                     QStringLiteral("SELECT EvaluationKey, EvaluationGroupKey, FieldValue FROM Evaluation LEFT JOIN "
                                    "TemplateFieldValue ON Evaluation.EvaluationGroupKey = "
                                    "TemplateFieldValue.TemplateFieldValueKey WHERE EvaluationKey IN (%1)"),
                     {}, chosen, [&found](QSqlQuery& row) {
                         const qint64 key = row.value(0).toLongLong();
                         found.insert(key, {key, row.value(1).toLongLong(), row.value(2).toString(), {}, {}, {}});
                     });
        forKeySlices(database,
                     QStringLiteral("SELECT EvaluationKey, TemplateQuestionKey, Answer, TBCCheck FROM "
                                    "EvaluationQuestion WHERE EvaluationKey IN (%1) ORDER BY EvaluationQuestionKey"),
                     {}, chosen, [&found](QSqlQuery& row) {
                         auto evaluation = found.find(row.value(0).toLongLong());
                         const qint64 question = row.value(1).toLongLong();
                         if (evaluation == found.end() || evaluation->answers.contains(question))
                             return;
                         evaluation->answers.insert(question, FieldText(row.value(2)));
                         if (row.value(3).toInt() != 0)
                             evaluation->tbc.insert(question);
                     });
        if (!request.columnFields.isEmpty()) {
            forKeySlices(
                database,
                QStringLiteral("SELECT EvaluationKey, TemplateFieldKey, EnteredValue FROM EvaluationField WHERE "
                               "EvaluationKey IN (%1) ORDER BY EvaluationFieldKey"),
                {}, chosen, [&found](QSqlQuery& row) {
                    auto evaluation = found.find(row.value(0).toLongLong());
                    const qint64 field = row.value(1).toLongLong();
                    if (evaluation != found.end() && !evaluation->columnValues.contains(field))
                        evaluation->columnValues.insert(field, FieldText(row.value(2)));
                });
        }
        for (qint64 key : chosen) {
            const auto evaluation = found.constFind(key);
            if (evaluation != found.constEnd() && !each(*evaluation))
                return;
        }
    }
}

void GroupSummaryData::forEachRun(const Database& database, const ReportRequest& request,
                                  const std::function<bool(const Run&)>& each) {
    const QList<qint64> all = request.selectedEvaluations();
    std::optional<Run> run;
    for (qsizetype first = 0; first < all.size(); first += GroupsPerRead) {
        const QList<qint64> chosen = all.mid(first, GroupsPerRead);
        QHash<qint64, std::pair<qint64, QString>> groups;
        forKeySlices(
            database,
            QStringLiteral("SELECT EvaluationKey, EvaluationGroupKey, FieldValue FROM Evaluation LEFT JOIN "
                           "TemplateFieldValue ON Evaluation.EvaluationGroupKey = "
                           "TemplateFieldValue.TemplateFieldValueKey WHERE EvaluationKey IN (%1)"),
            {}, chosen,
            [&groups](QSqlQuery& row) {
                groups.insert(row.value(0).toLongLong(), {row.value(1).toLongLong(), row.value(2).toString()});
            },
            GroupsPerRead);
        for (qint64 key : chosen) {
            const auto group = groups.constFind(key);
            if (group == groups.cend())
                continue;
            if (run && run->groupKey != group->first) {
                if (!each(*run))
                    return;
                run.reset();
            }
            if (!run)
                run = Run{group->first, group->second, key, {}};
            run->keys << key;
        }
    }
    if (run)
        each(*run);
}

QList<GroupSummaryData::AnswerCount> GroupSummaryData::answerCounts(const Database& database, const QList<qint64>& keys,
                                                                    ConnectionThread* second) {
    const auto firstAnswers = [](const Database& connection, const QList<qint64>& part) {
        return connection.engine() == DatabaseEngine::SQLite ? firstAnswersOnSqlite(connection, part)
                                                             : firstAnswersOnServer(connection, part);
    };
    AnswerTally counts;
    if (second && keys.size() >= 2 * KeysEachReader) {
        // An evaluation's answers are counted on one connection or the other, and the counts
        // add up: half of them are read and counted on each of two processors.
        const qsizetype half = keys.size() / 2;
        AnswerTally secondCounts;
        second->start([&secondCounts, firstAnswers, rest = keys.mid(half)](const Database& connection) {
            secondCounts = firstAnswers(connection, rest);
        });
        try {
            counts = firstAnswers(database, keys.first(half));
        } catch (...) {
            second->finish();
            throw;
        }
        second->finish();
        for (const auto& [key, count] : secondCounts)
            counts[key] += count;
    } else {
        counts = firstAnswers(database, keys);
    }
    QList<AnswerCount> list;
    for (const auto& [key, count] : counts)
        if (count > 0)
            list.append({std::get<0>(key), std::get<1>(key), std::get<2>(key), count});
    return list;
}

QHash<qint64, QString> GroupSummaryData::columnValues(const Database& database, qint64 evaluationKey) {
    QHash<qint64, QString> values;
    QSqlQuery rows = database.query(QStringLiteral("SELECT TemplateFieldKey, EnteredValue FROM EvaluationField WHERE "
                                                   "EvaluationKey=? ORDER BY EvaluationFieldKey"),
                                    {evaluationKey});
    while (rows.next())
        if (!values.contains(rows.value(0).toLongLong()))
            values.insert(rows.value(0).toLongLong(), FieldText(rows.value(1)));
    return values;
}
