#pragma once

#include "ReportRequest.h"

#include <QList>
#include <QString>
#include <QStringList>

class ConnectionThread;
class Database;

// What the answer chart draws: for every live question of the template, how many chosen
// evaluations of each group gave each answer, and how many ticked each pick-list entry. The
// evaluations, their groups, their answers and TBC marks are the ones the group summaries
// read (GroupSummaryData), so the chart and the summaries never count differently.
struct AnswerChartData {
    enum class BarKind {
        Answer,        // a live answer of the question
        DeletedAnswer, // an answer since deleted from the template that evaluations still hold
        Other,         // typed answers that are not among the question's answers
        NoAnswer,      // no answer, or an empty one
        Tbc,           // TBC ticked (the answer counts under its own bar as well)
        PickEntry,     // a live pick-list entry
        DeletedPickEntry,
    };
    struct Bar {
        BarKind kind = BarKind::Answer;
        QString label;
        QList<int> counts; // one per group, in the order of groups
        int highest() const;
    };
    struct Group {
        qint64 key = 0;
        QString name;
        int evaluations = 0;
    };
    struct Question {
        qint64 key = 0;
        QString text;
        QList<Bar> answers; // the answers in the template's order, then Other, No answer, TBC
        QList<Bar> picks;   // the pick-list entries in the template's order; none without a list
    };

    QList<Group> groups;       // the groups of the chosen evaluations, in the summaries' column order
    QStringList emptyGroups;   // chosen groups without any chosen evaluation, by name
    QList<Question> questions; // in the template's order
    int evaluations = 0;

    // Counts for the request, with the second connection's help when there is one. No groups
    // means nothing chosen is stored. Throws KestrivoError.
    static AnswerChartData count(const Database& database, const ReportRequest& request,
                                 ConnectionThread* second = nullptr);
};
