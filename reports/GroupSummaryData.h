#pragma once

#include "ReportRequest.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class ConnectionThread;
class Database;

// What the group summaries and the answer chart read for one run, in a few queries however
// many evaluations are chosen: the groups, the template's live questions with the largest
// number among their live answers, and either every chosen evaluation with its group, its
// answers, TBC marks and column-field values, a slice at a time, or the answers of each run
// of a group counted by the engine. The reports that count answers count these, so they
// never disagree.
struct GroupSummaryData {
    struct Group {
        qint64 key = 0;
        QString name;
        qint64 templateKey = 0;
    };
    struct Question {
        qint64 key = 0;
        QString text;
        // The largest live answer compared as a number; none when no live answer is a number.
        std::optional<double> maximum;
    };
    struct Evaluation {
        qint64 key = 0;
        qint64 groupKey = 0;
        QString groupName;
        QHash<qint64, QString> answers;      // by TemplateQuestionKey; the first answer given
        QSet<qint64> tbc;                    // the questions whose first answer has TBC ticked
        QHash<qint64, QString> columnValues; // by TemplateFieldKey; the first value entered
    };

    QList<Group> groups;       // the group query, by group name and key
    QList<Question> questions; // in order

    // The groups and questions; the evaluations come from forEachEvaluation or forEachRun.
    static GroupSummaryData loadHeading(const Database& database, const ReportRequest& request);
    // Chosen evaluations that follow each other in the list with the same group: the columns
    // of the summary by group.
    struct Run {
        qint64 groupKey = 0;
        QString groupName;
        qint64 firstKey = 0;
        QList<qint64> keys; // in list order
    };
    // How many of the evaluations gave an answer to a question, with or without TBC ticked;
    // only an evaluation's first answer to a question counts.
    struct AnswerCount {
        qint64 question = 0;
        QString answer;
        bool tbc = false;
        int count = 0;
    };

    // Hands each run of chosen evaluations that are still stored to the callback, in list
    // order; the callback returns false to stop. Throws KestrivoError.
    static void forEachRun(const Database& database, const ReportRequest& request,
                           const std::function<bool(const Run&)>& each);
    // The answers of the evaluations, counted by the engine; many are counted half on the
    // second connection, when there is one (ReportSnapshot::secondReader). Throws KestrivoError.
    static QList<AnswerCount> answerCounts(const Database& database, const QList<qint64>& keys,
                                           ConnectionThread* second = nullptr);
    // The first value entered in each field of the evaluation, by TemplateFieldKey.
    static QHash<qint64, QString> columnValues(const Database& database, qint64 evaluationKey);

    // Hands each chosen evaluation that is still stored to the callback, in list order, a
    // slice of evaluations read at a time: memory stays flat however many are chosen. The
    // callback returns false to stop. Column-field values are read only when the request has
    // column fields. Throws KestrivoError.
    static void forEachEvaluation(const Database& database, const ReportRequest& request,
                                  const std::function<bool(const Evaluation&)>& each);
};
