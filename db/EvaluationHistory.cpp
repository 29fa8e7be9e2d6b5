#include "EvaluationHistory.h"

#include "Database.h"
#include "FieldText.h"

#include <QStringList>

namespace EvaluationHistory {

namespace {

const QString Columns = QStringLiteral(
    "h.EvaluationHistoryKey, h.EvaluationKey, h.Item, h.ItemKey, h.ItemName, h.OldValue, h.NewValue, h.Changed, "
    "h.Login, h.Host, h.DatabaseRole, h.Means");

// The keys an evaluation had: its own, and those of every evaluation that the editor saved
// again as the one before.
const QString Lineage = QStringLiteral(
    "WITH RECURSIVE lineage(k) AS (SELECT CAST(? AS INTEGER) UNION SELECT s.ItemKey FROM EvaluationHistory s "
    "INNER JOIN lineage l ON s.EvaluationKey = l.k WHERE s.Item = 'Saved') ");

Record recordOf(const QSqlQuery& row, int from = 0) {
    Record record;
    record.key = row.value(from).toLongLong();
    record.evaluationKey = row.value(from + 1).toLongLong();
    record.item = row.value(from + 2).toString();
    record.itemKey = row.value(from + 3).toLongLong();
    record.what = FieldText(row.value(from + 4));
    record.oldValue = FieldText(row.value(from + 5));
    record.newValue = FieldText(row.value(from + 6));
    record.changed = QDateTime::fromString(row.value(from + 7).toString(), Qt::ISODateWithMs);
    record.login = FieldText(row.value(from + 8));
    record.host = FieldText(row.value(from + 9));
    record.role = FieldText(row.value(from + 10));
    record.means = FieldText(row.value(from + 11));
    return record;
}

QString valueChangeItems() {
    return QStringLiteral("('Field', 'FileName', 'Answer', 'TBC', 'Tick')");
}

} // namespace

bool Record::isValueChange() const {
    return item == Item::Field || item == Item::FileName || item == Item::Answer || item == Item::TBC ||
           item == Item::Tick;
}

QString Record::who() const {
    QString text = login;
    if (!host.isEmpty())
        text += QLatin1Char('@') + host;
    if (!role.isEmpty())
        text += QStringLiteral(" as ") + role;
    return text;
}

QString Record::when() const {
    return changed.isValid() ? changed.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString yesNo(bool value) {
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

QList<Record> of(const Database& database, qint64 evaluationKey) {
    QList<Record> records;
    QSqlQuery rows = database.query(Lineage + QStringLiteral("SELECT ") + Columns +
                                        QStringLiteral(" FROM EvaluationHistory h WHERE h.EvaluationKey IN (SELECT k "
                                                       "FROM lineage) ORDER BY h.EvaluationHistoryKey DESC"),
                                    {evaluationKey});
    while (rows.next())
        records << recordOf(rows);
    return records;
}

qint64 stamp(const Database& database, qint64 evaluationKey) {
    return database
        .scalar(QStringLiteral("SELECT MAX(EvaluationHistoryKey) FROM EvaluationHistory WHERE EvaluationKey=?"),
                {evaluationKey})
        .toLongLong();
}

QList<DeletedEvaluation> deleted(const Database& database) {
    QList<DeletedEvaluation> list;
    QSqlQuery rows = database.query(
        QStringLiteral("SELECT ") + Columns +
        QStringLiteral(", t.Name FROM EvaluationHistory h LEFT JOIN Template t ON t.TemplateKey = h.ItemKey WHERE "
                       "h.Item = 'Deleted' AND NOT EXISTS (SELECT 1 FROM Evaluation e WHERE e.EvaluationKey = "
                       "h.EvaluationKey) AND h.EvaluationHistoryKey = (SELECT MAX(d.EvaluationHistoryKey) FROM "
                       "EvaluationHistory d WHERE d.Item = 'Deleted' AND d.EvaluationKey = h.EvaluationKey) ORDER "
                       "BY h.EvaluationHistoryKey DESC"));
    while (rows.next()) {
        DeletedEvaluation evaluation;
        evaluation.deletion = recordOf(rows);
        evaluation.evaluationKey = evaluation.deletion.evaluationKey;
        evaluation.fileName = evaluation.deletion.oldValue;
        evaluation.templateName = FieldText(rows.value(12));
        list << evaluation;
    }
    return list;
}

QString snapshotOf(const Database& database, qint64 evaluationKey, Record* deletion) {
    QSqlQuery row = database.query(QStringLiteral("SELECT ") + Columns +
                                       QStringLiteral(", h.Snapshot FROM EvaluationHistory h WHERE h.Item = "
                                                      "'Deleted' AND h.EvaluationKey = ? ORDER BY "
                                                      "h.EvaluationHistoryKey DESC"),
                                   {evaluationKey});
    if (!row.next())
        return QString();
    if (deletion)
        *deletion = recordOf(row);
    return row.value(12).toString();
}

QHash<qint64, Summary> summaries(const Database& database, const QList<qint64>& evaluationKeys) {
    QHash<qint64, Summary> found;
    if (evaluationKeys.isEmpty())
        return found;
    QStringList marks;
    QVariantList keys;
    for (const qint64 key : evaluationKeys) {
        marks << QStringLiteral("?");
        keys << key;
    }
    QSqlQuery counts = database.querySlice(
        QStringLiteral("WITH RECURSIVE lineage(root, k) AS (SELECT EvaluationKey, EvaluationKey FROM Evaluation WHERE "
                       "EvaluationKey IN (%1) UNION SELECT l.root, s.ItemKey FROM EvaluationHistory s INNER JOIN "
                       "lineage l ON s.EvaluationKey = l.k WHERE s.Item = 'Saved') SELECT l.root, COUNT(*), "
                       "MAX(h.EvaluationHistoryKey) FROM lineage l INNER JOIN EvaluationHistory h ON "
                       "h.EvaluationKey = l.k WHERE h.Item IN %2 GROUP BY l.root")
            .arg(marks.join(QLatin1Char(',')), valueChangeItems()),
        keys);
    QHash<qint64, qint64> newestOf;
    while (counts.next()) {
        found[counts.value(0).toLongLong()].changes = counts.value(1).toInt();
        newestOf.insert(counts.value(2).toLongLong(), counts.value(0).toLongLong());
    }
    counts.finish();
    if (newestOf.isEmpty())
        return found;
    marks.clear();
    keys.clear();
    for (auto i = newestOf.cbegin(); i != newestOf.cend(); ++i) {
        marks << QStringLiteral("?");
        keys << i.key();
    }
    QSqlQuery newest =
        database.querySlice(QStringLiteral("SELECT ") + Columns +
                                QStringLiteral(" FROM EvaluationHistory h WHERE h.EvaluationHistoryKey IN "
                                               "(%1)")
                                    .arg(marks.join(QLatin1Char(','))),
                            keys);
    while (newest.next()) {
        const Record record = recordOf(newest);
        found[newestOf.value(record.key)].last = record;
    }
    return found;
}

} // namespace EvaluationHistory
