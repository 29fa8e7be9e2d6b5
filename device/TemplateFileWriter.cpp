#include "TemplateFileWriter.h"

#include "Database.h"
#include "FieldText.h"
#include "FieldType.h"
#include "TemplateFileRecords.h"
#include "TextOrder.h"
#include "UnitLimits.h"

#include <QList>
#include <algorithm>
#include <limits>

namespace {

struct FieldValue {
    qint64 key;
    QString text;
};

// The rows of a query, read whole before the next query runs on the same connection.
QList<QVariantList> rowsOf(QSqlQuery query, int columns, int limit) {
    QList<QVariantList> rows;
    while (rows.size() < limit && query.next()) {
        QVariantList row;
        for (int column = 0; column < columns; ++column)
            row << query.value(column);
        rows << row;
    }
    return rows;
}

// Values in name order whatever the engine's collation, so the unit gets the same file from
// every database.
QList<FieldValue> liveValues(const Database& database, qint64 fieldKey) {
    QSqlQuery query = database.query(QStringLiteral("SELECT TemplateFieldValueKey, FieldValue FROM "
                                                    "TemplateFieldValue WHERE Deleted=0 AND TemplateFieldKey=?"),
                                     {fieldKey});
    QList<FieldValue> values;
    while (query.next())
        values.append({query.value(0).toLongLong(), FieldText(query.value(1))});
    std::sort(values.begin(), values.end(), [](const FieldValue& a, const FieldValue& b) {
        const int order = TextOrder::compare(a.text, b.text);
        return order != 0 ? order < 0 : a.key < b.key;
    });
    return values;
}

} // namespace

QByteArray TemplateFileWriter::write(const Database& database, qint64 templateKey) {
    TemplateFileRecords records;
    records.record('H').number(templateKey);

    const QList<QVariantList> nameFields = rowsOf(
        database.query(
            QStringLiteral("SELECT FileNameField.TemplateFieldKey FROM TemplateField INNER JOIN FileNameField ON "
                           "TemplateField.TemplateFieldKey = FileNameField.TemplateFieldKey WHERE TemplateKey=? "
                           "ORDER BY FileNameField.Sequence, FileNameField.FileNameFieldKey"),
            {templateKey}),
        1, std::numeric_limits<int>::max());
    for (const QVariantList& nameField : nameFields)
        records.record('N').number(nameField.at(0).toLongLong());

    const QList<QVariantList> fields = rowsOf(
        database.query(
            QStringLiteral("SELECT TemplateFieldKey, FieldLabel, FieldType, FieldLength, ForceEntry, GroupField FROM "
                           "TemplateField WHERE Deleted=0 AND UseOn<>'R' AND TemplateKey=? "
                           "ORDER BY Sequence, TemplateFieldKey"),
            {templateKey}),
        6, UnitLimits::Fields);
    for (const QVariantList& field : fields) {
        const qint64 fieldKey = field.at(0).toLongLong();
        const int type = field.at(2).toInt();
        const QList<FieldValue> values =
            FieldType(type) == FieldType::Dropdown ? liveValues(database, fieldKey) : QList<FieldValue>();
        records.record('F')
            .number(fieldKey)
            .text(FieldText(field.at(1)))
            .number(type)
            .number(field.at(3).toLongLong())
            .number(values.size())
            .number(field.at(4).toLongLong())
            .number(field.at(5).toLongLong());
        for (const FieldValue& value : values)
            records.record('V').text(value.text).number(value.key);
    }

    const QList<QVariantList> questions = rowsOf(
        database.query(QStringLiteral("SELECT TemplateQuestionKey, Question FROM TemplateQuestion "
                                      "WHERE Deleted=0 AND TemplateKey=? ORDER BY Sequence, TemplateQuestionKey"),
                       {templateKey}),
        2, UnitLimits::Questions);
    for (const QVariantList& question : questions) {
        const qint64 questionKey = question.at(0).toLongLong();
        records.record('Q').number(questionKey).text(FieldText(question.at(1)));
        const QList<QVariantList> answers =
            rowsOf(database.query(QStringLiteral("SELECT Answer FROM TemplateAnswer WHERE Deleted=0 AND "
                                                 "TemplateQuestionKey=? ORDER BY Sequence, TemplateAnswerKey"),
                                  {questionKey}),
                   1, UnitLimits::Answers);
        for (const QVariantList& answer : answers)
            records.record('A').text(FieldText(answer.at(0)));
        const QList<QVariantList> pickLists =
            rowsOf(database.query(QStringLiteral("SELECT TemplatePickListKey, Name FROM TemplatePickList WHERE "
                                                 "Deleted=0 AND TemplateQuestionKey=? "
                                                 "ORDER BY Sequence, TemplatePickListKey"),
                                  {questionKey}),
                   2, UnitLimits::PickEntries);
        for (const QVariantList& pick : pickLists)
            records.record('P').number(pick.at(0).toLongLong()).text(FieldText(pick.at(1)));
    }
    return records.bytes();
}
