#include "EvaluationExport.h"

#include "Database.h"
#include "FieldText.h"
#include "KestrivoError.h"
#include "ReportLists.h"
#include "ReportSnapshot.h"

#include <QHash>
#include <QIODevice>

namespace {

constexpr qsizetype SliceSize = 250;

QString marks(qsizetype count) {
    QStringList list;
    for (qsizetype i = 0; i < count; ++i)
        list << QStringLiteral("?");
    return list.join(QLatin1Char(','));
}

void send(QIODevice& out, const QByteArray& bytes) {
    if (out.write(bytes) != bytes.size())
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("The CSV file cannot be written: %1").arg(out.errorString()));
}

} // namespace

EvaluationExport::EvaluationExport(const Database& database) : m_database(database) {}

QString EvaluationExport::field(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QByteArray EvaluationExport::record(const QStringList& fields) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& text : fields)
        quoted << field(text);
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

qint64 EvaluationExport::write(QIODevice& out, qint64 templateKey, const QList<qint64>& evaluationKeys) {
    ReportSnapshot snapshot(m_database);
    m_fields.clear();
    m_questions.clear();
    m_fieldColumn.clear();
    m_questionColumn.clear();
    QSqlQuery fields = m_database.query(QStringLiteral("SELECT TemplateFieldKey, FieldLabel FROM TemplateField WHERE "
                                                       "TemplateKey=? ORDER BY Sequence, TemplateFieldKey"),
                                        {templateKey});
    while (fields.next()) {
        m_fieldColumn.insert(fields.value(0).toLongLong(), int(m_fields.size()));
        m_fields.append({fields.value(0).toLongLong(), fields.value(1).toString()});
    }
    QSqlQuery questions = m_database.query(QStringLiteral("SELECT TemplateQuestionKey, Question FROM TemplateQuestion "
                                                          "WHERE TemplateKey=? ORDER BY Sequence, TemplateQuestionKey"),
                                           {templateKey});
    while (questions.next()) {
        m_questionColumn.insert(questions.value(0).toLongLong(), int(m_questions.size()));
        m_questions.append({questions.value(0).toLongLong(), questions.value(1).toString()});
    }

    QStringList header{QStringLiteral("EvaluationKey"), QStringLiteral("Template"), QStringLiteral("Group"),
                       QStringLiteral("FileName"), QStringLiteral("Downloaded")};
    for (const Column& column : std::as_const(m_fields))
        header << column.label;
    for (const Column& column : std::as_const(m_questions))
        header << column.label << column.label + QStringLiteral(" TBC") << column.label + QStringLiteral(" Pick List");
    send(out, record(header));

    qint64 written = 0;
    for (qsizetype first = 0; first < evaluationKeys.size(); first += SliceSize) {
        const QList<qint64> slice = evaluationKeys.mid(first, SliceSize);
        written += writeSlice(out, templateKey, slice);
        if (m_progress)
            m_progress(int(first + slice.size()), int(evaluationKeys.size()));
    }
    return written;
}

qint64 EvaluationExport::writeSlice(QIODevice& out, qint64 templateKey, const QList<qint64>& keys) {
    struct Answer {
        bool given = false;
        QString answer;
        bool tbc = false;
        QStringList pickList;
    };
    struct Row {
        QStringList head;
        QStringList values;    // by the field's column
        QList<Answer> answers; // by the question's column
    };
    QVariantList values;
    for (qint64 key : keys)
        values << key;
    const QString in = marks(keys.size());

    QHash<qint64, Row> rows;
    QSqlQuery evaluations = m_database.query(
        QStringLiteral("SELECT Evaluation.EvaluationKey, Template.Name, TemplateFieldValue.FieldValue, "
                       "Evaluation.FileName, Evaluation.Downloaded FROM (Evaluation INNER JOIN Template ON "
                       "Evaluation.TemplateKey = Template.TemplateKey) LEFT JOIN TemplateFieldValue ON "
                       "Evaluation.EvaluationGroupKey = TemplateFieldValue.TemplateFieldValueKey WHERE "
                       "Evaluation.TemplateKey=? AND Evaluation.EvaluationKey IN (%1)")
            .arg(in),
        QVariantList{templateKey} + values);
    while (evaluations.next()) {
        Row row;
        row.head << FieldText(evaluations.value(0)) << evaluations.value(1).toString()
                 << evaluations.value(2).toString() << evaluations.value(3).toString()
                 << ReportLists::downloadedTime(evaluations.value(4)).toString(Qt::ISODate);
        row.values = QStringList(m_fields.size());
        row.answers = QList<Answer>(m_questions.size());
        rows.insert(evaluations.value(0).toLongLong(), row);
    }
    if (rows.isEmpty())
        return 0;

    // A field or question entered twice keeps its first value.
    QSqlQuery fields = m_database.query(QStringLiteral("SELECT EvaluationKey, TemplateFieldKey, EnteredValue FROM "
                                                       "EvaluationField WHERE EvaluationKey IN (%1) ORDER BY "
                                                       "EvaluationFieldKey DESC")
                                            .arg(in),
                                        values);
    while (fields.next()) {
        auto row = rows.find(fields.value(0).toLongLong());
        const int column = m_fieldColumn.value(fields.value(1).toLongLong(), -1);
        if (row != rows.end() && column >= 0)
            row->values[column] = FieldText(fields.value(2));
    }
    // Each answer with its ticked pick-list entries, one row per entry (or one row without any).
    QSqlQuery answers = m_database.query(
        QStringLiteral(
            "SELECT EvaluationQuestion.EvaluationKey, EvaluationQuestion.EvaluationQuestionKey, "
            "EvaluationQuestion.TemplateQuestionKey, EvaluationQuestion.Answer, EvaluationQuestion.TBCCheck, "
            "TemplatePickList.Name FROM (EvaluationQuestion LEFT JOIN EvaluationPickList ON "
            "EvaluationPickList.EvaluationQuestionKey = EvaluationQuestion.EvaluationQuestionKey) LEFT JOIN "
            "TemplatePickList ON EvaluationPickList.TemplatePickListKey = "
            "TemplatePickList.TemplatePickListKey WHERE EvaluationQuestion.EvaluationKey IN (%1) ORDER BY "
            "EvaluationQuestion.EvaluationQuestionKey, TemplatePickList.Sequence, "
            "EvaluationPickList.EvaluationPickListKey")
            .arg(in),
        values);
    qint64 current = 0;
    Answer* answer = nullptr;
    while (answers.next()) {
        const qint64 key = answers.value(1).toLongLong();
        if (key != current) {
            current = key;
            answer = nullptr;
            auto row = rows.find(answers.value(0).toLongLong());
            const int column = m_questionColumn.value(answers.value(2).toLongLong(), -1);
            // A question answered twice keeps its first answer.
            if (row == rows.end() || column < 0 || row->answers.at(column).given)
                continue;
            answer = &row->answers[column];
            *answer = {true, FieldText(answers.value(3)), answers.value(4).toInt() != 0, {}};
        }
        if (answer && !answers.isNull(5))
            answer->pickList << answers.value(5).toString();
    }

    QByteArray bytes;
    qint64 written = 0;
    for (qint64 key : keys) {
        const auto row = rows.constFind(key);
        if (row == rows.constEnd())
            continue;
        QStringList record = row->head + row->values;
        for (const Answer& answer : row->answers) {
            if (!answer.given)
                record << QString() << QString() << QString();
            else
                record << answer.answer << (answer.tbc ? QStringLiteral("Y") : QStringLiteral("N"))
                       << answer.pickList.join(QStringLiteral("; "));
        }
        bytes += EvaluationExport::record(record);
        ++written;
    }
    send(out, bytes);
    return written;
}
