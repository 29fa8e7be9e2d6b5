#pragma once

#include "EvaluationHistory.h"

#include <QList>
#include <QPair>
#include <QString>

class Database;

// Changes an evaluation where it stands, key and all, as a user would on the "Nobrin" tab:
// every value goes through the tab's entry rules and messages, and a save's checks follow.
// Everything is written, with its history, or nothing.
class EvaluationSetter {
public:
    struct Request {
        QList<QPair<QString, QString>> fields; // label, value
        QList<QPair<int, QString>> answers;    // question number from 1, answer
        QList<QPair<int, bool>> tbc;
        QList<QPair<int, QString>> ticks; // question number, pick-list entry
        QList<QPair<int, QString>> unticks;
        bool isEmpty() const;
    };
    struct Result {
        bool applied = false;
        // Why nothing was written; empty when the editor's own message box said it.
        QString refusal;
        QList<EvaluationHistory::Change> changes;
    };

    EvaluationSetter(const Database& database, QString means);

    // Throws KestrivoError when the database fails; nothing is written then.
    Result apply(qint64 evaluationKey, const Request& request);

private:
    const Database& m_database;
    QString m_means;
};
