#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

class Database;

// The history of the evaluations: one row for every item changed after an evaluation
// arrived, with who changed it, when (by the database's clock) and by what means. An
// evaluation that the editor saves under a new key keeps the history of the one it
// replaced, as the evaluation of every key it ever had.
namespace EvaluationHistory {

// What a row records (the column Item).
namespace Item {
inline const QString Field = QStringLiteral("Field");
inline const QString FileName = QStringLiteral("FileName");
inline const QString Answer = QStringLiteral("Answer");
inline const QString TBC = QStringLiteral("TBC");
inline const QString Tick = QStringLiteral("Tick");
inline const QString Imported = QStringLiteral("Imported");
inline const QString Made = QStringLiteral("Made");
inline const QString Saved = QStringLiteral("Saved"); // under a new key: ItemKey names the old one
inline const QString Deleted = QStringLiteral("Deleted");
inline const QString Restored = QStringLiteral("Restored");
} // namespace Item

// How a change was made (the column Means).
namespace Means {
inline const QString Editor = QStringLiteral("editor");
// A group value renamed in the template editor renames the group of every evaluation in it.
inline const QString TemplateEditor = QStringLiteral("template editor");
inline const QString CommandLine = QStringLiteral("command line");
inline const QString Import = QStringLiteral("import");
inline const QString Restore = QStringLiteral("restore");
} // namespace Means

// One changed item, as the user saw it.
struct Change {
    qint64 evaluationKey = 0;
    QString item;
    qint64 itemKey = 0; // the template item; for Deleted the template, for Saved the old key
    QString what;       // the item as the user knows it ("Inspector", "Answer: Clean?")
    QString oldValue;
    QString newValue;
    QString snapshot; // the whole evaluation, kept by Deleted
};

// A row of the history as it reads back.
struct Record : Change {
    qint64 key = 0;
    QDateTime changed; // UTC
    QString login;
    QString host;
    QString role; // the database role on PostgreSQL, empty on SQLite
    QString means;

    bool isValueChange() const;
    // "login@host", with the database role where there is one.
    QString who() const;
    // Local time, "yyyy-MM-dd HH:mm:ss".
    QString when() const;
};

// A deleted evaluation that can be restored.
struct DeletedEvaluation {
    qint64 evaluationKey = 0;
    QString fileName;
    QString templateName; // empty when the template is gone
    Record deletion;
};

// What the evaluation report notes of a changed evaluation.
struct Summary {
    int changes = 0;
    Record last;
};

// The history of the evaluation of that key, newest first, the keys it had before included.
QList<Record> of(const Database& database, qint64 evaluationKey);
// The newest row of the evaluation's own key, 0 when it has none: it moves with every change.
qint64 stamp(const Database& database, qint64 evaluationKey);
// Deleted evaluations that are not back, newest deletion first.
QList<DeletedEvaluation> deleted(const Database& database);
// The snapshot of the newest deletion of that key; empty when it is not a deleted evaluation.
QString snapshotOf(const Database& database, qint64 evaluationKey, Record* deletion = nullptr);
// For a few evaluations (a report reads 25 at a time): those whose values were changed after they arrived.
QHash<qint64, Summary> summaries(const Database& database, const QList<qint64>& evaluationKeys);

// The values of a changed item as the user saw them.
QString yesNo(bool value);

} // namespace EvaluationHistory
