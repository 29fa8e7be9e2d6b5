#pragma once

#include "ReportOutput.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class Database;
class QIODevice;
class QSqlQuery;
struct KeySet;

// Evaluations of one template as CSV (RFC 4180, UTF-8, CR LF): a header row, then a row per
// evaluation with its key, template, group, file name, download time (ISO 8601), a column
// per entry field of the template and three per question (the answer, the TBC mark as Y or
// N, and the ticked pick-list entries joined by "; "). Fields and questions marked deleted
// keep their columns, as old evaluations still hold their values. A slice of evaluations is
// read with a few statements whose rows come in evaluation order; only the slice is held, so
// memory stays flat however many evaluations are written.
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
    struct PickEntry {
        bool exists = false;
        QString name;
        int sequence = 0;
    };
    struct Tick {
        int sequence = 0;
        QString name;
    };
    struct Answer {
        bool given = false;
        QString answer;
        bool tbc = false;
        QList<Tick> ticks;
    };
    // An evaluation's first answer to a question, with its ticks in m_ticked.
    struct GivenAnswer {
        qint64 evaluation = 0;
        qint64 answerKey = 0; // EvaluationQuestionKey
        int column = 0;
        QString answer;
        bool tbc = false;
        qsizetype firstTick = 0;
        qsizetype tickCount = 0;
    };
    // One evaluation's line, in parts: the parts come from different statements.
    struct Line {
        QByteArray head;
        QByteArray fields;
        QByteArray answers;
    };

    // The header; the columns of the template's fields and questions, and its pick-list entries.
    QStringList readColumns(qint64 templateKey);
    // The lines of one slice of evaluations, appended to bytes; returns how many.
    qint64 encodeSlice(qint64 templateKey, const QList<qint64>& keys, QByteArray& bytes);
    void encodeFields(const KeySet& slice);
    void encodeAnswers(const KeySet& slice);
    // The slice's answers (with their ticks, when the statement joins them) into m_given.
    template <typename Rows> void readAnswers(Rows& rows, bool withTicks);
    // On PostgreSQL: the entries ticked for the slice's answers, after the answers.
    void readTicks();
    QByteArray encodedAnswers();
    const PickEntry& pickEntry(qint64 key);
    const QString& downloaded(const QVariant& value);

    const Database& m_database;
    ReportProgress m_progress;
    int m_fieldCount = 0;
    QList<QString> m_questionLabels;
    QHash<qint64, int> m_fieldColumn;    // by TemplateFieldKey
    QHash<qint64, int> m_questionColumn; // by TemplateQuestionKey
    QHash<qint64, PickEntry> m_pickEntries;
    QHash<qint64, Line> m_lines; // the slice's evaluations that are of the template
    QList<Answer> m_answers;     // of the evaluation being read, by the question's column
    QList<GivenAnswer> m_given;  // the slice's answers, in evaluation order
    QList<qint64> m_ticked;      // TemplatePickListKey of their ticks, each answer's together
    QVariant m_lastDownloaded;
    QString m_lastDownloadedText;
};
