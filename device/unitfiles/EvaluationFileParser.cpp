#include "EvaluationFileParser.h"

#include "DelimitedItemReader.h"
#include "KestrivoError.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace {

[[noreturn]] void refuse(qint32 number, const DelimitedItem& item, const QString& what) {
    throw KestrivoError(number, QStringLiteral("Line %1: %2").arg(item.line).arg(what));
}

QString shown(const DelimitedItem& item) {
    const QString text = item.text.size() > 40 ? item.text.left(40) + QStringLiteral("...") : item.text;
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The number an item stands for: a number, a boolean, or text that reads as either.
bool numberOf(const DelimitedItem& item, double& number) {
    if (item.kind == DelimitedItem::Kind::Number || item.kind == DelimitedItem::Kind::Boolean) {
        number = item.number;
        return true;
    }
    if (item.kind != DelimitedItem::Kind::Text)
        return false;
    const QString text = item.text.trimmed();
    if (text == QLatin1String("#TRUE#") || text == QLatin1String("#FALSE#")) {
        number = text == QLatin1String("#TRUE#") ? -1 : 0;
        return true;
    }
    bool ok = false;
    number = QLocale::c().toDouble(text, &ok);
    return ok && std::isfinite(number);
}

qint32 keyOf(const DelimitedItem& item, const QString& what, bool emptyIsZero = false) {
    if (emptyIsZero && item.kind == DelimitedItem::Kind::Empty)
        return 0;
    double number = 0;
    if (item.kind == DelimitedItem::Kind::Boolean || !numberOf(item, number) || number != std::floor(number) ||
        number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max())
        refuse(ErrorNumber::TypeMismatch, item,
               QStringLiteral("the %1 %2 is not a whole number.").arg(what, shown(item)));
    return qint32(number);
}

QVariant textOf(const DelimitedItem& item, const QString& what, int length) {
    if (item.text.size() > length)
        refuse(ErrorNumber::General, item,
               QStringLiteral("the %1 has %2 characters; at most %3 can be kept.")
                   .arg(what)
                   .arg(item.text.size())
                   .arg(length));
    return item.value();
}

int flagOf(const DelimitedItem& item) {
    if (item.kind == DelimitedItem::Kind::Empty || item.kind == DelimitedItem::Kind::Null)
        return 0;
    double number = 0;
    if (!numberOf(item, number))
        refuse(ErrorNumber::TypeMismatch, item,
               QStringLiteral("the TBC flag %1 is neither a number nor #TRUE# or #FALSE#.").arg(shown(item)));
    return number * -1 != 0 ? -1 : 0;
}

// The next value item of the marker's record.
DelimitedItem valueOf(DelimitedItemReader& reader, const DelimitedItem& marker) {
    if (reader.atEnd())
        refuse(ErrorNumber::InputPastEndOfFile, marker,
               QStringLiteral("the file ends inside the %1 record that starts there.").arg(shown(marker)));
    return reader.ReadItem();
}

// The evaluation that a "*F*" or "*Q*" record (record) belongs to: the last one begun.
EvaluationFileContent::Evaluation& evaluationOf(EvaluationFileContent& content, const DelimitedItem& marker,
                                                const QString& record) {
    if (content.evaluations.isEmpty())
        refuse(ErrorNumber::General, marker,
               QStringLiteral("a \"%1\" record comes before the \"*H*\" record of its evaluation.").arg(record));
    return content.evaluations.last();
}

} // namespace

EvaluationFileContent EvaluationFileParser::parse(const QByteArray& bytes) {
    EvaluationFileContent content;
    DelimitedItemReader reader(bytes);
    while (!reader.atEnd()) {
        const DelimitedItem marker = reader.ReadItem();
        if (marker.isText(QStringLiteral("*H*"))) {
            valueOf(reader, marker); // the handheld's own item
            EvaluationFileContent::Evaluation evaluation;
            evaluation.templateKey = keyOf(valueOf(reader, marker), QStringLiteral("template key"));
            evaluation.evaluationGroupKey = keyOf(valueOf(reader, marker), QStringLiteral("group value key"));
            evaluation.firstQuestion = evaluation.lastQuestion = content.questions.size();
            content.evaluations << evaluation;
        } else if (marker.isText(QStringLiteral("*F*"))) {
            EvaluationFileContent::Evaluation& evaluation = evaluationOf(content, marker, QStringLiteral("*F*"));
            EvaluationFileContent::Field field;
            field.templateFieldKey = keyOf(valueOf(reader, marker), QStringLiteral("field key"));
            field.enteredValue = textOf(valueOf(reader, marker), QStringLiteral("entered value"), EnteredValueLength);
            field.templateFieldValueKey = keyOf(valueOf(reader, marker), QStringLiteral("list value key"), true);
            evaluation.fields << field;
        } else if (marker.isText(QStringLiteral("*Q*"))) {
            EvaluationFileContent::Evaluation& evaluation = evaluationOf(content, marker, QStringLiteral("*Q*"));
            EvaluationFileContent::Question question;
            question.templateQuestionKey = keyOf(valueOf(reader, marker), QStringLiteral("question key"));
            question.answer = textOf(valueOf(reader, marker), QStringLiteral("answer"), AnswerLength);
            question.tbcCheck = flagOf(valueOf(reader, marker));
            content.questions << question;
            evaluation.lastQuestion = content.questions.size();
        } else if (marker.isText(QStringLiteral("*P*"))) {
            if (content.questions.isEmpty())
                refuse(ErrorNumber::General, marker,
                       QStringLiteral("a \"*P*\" record comes before any \"*Q*\" record."));
            EvaluationFileContent::PickList pick;
            pick.question = content.questions.size() - 1;
            pick.templatePickListKey = keyOf(valueOf(reader, marker), QStringLiteral("pick-list key"));
            content.pickLists << pick;
        }
    }
    if (content.evaluations.isEmpty())
        throw KestrivoError(ErrorNumber::General, QStringLiteral("The file holds no evaluation (no \"*H*\" record)."));
    return content;
}
