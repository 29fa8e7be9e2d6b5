#include "EvaluationSnapshot.h"

#include "Database.h"
#include "KestrivoError.h"
#include "RowBatchInsert.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlRecord>

namespace EvaluationSnapshot {

namespace {

const QString Format = QStringLiteral("kestrivo-evaluation");
constexpr int Version = 1;

QJsonValue jsonOf(const QVariant& value) {
    if (value.isNull())
        return QJsonValue::Null;
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return value.toLongLong();
}

QVariant valueOf(const QJsonValue& value, bool text) {
    if (value.isNull())
        return QVariant(QMetaType(text ? QMetaType::QString : QMetaType::LongLong));
    return text ? QVariant(value.toString()) : QVariant(value.toInteger());
}

// The rows of one query, each an array of its columns; the columns that hold text are named.
QJsonArray rowsOf(const Database& database, const QString& sql, qint64 key, const QList<int>& texts) {
    QJsonArray rows;
    QSqlQuery query = database.query(sql, {key});
    const int columns = query.record().count();
    while (query.next()) {
        QJsonArray row;
        for (int i = 0; i < columns; ++i) {
            const QVariant value = query.value(i);
            row.append(value.isNull()      ? QJsonValue(QJsonValue::Null)
                       : texts.contains(i) ? QJsonValue(value.toString())
                                           : QJsonValue(value.toLongLong()));
        }
        rows.append(row);
    }
    return rows;
}

// The rows of a table that belongs to the evaluation, each with the evaluation's key last.
QJsonArray withKey(const QJsonArray& rows, qint64 evaluationKey) {
    QJsonArray keyed;
    for (const QJsonValue& row : rows) {
        QJsonArray cells = row.toArray();
        cells.append(evaluationKey);
        keyed.append(cells);
    }
    return keyed;
}

void insertRows(const Database& database, const QString& table, const QStringList& columns, const QJsonArray& rows,
                const QList<int>& texts) {
    QList<QVariantList> values;
    for (const QJsonValue& row : rows) {
        const QJsonArray cells = row.toArray();
        if (cells.size() != columns.size())
            throw KestrivoError(ErrorNumber::General,
                                QStringLiteral("The kept copy of the evaluation is damaged: a row of %1 has %2 values "
                                               "where %3 were kept.")
                                    .arg(table)
                                    .arg(cells.size())
                                    .arg(columns.size()));
        QVariantList line;
        for (int i = 0; i < cells.size(); ++i)
            line << valueOf(cells.at(i), texts.contains(i));
        values << line;
    }
    RowBatchInsert(database, table, columns, false).insert(values);
}

} // namespace

QString take(const Database& database, qint64 evaluationKey, Header* header) {
    const QString downloaded = database.engine() == DatabaseEngine::PostgreSQL
                                   ? QStringLiteral("to_char(Downloaded, 'YYYY-MM-DD\"T\"HH24:MI:SS')")
                                   : QStringLiteral("Downloaded");
    QSqlQuery row = database.query(
        QStringLiteral("SELECT TemplateKey, EvaluationGroupKey, FileName, %1 FROM Evaluation WHERE EvaluationKey=?")
            .arg(downloaded),
        {evaluationKey});
    if (!row.next())
        return QString();
    QJsonObject evaluation{{QStringLiteral("key"), evaluationKey},
                           {QStringLiteral("template"), row.value(0).toLongLong()},
                           {QStringLiteral("group"), jsonOf(row.isNull(1) ? QVariant() : row.value(1).toLongLong())},
                           {QStringLiteral("fileName"), row.value(2).toString()},
                           {QStringLiteral("downloaded"), row.value(3).toString()}};
    if (header)
        *header = {evaluationKey, row.value(0).toLongLong(), row.value(2).toString()};
    row.finish();
    QJsonObject document{{QStringLiteral("format"), Format},
                         {QStringLiteral("version"), Version},
                         {QStringLiteral("evaluation"), evaluation}};
    document.insert(QStringLiteral("fields"),
                    rowsOf(database,
                           QStringLiteral("SELECT EvaluationFieldKey, TemplateFieldKey, TemplateFieldValueKey, "
                                          "EnteredValue FROM EvaluationField WHERE EvaluationKey=? ORDER BY "
                                          "EvaluationFieldKey"),
                           evaluationKey, {3}));
    document.insert(QStringLiteral("questions"),
                    rowsOf(database,
                           QStringLiteral("SELECT EvaluationQuestionKey, TemplateQuestionKey, Answer, TBCCheck FROM "
                                          "EvaluationQuestion WHERE EvaluationKey=? ORDER BY EvaluationQuestionKey"),
                           evaluationKey, {2}));
    document.insert(QStringLiteral("ticks"),
                    rowsOf(database,
                           QStringLiteral("SELECT p.EvaluationPickListKey, p.EvaluationQuestionKey, "
                                          "p.TemplatePickListKey FROM EvaluationPickList p INNER JOIN "
                                          "EvaluationQuestion q ON q.EvaluationQuestionKey = p.EvaluationQuestionKey "
                                          "WHERE q.EvaluationKey=? ORDER BY p.EvaluationPickListKey"),
                           evaluationKey, {}));
    document.insert(QStringLiteral("files"),
                    rowsOf(database,
                           QStringLiteral("SELECT ImportedFileKey FROM ImportedFile WHERE EvaluationKey=? ORDER BY "
                                          "ImportedFileKey"),
                           evaluationKey, {}));
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Compact));
}

Header restore(const Database& database, const QString& snapshot) {
    QJsonParseError error{};
    const QJsonObject document = QJsonDocument::fromJson(snapshot.toUtf8(), &error).object();
    const QJsonObject evaluation = document.value(QStringLiteral("evaluation")).toObject();
    if (error.error != QJsonParseError::NoError || document.value(QStringLiteral("format")).toString() != Format ||
        document.value(QStringLiteral("version")).toInt() != Version || evaluation.isEmpty())
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("The kept copy of the evaluation is damaged: it cannot be read."));
    const Header header{evaluation.value(QStringLiteral("key")).toInteger(),
                        evaluation.value(QStringLiteral("template")).toInteger(),
                        evaluation.value(QStringLiteral("fileName")).toString()};
    if (!database.scalar(QStringLiteral("SELECT 1 FROM Template WHERE TemplateKey=?"), {header.templateKey}).isValid())
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("The evaluation %1 cannot be restored: its template has been removed.")
                                .arg(header.evaluationKey));
    database.execute(QStringLiteral("INSERT INTO Evaluation (EvaluationKey, TemplateKey, EvaluationGroupKey, "
                                    "FileName, Downloaded) VALUES (?, ?, ?, ?, ?)"),
                     {header.evaluationKey, header.templateKey,
                      valueOf(evaluation.value(QStringLiteral("group")), false), header.fileName,
                      evaluation.value(QStringLiteral("downloaded")).toString()});
    insertRows(database, QStringLiteral("EvaluationField"),
               {QStringLiteral("EvaluationFieldKey"), QStringLiteral("TemplateFieldKey"),
                QStringLiteral("TemplateFieldValueKey"), QStringLiteral("EnteredValue"),
                QStringLiteral("EvaluationKey")},
               withKey(document.value(QStringLiteral("fields")).toArray(), header.evaluationKey), {3});
    insertRows(database, QStringLiteral("EvaluationQuestion"),
               {QStringLiteral("EvaluationQuestionKey"), QStringLiteral("TemplateQuestionKey"),
                QStringLiteral("Answer"), QStringLiteral("TBCCheck"), QStringLiteral("EvaluationKey")},
               withKey(document.value(QStringLiteral("questions")).toArray(), header.evaluationKey), {2});
    insertRows(database, QStringLiteral("EvaluationPickList"),
               {QStringLiteral("EvaluationPickListKey"), QStringLiteral("EvaluationQuestionKey"),
                QStringLiteral("TemplatePickListKey")},
               document.value(QStringLiteral("ticks")).toArray(), {});
    // The files that brought it name it again, unless something else took their place.
    for (const QJsonValue& file : document.value(QStringLiteral("files")).toArray())
        database.execute(
            QStringLiteral("UPDATE ImportedFile SET EvaluationKey=? WHERE ImportedFileKey=? AND EvaluationKey IS NULL"),
            {header.evaluationKey, file.toArray().at(0).toInteger()});
    return header;
}

} // namespace EvaluationSnapshot
