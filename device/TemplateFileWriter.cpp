#include "TemplateFileWriter.h"

#include "Database.h"
#include "FieldText.h"
#include "KestrivoError.h"
#include "TextOrder.h"
#include "Windows1252.h"

#include <QList>
#include <algorithm>
#include <limits>

namespace {

constexpr int DropdownField = 2;

// One record being built: items separated by single commas.
class Record {
public:
    explicit Record(char type) { m_line = QStringLiteral("\"%1\"").arg(QLatin1Char(type)); }
    Record& number(qint64 value) {
        m_line += QLatin1Char(',') + QString::number(value);
        return *this;
    }
    // Text goes between quotes unchanged: the format has no escape for a quote or a comma.
    Record& text(const QString& value) {
        const QString missing = Windows1252::firstUnencodable(value);
        if (!missing.isEmpty())
            throw KestrivoError(ErrorNumber::General,
                                QStringLiteral("The text \"%1\" holds the character \"%2\", which the handheld unit "
                                               "cannot show. Change the text, then upload again.")
                                    .arg(value, missing));
        m_line += QStringLiteral(",\"") + value + QLatin1Char('"');
        return *this;
    }
    const QString& line() const { return m_line; }

private:
    QString m_line;
};

class Lines {
public:
    void add(const Record& record) {
        bool ok = false;
        m_bytes += Windows1252::encode(record.line(), &ok);
        m_bytes += "\r\n";
    }
    const QByteArray& bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

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
    Lines lines;
    lines.add(Record('H').number(templateKey));

    const QList<QVariantList> nameFields = rowsOf(
        database.query(
            QStringLiteral("SELECT FileNameField.TemplateFieldKey FROM TemplateField INNER JOIN FileNameField ON "
                           "TemplateField.TemplateFieldKey = FileNameField.TemplateFieldKey WHERE TemplateKey=? "
                           "ORDER BY FileNameField.Sequence, FileNameField.FileNameFieldKey"),
            {templateKey}),
        1, std::numeric_limits<int>::max());
    for (const QVariantList& nameField : nameFields)
        lines.add(Record('N').number(nameField.at(0).toLongLong()));

    const QList<QVariantList> fields = rowsOf(
        database.query(
            QStringLiteral("SELECT TemplateFieldKey, FieldLabel, FieldType, FieldLength, ForceEntry, GroupField FROM "
                           "TemplateField WHERE Deleted=0 AND UseOn<>'R' AND TemplateKey=? "
                           "ORDER BY Sequence, TemplateFieldKey"),
            {templateKey}),
        6, MaximumFields);
    for (const QVariantList& field : fields) {
        const qint64 fieldKey = field.at(0).toLongLong();
        const int type = field.at(2).toInt();
        const QList<FieldValue> values = type == DropdownField ? liveValues(database, fieldKey) : QList<FieldValue>();
        lines.add(Record('F')
                      .number(fieldKey)
                      .text(FieldText(field.at(1)))
                      .number(type)
                      .number(field.at(3).toLongLong())
                      .number(values.size())
                      .number(field.at(4).toLongLong())
                      .number(field.at(5).toLongLong()));
        for (const FieldValue& value : values)
            lines.add(Record('V').text(value.text).number(value.key));
    }

    const QList<QVariantList> questions = rowsOf(
        database.query(QStringLiteral("SELECT TemplateQuestionKey, Question FROM TemplateQuestion "
                                      "WHERE Deleted=0 AND TemplateKey=? ORDER BY Sequence, TemplateQuestionKey"),
                       {templateKey}),
        2, MaximumQuestions);
    for (const QVariantList& question : questions) {
        const qint64 questionKey = question.at(0).toLongLong();
        lines.add(Record('Q').number(questionKey).text(FieldText(question.at(1))));
        const QList<QVariantList> answers =
            rowsOf(database.query(QStringLiteral("SELECT Answer FROM TemplateAnswer WHERE Deleted=0 AND "
                                                 "TemplateQuestionKey=? ORDER BY Sequence, TemplateAnswerKey"),
                                  {questionKey}),
                   1, MaximumAnswers);
        for (const QVariantList& answer : answers)
            lines.add(Record('A').text(FieldText(answer.at(0))));
        const QList<QVariantList> pickLists =
            rowsOf(database.query(QStringLiteral("SELECT TemplatePickListKey, Name FROM TemplatePickList WHERE "
                                                 "Deleted=0 AND TemplateQuestionKey=? "
                                                 "ORDER BY Sequence, TemplatePickListKey"),
                                  {questionKey}),
                   2, MaximumPickLists);
        for (const QVariantList& pick : pickLists)
            lines.add(Record('P').number(pick.at(0).toLongLong()).text(FieldText(pick.at(1))));
    }
    return lines.bytes();
}
