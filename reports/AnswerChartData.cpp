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

// How the chosen evaluations of each group answered one question.
struct Answers {
    QList<QHash<QString, int>> given; // per group: by the answer, trimmed
    QList<int> tbc;                   // per group
};

QList<AnswerChartData::Bar> answerBars(const QList<Choice>& choices, const Answers& answers,
                                       const QList<AnswerChartData::Group>& chartGroups) {
    using Kind = AnswerChartData::BarKind;
    const int groups = int(chartGroups.size());
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
    for (int group = 0; group < groups; ++group) {
        // An evaluation without an answer, or with an empty one, has no answer.
        int answered = 0;
        if (group < answers.given.size())
            for (auto given = answers.given.at(group).cbegin(); given != answers.given.at(group).cend(); ++given) {
                bars[barOf.value(given.key(), other)].counts[group] += given.value();
                answered += given.value();
            }
        bars[other + 1].counts[group] = chartGroups.at(group).evaluations - answered;
        bars[other + 2].counts[group] = answers.tbc.value(group);
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

AnswerChartData AnswerChartData::count(const Database& database, const ReportRequest& request,
                                       ConnectionThread* second) {
    const GroupSummaryData data = GroupSummaryData::loadHeading(database, request);
    AnswerChartData chart;
    if (data.groups.isEmpty())
        return chart;
    // A group per group key of the chosen evaluations, in list order: the columns of the
    // summary by group. The engine counts the answers of each run of a group in the list.
    QHash<qint64, int> groupIndex;
    QHash<qint64, Answers> answers; // by TemplateQuestionKey
    QList<qint64> keys;
    GroupSummaryData::forEachRun(database, request, [&](const GroupSummaryData::Run& run) {
        auto index = groupIndex.constFind(run.groupKey);
        if (index == groupIndex.cend()) {
            index = groupIndex.insert(run.groupKey, int(chart.groups.size()));
            chart.groups.append({run.groupKey, run.groupName, 0});
        }
        const int group = *index;
        chart.groups[group].evaluations += int(run.keys.size());
        keys << run.keys;
        for (const GroupSummaryData::AnswerCount& count : GroupSummaryData::answerCounts(database, run.keys, second)) {
            Answers& question = answers[count.question];
            question.given.resize(chart.groups.size());
            question.tbc.resize(chart.groups.size());
            const QString text = count.answer.trimmed();
            if (!text.isEmpty())
                question.given[group][text] += count.count;
            if (count.tbc)
                question.tbc[group] += count.count;
        }
        return true;
    });
    if (keys.isEmpty())
        return chart;
    for (const GroupSummaryData::Group& group : data.groups)
        if (!groupIndex.contains(group.key))
            chart.emptyGroups << group.name;
    chart.evaluations = int(keys.size());

    const int groups = int(chart.groups.size());
    const qint64 templateKey = data.groups.first().templateKey;
    const Choices choices = templateChoices(database, QStringLiteral("TemplateAnswer"),
                                            QStringLiteral("TemplateAnswerKey"), QStringLiteral("Answer"), templateKey);
    const Choices entries = templateChoices(database, QStringLiteral("TemplatePickList"),
                                            QStringLiteral("TemplatePickListKey"), QStringLiteral("Name"), templateKey);
    const QHash<qint64, QList<int>> ticks = pickTicks(database, keys, groupIndex, groups);
    for (const GroupSummaryData::Question& question : data.questions)
        chart.questions.append({question.key, question.text,
                                answerBars(choices.value(question.key), answers.value(question.key), chart.groups),
                                pickBars(entries.value(question.key), ticks, groups)});
    return chart;
}
