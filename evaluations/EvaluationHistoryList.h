#pragma once

#include "EvaluationHistory.h"

#include <QList>
#include <QString>
#include <QStringList>

class Database;

// What the history window of the "Nobrin" tab shows: every change of one evaluation, newest
// first, one line each with when, who, how, what, and the old and new values. The command
// line prints the same lines, tab-separated.
class EvaluationHistoryList {
public:
    struct Line {
        QString when;
        QString who;
        QString how;
        QString what;
        QString oldValue;
        QString newValue;
    };

    explicit EvaluationHistoryList(const Database& database);

    // Reads the history of the evaluation. Throws KestrivoError.
    void load(qint64 evaluationKey, const QString& fileName);

    QString caption() const;
    static QStringList headings();
    const QList<Line>& lines() const { return m_lines; }
    // Said when there are no lines.
    static QString emptyText();

    static Line lineOf(const EvaluationHistory::Record& record);
    // The line's six values joined by tabs; a tab, line end or backslash in a value is
    // written as \t, \n, \r or \\, so that one change stays one line.
    static QString tabSeparated(const Line& line);

private:
    const Database& m_database;
    QString m_fileName;
    qint64 m_evaluationKey = 0;
    QList<Line> m_lines;
};
