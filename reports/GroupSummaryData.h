#pragma once

#include "ReportRequest.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

class Database;

// What the group summaries and the answer chart read for one run, all at once and in a few
// queries however many evaluations are chosen: the groups, the template's live questions
// with the largest number among their live answers, and for every chosen evaluation its
// group, its answers with their TBC marks and its column-field values. The reports that
// count answers count these, so they never disagree.
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

    QList<Group> groups;           // the group query, by group name and key
    QList<Question> questions;     // in order
    QList<Evaluation> evaluations; // the chosen ones that are still stored, in list order

    // Reads everything for the request. Throws KestrivoError.
    static GroupSummaryData load(const Database& database, const ReportRequest& request);
};
