#include "AnswerChartData.h"

#include "Database.h"
#include "GroupSummaryData.h"
#include "KeySlices.h"

#include <QHash>
#include <QSet>

namespace {

// An answer or pick-list entry of the template, live or deleted.
struct Choice {
    qint64 key = 0;
    QString text;
    bool deleted = false;
};
using Choices = QHash<qint64, QList<Choice>>; // by TemplateQuestionKey, in the template's order

Choices templateChoices(const Database& database, const QString& table, const QString& key, const QString& text,
                        qint64 templateKey) {
    Choices choices;
    QSqlQuery rows = database.query(
        QStringLiteral("SELECT %1.TemplateQuestionKey, %2, %3, %1.Deleted FROM %1 INNER JOIN TemplateQuestion ON "
                       "%1.TemplateQuestionKey = TemplateQuestion.TemplateQuestionKey WHERE "
                       "TemplateQuestion.TemplateKey=? ORDER BY %1.Sequence, %2")
            .arg(table, key, text),
        {templateKey});
    while (rows.next())
        choices[rows.value(0).toLongLong()].append(
            {rows.value(1).toLongLong(), rows.value(2).toString(), rows.value(3).toInt() != 0});
    return choices;
}

// How often the chosen evaluations of each group ticked each pick-list entry, by
// TemplatePickListKey. An evaluation ticks an entry once in the one answer it holds for the
// question, so this is how many of them ticked it.
QHash<qint64, QList<int>> pickTicks(const Database& database, const QList<qint64>& evaluations,
                                    const QHash<qint64, int>& groupIndex, int groups) {
    QHash<qint64, QList<int>> ticks;
    forKeyCounts(database,
                 QStringLiteral("SELECT Evaluation.EvaluationGroupKey, EvaluationPickList.TemplatePickListKey, "
                                "COUNT(*) FROM Evaluation INNER JOIN EvaluationQuestion ON "
                                "EvaluationQuestion.EvaluationKey = Evaluation.EvaluationKey INNER JOIN "
                                "EvaluationPickList ON EvaluationPickList.EvaluationQuestionKey = "
                                "EvaluationQuestion.EvaluationQuestionKey WHERE Evaluation.EvaluationKey IN (%1) "
                                "GROUP BY Evaluation.EvaluationGroupKey, EvaluationPickList.TemplatePickListKey"),
                 evaluations, [&](QSqlQuery& row) {
                     const auto group = groupIndex.constFind(row.value(0).toLongLong());
                     if (group == groupIndex.cend())
                         return;
                     QList<int>& counts = ticks[row.value(1).toLongLong()];
                     counts.resize(groups);
                     counts[*group] += row.value(2).toInt();
                 });
    return ticks;
}

AnswerChartData::Bar bar(AnswerChartData::BarKind kind, const QString& label, int groups) {
    return {kind, label, QList<int>(groups, 0)};
}

bool counted(const AnswerChartData::Bar& bar) {
    return bar.highest() > 0;
}

QList<AnswerChartData::Bar> answerBars(const QList<Choice>& choices, const GroupSummaryData& data,
                                       const QList<int>& groupOf, qint64 question, int groups) {
    using Kind = AnswerChartData::BarKind;
    QList<AnswerChartData::Bar> bars;
    QHash<QString, int> barOf; // by the answer's text
    QSet<QString> live;
    for (const Choice& choice : choices)
        if (!choice.deleted)
            live.insert(choice.text.trimmed());
    for (const Choice& choice : choices) {
        const QString text = choice.text.trimmed();
        // A deleted answer whose text is still live counts under the live one.
        if (text.isEmpty() || barOf.contains(text) || (choice.deleted && live.contains(text)))
            continue;
        barOf.insert(text, int(bars.size()));
        bars.append(bar(choice.deleted ? Kind::DeletedAnswer : Kind::Answer, choice.text, groups));
    }
    const int other = int(bars.size());
    bars.append(bar(Kind::Other, QStringLiteral("Other"), groups));
    bars.append(bar(Kind::NoAnswer, QStringLiteral("No answer"), groups));
    bars.append(bar(Kind::Tbc, QStringLiteral("TBC"), groups));
    for (int i = 0; i < data.evaluations.size(); ++i) {
        const GroupSummaryData::Evaluation& evaluation = data.evaluations.at(i);
        const QString answer = evaluation.answers.value(question).trimmed();
        const int index = answer.isEmpty() ? other + 1 : barOf.value(answer, other);
        ++bars[index].counts[groupOf.at(i)];
        if (evaluation.tbc.contains(question))
            ++bars[other + 2].counts[groupOf.at(i)];
    }
    bars.removeIf([](const AnswerChartData::Bar& b) { return b.kind == Kind::DeletedAnswer && !counted(b); });
    return bars;
}

QList<AnswerChartData::Bar> pickBars(const QList<Choice>& entries, const QHash<qint64, QList<int>>& ticks, int groups) {
    using Kind = AnswerChartData::BarKind;
    QList<AnswerChartData::Bar> bars;
    for (const Choice& entry : entries) {
        AnswerChartData::Bar b = bar(entry.deleted ? Kind::DeletedPickEntry : Kind::PickEntry, entry.text, groups);
        const QList<int> counts = ticks.value(entry.key);
        for (int g = 0; g < counts.size(); ++g)
            b.counts[g] = counts.at(g);
        // A deleted entry shows only where evaluations still hold it.
        if (!entry.deleted || counted(b))
            bars.append(b);
    }
    return bars;
}

} // namespace

int AnswerChartData::Bar::highest() const {
    int most = 0;
    for (int count : counts)
        most = std::max(most, count);
    return most;
}

AnswerChartData AnswerChartData::count(const Database& database, const ReportRequest& request) {
    const GroupSummaryData data = GroupSummaryData::load(database, request);
    AnswerChartData chart;
    if (data.groups.isEmpty() || data.evaluations.isEmpty())
        return chart;
    // A group per group key of the chosen evaluations, in list order: the columns of the
    // summary by group.
    QHash<qint64, int> groupIndex;
    QList<int> groupOf;
    QList<qint64> keys;
    for (const GroupSummaryData::Evaluation& evaluation : data.evaluations) {
        auto index = groupIndex.constFind(evaluation.groupKey);
        if (index == groupIndex.cend()) {
            index = groupIndex.insert(evaluation.groupKey, int(chart.groups.size()));
            chart.groups.append({evaluation.groupKey, evaluation.groupName, 0});
        }
        ++chart.groups[*index].evaluations;
        groupOf << *index;
        keys << evaluation.key;
    }
    for (const GroupSummaryData::Group& group : data.groups)
        if (!groupIndex.contains(group.key))
            chart.emptyGroups << group.name;
    chart.evaluations = int(data.evaluations.size());

    const int groups = int(chart.groups.size());
    const qint64 templateKey = data.groups.first().templateKey;
    const Choices answers = templateChoices(database, QStringLiteral("TemplateAnswer"),
                                            QStringLiteral("TemplateAnswerKey"), QStringLiteral("Answer"), templateKey);
    const Choices entries = templateChoices(database, QStringLiteral("TemplatePickList"),
                                            QStringLiteral("TemplatePickListKey"), QStringLiteral("Name"), templateKey);
    const QHash<qint64, QList<int>> ticks = pickTicks(database, keys, groupIndex, groups);
    for (const GroupSummaryData::Question& question : data.questions)
        chart.questions.append({question.key, question.text,
                                answerBars(answers.value(question.key), data, groupOf, question.key, groups),
                                pickBars(entries.value(question.key), ticks, groups)});
    return chart;
}
