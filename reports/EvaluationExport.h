#pragma once

#include "ReportOutput.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class Database;
class QIODevice;

// Evaluations of one template as CSV (RFC 4180, UTF-8, CR LF): a header row, then a row per
// evaluation with its key, template, group, file name, download time (ISO 8601), a column
// per entry field of the template and three per question (the answer, the TBC mark as Y or
// N, and the ticked pick-list entries joined by "; "). Fields and questions marked deleted
// keep their columns, as old evaluations still hold their values. Rows are read and
// written a slice of evaluations at a time, so memory stays flat however many there are.
class EvaluationExport {
public:
    explicit EvaluationExport(const Database& database);

    void setProgress(ReportProgress progress) { m_progress = std::move(progress); }

    // Writes the evaluations (of the template; others are left out), in the order given.
    // Returns the number of evaluation rows written. Throws KestrivoError when reading or
    // writing fails.
    qint64 write(QIODevice& out, qint64 templateKey, const QList<qint64>& evaluationKeys);

    // One CSV field: quoted, with its quotes doubled, when it holds a comma, a quote or a
    // line break.
    static QString field(const QString& text);
    static QByteArray record(const QStringList& fields);

private:
    struct Column {
        qint64 key = 0;
        QString label;
    };

    // The rows of one slice of evaluations; returns how many were written.
    qint64 writeSlice(QIODevice& out, qint64 templateKey, const QList<qint64>& keys);

    const Database& m_database;
    ReportProgress m_progress;
    QList<Column> m_fields;
    QList<Column> m_questions;
    QHash<qint64, int> m_fieldColumn;    // by TemplateFieldKey
    QHash<qint64, int> m_questionColumn; // by TemplateQuestionKey
};
