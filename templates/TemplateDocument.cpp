#include "TemplateDocument.h"

#include "Database.h"
#include "KestrivoError.h"
#include "RowBatchInsert.h"
#include "TemplateMaintenance.h"
#include "TextOrder.h"
#include "UnitLimits.h"

#include <QHash>
#include <algorithm>

namespace {

bool flag(const QVariant& value) {
    return value.toInt() != 0;
}

int stored(bool value) {
    return value ? -1 : 0;
}

// JSON text of a string: quotes, backslashes and control characters escaped, everything
// else as UTF-8, so that a diff shows the text as typed.
void appendString(QByteArray& out, const QString& text) {
    out += '"';
    const QByteArray bytes = text.toUtf8();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20)
                out += "\\u00" + QByteArray::number(byte, 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    out += '"';
}

// Writes members and list items line by line with 2-space indentation.
class JsonWriter {
public:
    QByteArray& bytes() { return m_out; }

    void openObject(const char* member = nullptr) { open(member, '{'); }
    void closeObject() { close('}'); }
    void openArray(const char* member) { open(member, '['); }
    void closeArray() { close(']'); }

    void text(const char* member, const QString& value) {
        item(member);
        appendString(m_out, value);
    }
    void number(const char* member, qint64 value) {
        item(member);
        m_out += QByteArray::number(value);
    }
    void boolean(const char* member, bool value) {
        item(member);
        m_out += value ? "true" : "false";
    }
    void texts(const char* member, const QStringList& values) {
        openArray(member);
        for (const QString& value : values)
            text(nullptr, value);
        closeArray();
    }

private:
    void item(const char* member) {
        if (!m_first.isEmpty()) {
            if (!m_first.last())
                m_out += ',';
            m_first.last() = false;
            m_out += '\n';
        }
        m_out += QByteArray(m_first.size() * 2, ' ');
        if (member) {
            appendString(m_out, QString::fromLatin1(member));
            m_out += ": ";
        }
    }
    void open(const char* member, char bracket) {
        item(member);
        m_out += bracket;
        m_first.append(true);
    }
    void close(char bracket) {
        const bool empty = m_first.takeLast();
        if (!empty)
            m_out += '\n' + QByteArray(m_first.size() * 2, ' ');
        m_out += bracket;
    }

    QByteArray m_out;
    QList<bool> m_first; // per open object or list: no item written yet
};

} // namespace

QString TemplateDocument::useOnName(const QString& useOn) {
    if (useOn == QLatin1String("H"))
        return QStringLiteral("Hand held only");
    if (useOn == QLatin1String("R"))
        return QStringLiteral("Report only");
    if (useOn == QLatin1String("B"))
        return QStringLiteral("Both");
    return QString();
}

TemplateDocument TemplateDocument::read(const Database& database, qint64 templateKey) {
    // One snapshot for all the reads: another PC may be editing the template meanwhile.
    Transaction snapshot(database);
    if (database.engine() == DatabaseEngine::PostgreSQL)
        database.execute(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"));
    const QVariant name =
        database.scalar(QStringLiteral("SELECT Name FROM Template WHERE TemplateKey=?"), {templateKey});
    if (!name.isValid())
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("There is no template with the key %1.").arg(templateKey));
    TemplateDocument document;
    document.name = name.toString();

    // Ties in Sequence keep the order the rows were added in, which an import repeats.
    QHash<qint64, int> fieldAt;
    QSqlQuery fields = database.query(
        QStringLiteral("SELECT TemplateFieldKey, FieldLabel, FieldType, FieldLength, FieldDecimal, UseOn, ForceEntry, "
                       "Footer, GroupField, Sequence FROM TemplateField WHERE Deleted=0 AND TemplateKey=? "
                       "ORDER BY Sequence, TemplateFieldKey"),
        {templateKey});
    while (fields.next()) {
        fieldAt.insert(fields.value(0).toLongLong(), int(document.fields.size()));
        document.fields.append({fields.value(1).toString(),
                                FieldType(fields.value(2).toInt()),
                                fields.value(3).toInt(),
                                fields.value(4).toInt(),
                                fields.value(5).toString(),
                                flag(fields.value(6)),
                                flag(fields.value(7)),
                                flag(fields.value(8)),
                                fields.value(9).toInt(),
                                {}});
    }
    QSqlQuery values = database.query(
        QStringLiteral("SELECT TemplateFieldValue.TemplateFieldKey, FieldValue FROM TemplateField INNER JOIN "
                       "TemplateFieldValue ON TemplateField.TemplateFieldKey = TemplateFieldValue.TemplateFieldKey "
                       "WHERE TemplateField.Deleted=0 AND TemplateFieldValue.Deleted=0 AND TemplateKey=?"),
        {templateKey});
    while (values.next())
        document.fields[fieldAt.value(values.value(0).toLongLong())].values.append(values.value(1).toString());
    // The engines collate differently; the document must not depend on which one it came from.
    for (Field& field : document.fields)
        TextOrder::sort(field.values, [](const QString& value) { return value; });

    // A file-name field of a deleted entry field has no place in the document to point to.
    QSqlQuery fileNames = database.query(
        QStringLiteral("SELECT FileNameField.TemplateFieldKey FROM TemplateField INNER JOIN FileNameField ON "
                       "TemplateField.TemplateFieldKey = FileNameField.TemplateFieldKey WHERE TemplateField.Deleted=0 "
                       "AND TemplateKey=? ORDER BY FileNameField.Sequence, FileNameFieldKey"),
        {templateKey});
    while (fileNames.next())
        document.fileNameFields.append(fieldAt.value(fileNames.value(0).toLongLong()));

    QHash<qint64, int> questionAt;
    QSqlQuery questions =
        database.query(QStringLiteral("SELECT TemplateQuestionKey, Question, Sequence FROM TemplateQuestion WHERE "
                                      "Deleted=0 AND TemplateKey=? ORDER BY Sequence, TemplateQuestionKey"),
                       {templateKey});
    while (questions.next()) {
        questionAt.insert(questions.value(0).toLongLong(), int(document.questions.size()));
        document.questions.append({questions.value(1).toString(), questions.value(2).toInt(), {}, {}});
    }
    const auto readDetails = [&](const QString& table, const QString& column, QStringList Question::*list) {
        QSqlQuery rows = database.query(
            QStringLiteral("SELECT %1.TemplateQuestionKey, %2 FROM TemplateQuestion INNER JOIN %1 ON "
                           "TemplateQuestion.TemplateQuestionKey = %1.TemplateQuestionKey WHERE "
                           "TemplateQuestion.Deleted=0 AND %1.Deleted=0 AND TemplateKey=? ORDER BY %1.Sequence, %1Key")
                .arg(table, column),
            {templateKey});
        while (rows.next())
            (document.questions[questionAt.value(rows.value(0).toLongLong())].*list).append(rows.value(1).toString());
    };
    readDetails(QStringLiteral("TemplateAnswer"), QStringLiteral("Answer"), &Question::answers);
    readDetails(QStringLiteral("TemplatePickList"), QStringLiteral("TemplatePickList.Name"), &Question::pickList);
    snapshot.commit();
    return document;
}

QByteArray TemplateDocument::toJson() const {
    JsonWriter json;
    json.openObject();
    json.text("format", Format);
    json.number("version", Version);
    json.text("name", name);
    json.openArray("fields");
    for (const Field& field : fields) {
        json.openObject();
        json.text("label", field.label);
        // A number the program gives no name is kept as a number, for the import to refuse.
        if (fieldTypeName(field.type).isEmpty())
            json.number("type", int(field.type));
        else
            json.text("type", fieldTypeName(field.type));
        json.number("length", field.length);
        json.number("decimals", field.decimals);
        json.text("useOn", useOnName(field.useOn).isEmpty() ? field.useOn : useOnName(field.useOn));
        json.boolean("forced", field.forced);
        json.boolean("footer", field.footer);
        json.boolean("groupField", field.groupField);
        json.number("order", field.order);
        json.texts("values", field.values);
        json.closeObject();
    }
    json.closeArray();
    json.openArray("fileNameFields");
    for (int position : fileNameFields)
        json.number(nullptr, position);
    json.closeArray();
    json.openArray("questions");
    for (const Question& question : questions) {
        json.openObject();
        json.text("question", question.question);
        json.number("order", question.order);
        json.texts("answers", question.answers);
        json.texts("pickList", question.pickList);
        json.closeObject();
    }
    json.closeArray();
    json.closeObject();
    json.bytes() += '\n';
    return json.bytes();
}

int TemplateDocument::rowCount() const {
    int rows = 1 + int(fields.size() + fileNameFields.size() + questions.size());
    for (const Field& field : fields)
        rows += int(field.values.size());
    for (const Question& question : questions)
        rows += int(question.answers.size() + question.pickList.size());
    return rows;
}

qint64 TemplateDocument::create(const Database& database, const std::function<void(int, int)>& progress) const {
    const int total = rowCount();
    int done = 0;
    // Rows go in slices, so that progress moves while a long list is written.
    const auto add = [&](RowBatchInsert& table, const QList<QVariantList>& rows) {
        constexpr qsizetype Slice = 10 * RowBatchInsert::MaximumBatch;
        QList<qint64> keys;
        for (qsizetype start = 0; start < rows.size(); start += Slice) {
            keys += table.insert(rows.mid(start, Slice));
            done += int(qMin(Slice, rows.size() - start));
            if (progress)
                progress(done, total);
        }
        return keys;
    };

    // Made before the transaction opens, so that their statements are let go after it rolls
    // back: a server refuses to release a statement inside a failed transaction.
    RowBatchInsert fieldRows(database, QStringLiteral("TemplateField"),
                             {QStringLiteral("TemplateKey"), QStringLiteral("Sequence"), QStringLiteral("FieldLabel"),
                              QStringLiteral("FieldType"), QStringLiteral("FieldLength"),
                              QStringLiteral("FieldDecimal"), QStringLiteral("UseOn"), QStringLiteral("ForceEntry"),
                              QStringLiteral("Footer"), QStringLiteral("GroupField")},
                             true);
    RowBatchInsert valueRows(database, QStringLiteral("TemplateFieldValue"),
                             {QStringLiteral("TemplateFieldKey"), QStringLiteral("FieldValue")}, false);
    RowBatchInsert fileNameRows(database, QStringLiteral("FileNameField"),
                                {QStringLiteral("TemplateFieldKey"), QStringLiteral("Sequence")}, false);
    RowBatchInsert questionRows(database, QStringLiteral("TemplateQuestion"),
                                {QStringLiteral("TemplateKey"), QStringLiteral("Question"), QStringLiteral("Sequence")},
                                true);
    RowBatchInsert answerRows(
        database, QStringLiteral("TemplateAnswer"),
        {QStringLiteral("TemplateQuestionKey"), QStringLiteral("Answer"), QStringLiteral("Sequence")}, false);
    RowBatchInsert pickListRows(
        database, QStringLiteral("TemplatePickList"),
        {QStringLiteral("TemplateQuestionKey"), QStringLiteral("Name"), QStringLiteral("Sequence")}, false);

    Transaction transaction(database);
    const qint64 templateKey = database.insert(QStringLiteral("Template"), {QStringLiteral("Name")}, {name});
    done = 1;

    QList<QVariantList> rows;
    for (const Field& field : fields)
        rows.append({templateKey, field.order, field.label, int(field.type), field.length, field.decimals, field.useOn,
                     stored(field.forced), stored(field.footer), stored(field.groupField)});
    const QList<qint64> fieldKeys = add(fieldRows, rows);
    rows.clear();
    for (qsizetype i = 0; i < fields.size(); ++i) {
        for (const QString& value : fields.at(i).values)
            rows.append({fieldKeys.at(i), value});
    }
    add(valueRows, rows);
    rows.clear();
    for (int i = 0; i < fileNameFields.size(); ++i)
        rows.append({fieldKeys.at(fileNameFields.at(i)), i + 1});
    add(fileNameRows, rows);

    rows.clear();
    for (const Question& question : questions)
        rows.append({templateKey, question.question, question.order});
    const QList<qint64> questionKeys = add(questionRows, rows);
    for (QStringList Question::*list : {&Question::answers, &Question::pickList}) {
        rows.clear();
        for (qsizetype q = 0; q < questions.size(); ++q) {
            const QStringList& texts = questions.at(q).*list;
            for (int i = 0; i < texts.size(); ++i)
                rows.append({questionKeys.at(q), texts.at(i), i + 1});
        }
        add(list == &Question::answers ? answerRows : pickListRows, rows);
    }
    transaction.commit();
    return templateKey;
}

QList<TemplateDocument::Warning> TemplateDocument::limitWarnings() const {
    QList<Warning> warnings;
    // Report-only fields never reach the unit, so they do not count.
    const auto unitFields = std::count_if(fields.begin(), fields.end(),
                                          [](const Field& field) { return field.useOn != QLatin1String("R"); });
    if (unitFields > UnitLimits::Fields)
        warnings.append({QStringLiteral("fields"),
                         TemplateMaintenance::limitMessage(UnitLimits::Fields,
                                                           QStringLiteral("fields can be added to template."))});
    if (questions.size() > UnitLimits::Questions)
        warnings.append({QStringLiteral("questions"),
                         TemplateMaintenance::limitMessage(UnitLimits::Questions,
                                                           QStringLiteral("questions can be added to template."))});
    for (int i = 0; i < questions.size(); ++i) {
        const QString where = QStringLiteral("questions[%1].").arg(i);
        if (questions.at(i).answers.size() > UnitLimits::Answers)
            warnings.append({where + QStringLiteral("answers"),
                             TemplateMaintenance::limitMessage(
                                 UnitLimits::Answers, QStringLiteral("answers can be added to each question."))});
        if (questions.at(i).pickList.size() > UnitLimits::PickEntries)
            warnings.append(
                {where + QStringLiteral("pickList"),
                 TemplateMaintenance::limitMessage(UnitLimits::PickEntries,
                                                   QStringLiteral("picklist items can be added to each question."))});
    }
    return warnings;
}
