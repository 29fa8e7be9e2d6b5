#include "EvaluationSubmission.h"

#include "EntryRules.h"
#include "EvaluationFileParser.h"
#include "FileNames.h"
#include "Windows1252.h"

#include <QDateTime>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <cmath>

namespace {

// "mm/dd/yy" fits a date field however short the template made it, as the PC's first text does.
constexpr int ShortDateLength = 8;

const QString Unreadable = QStringLiteral("The evaluation could not be read (%1). Nothing was written.");

bool onlyMembers(const QJsonObject& object, const QStringList& names, QString& unknown) {
    for (auto member = object.begin(); member != object.end(); ++member) {
        if (!names.contains(member.key())) {
            unknown = member.key();
            return false;
        }
    }
    return true;
}

// A key as the template file holds it: a whole number of 32 bits.
bool keyOf(const QJsonValue& value, qint32& key) {
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < -2147483648.0 || number > 2147483647.0)
        return false;
    key = qint32(number);
    return true;
}

// Why the text cannot go into an evaluation file; empty when it can.
QString textRefusal(const QString& text, const QString& what) {
    if (text.contains(QLatin1Char('"')))
        return QStringLiteral("%1 holds a double quote (\"), which the unit's files cannot hold.").arg(what);
    for (const QChar character : text) {
        if (character.category() == QChar::Other_Control)
            return QStringLiteral("%1 holds a control character, which the unit's files cannot hold.").arg(what);
    }
    const QString missing = Windows1252::firstUnencodable(text);
    if (!missing.isEmpty())
        return QStringLiteral("%1 holds \"%2\", a character that the unit's files cannot hold.").arg(what, missing);
    return QString();
}

QString forcedEntry(const QString& label) {
    return QStringLiteral("Entry manditory into the ") + label + QStringLiteral(" field.");
}

} // namespace

EvaluationSubmission::EvaluationSubmission(const QByteArray& body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        refuse(Unreadable.arg(QStringLiteral("%1 at character %2").arg(error.errorString()).arg(error.offset)));
        return;
    }
    if (!document.isObject()) {
        refuse(Unreadable.arg(QStringLiteral("it is not a JSON object")));
        return;
    }
    const QJsonObject object = document.object();
    QString unknown;
    if (!onlyMembers(object, {"id", "saved", "template", "fields", "questions"}, unknown)) {
        refuse(Unreadable.arg(QStringLiteral("it holds the unknown item \"%1\"").arg(unknown)));
        return;
    }
    static const QRegularExpression IdPattern(QStringLiteral("^[0-9A-Za-z-]{8,64}$"));
    m_id = object.value(QStringLiteral("id")).toString();
    if (!IdPattern.match(m_id).hasMatch()) {
        refuse(Unreadable.arg(QStringLiteral("its id is missing or is not 8 to 64 letters, digits and dashes")));
        return;
    }
    m_saved = object.value(QStringLiteral("saved")).toString();
    if (!QDateTime::fromString(m_saved, QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid()) {
        refuse(Unreadable.arg(QStringLiteral("the time it was saved is not given as yyyy-MM-dd HH:mm:ss")));
        return;
    }
    m_templateFile = object.value(QStringLiteral("template")).toString();
    if (!FileNames::isBareFileName(m_templateFile) || !m_templateFile.endsWith(QStringLiteral(".evt"))) {
        refuse(Unreadable.arg(QStringLiteral("it names no template file")));
        return;
    }
    if (!object.value(QStringLiteral("fields")).isArray() || !object.value(QStringLiteral("questions")).isArray()) {
        refuse(Unreadable.arg(QStringLiteral("its fields or questions are not lists")));
        return;
    }
    m_fields = object.value(QStringLiteral("fields")).toArray();
    m_questions = object.value(QStringLiteral("questions")).toArray();
}

bool EvaluationSubmission::refuse(const QString& message) {
    m_refusal = message;
    return false;
}

bool EvaluationSubmission::refuseField(const UnitTemplate::Field& field, const QString& message, bool templateChanged) {
    m_refusedField = field.key;
    m_templateChanged = templateChanged;
    return refuse(message);
}

bool EvaluationSubmission::refuseChanged(const QString& message) {
    m_templateChanged = true;
    return refuse(message);
}

QString EvaluationSubmission::templateProblem(const UnitTemplate& unitTemplate) {
    for (const UnitTemplate::Field& field : unitTemplate.fields) {
        if (field.group && field.type == FieldType::Dropdown)
            return QString();
    }
    return QStringLiteral("The template has no dropdown group field, so its evaluations cannot be added on the PC.");
}

EntryRules::EntryField EvaluationSubmission::entryField(const UnitTemplate::Field& field) {
    int length = qMin(field.length > 0 ? field.length : EvaluationFileParser::EnteredValueLength,
                      EvaluationFileParser::EnteredValueLength);
    if (field.type == FieldType::Date)
        length = qMax(length, ShortDateLength);
    return {field.label, field.type, length, field.forced};
}

bool EvaluationSubmission::check(const UnitTemplate& unitTemplate) {
    if (!m_refusal.isEmpty())
        return false;
    const QString problem = templateProblem(unitTemplate);
    if (!problem.isEmpty())
        return refuse(problem + QStringLiteral(" Nothing was written."));
    m_evaluation = UnitEvaluation();
    m_evaluation.stamp = m_saved + QStringLiteral(" #") + m_id;
    m_evaluation.templateKey = unitTemplate.templateKey;
    return checkFields(unitTemplate) && checkQuestions(unitTemplate);
}

bool EvaluationSubmission::checkFields(const UnitTemplate& unitTemplate) {
    QHash<qint32, QJsonObject> given;
    for (const QJsonValue& value : m_fields) {
        const QJsonObject field = value.toObject();
        QString unknown;
        qint32 key = 0;
        if (!value.isObject() || !onlyMembers(field, {"key", "value", "valueKey"}, unknown) ||
            !keyOf(field.value(QStringLiteral("key")), key))
            return refuse(
                Unreadable.arg(QStringLiteral("a field is not {\"key\", \"value\"} or {\"key\", \"valueKey\"}")));
        const bool known =
            std::any_of(unitTemplate.fields.begin(), unitTemplate.fields.end(),
                        [key](const UnitTemplate::Field& templateField) { return templateField.key == key; });
        if (!known)
            return refuseChanged(
                QStringLiteral("The template does not hold the field key %1. Nothing was written.").arg(key));
        if (given.contains(key))
            return refuse(Unreadable.arg(QStringLiteral("the field key %1 is given twice").arg(key)));
        given.insert(key, field);
    }
    for (const UnitTemplate::Field& field : unitTemplate.fields) {
        if (!given.contains(field.key))
            return refuseField(field, Unreadable.arg(QStringLiteral("the field \"%1\" is missing").arg(field.label)),
                               true);
        UnitEvaluation::Field written{field.key, QString(), 0};
        if (!checkEntry(field, given.value(field.key), written))
            return false;
        if (field.group)
            m_evaluation.groupKey = written.valueKey;
        m_evaluation.fields.append(written);
    }
    return true;
}

bool EvaluationSubmission::checkEntry(const UnitTemplate::Field& field, const QJsonObject& entry,
                                      UnitEvaluation::Field& written) {
    if (field.type == FieldType::Dropdown) {
        // A field that takes text here was a text field when the phone filled it in.
        if (entry.contains(QStringLiteral("value")) ||
            !keyOf(entry.value(QStringLiteral("valueKey")), written.valueKey))
            return refuseField(
                field, Unreadable.arg(QStringLiteral("the dropdown field \"%1\" takes a valueKey").arg(field.label)),
                true);
        if (written.valueKey != 0) {
            const auto chosen =
                std::find_if(field.values.begin(), field.values.end(),
                             [&written](const UnitTemplate::Value& value) { return value.key == written.valueKey; });
            if (chosen == field.values.end())
                return refuseField(field,
                                   QStringLiteral("The template does not hold the value key %1 of the field \"%2\". "
                                                  "Nothing was written.")
                                       .arg(written.valueKey)
                                       .arg(field.label),
                                   true);
            written.value = chosen->text;
        }
        if ((field.forced || field.group) && written.valueKey == 0)
            return refuseField(field, forcedEntry(field.label));
        return true;
    }
    const QJsonValue value = entry.value(QStringLiteral("value"));
    qint32 valueKey = 0;
    if (!value.isString() || (entry.contains(QStringLiteral("valueKey")) &&
                              (!keyOf(entry.value(QStringLiteral("valueKey")), valueKey) || valueKey != 0)))
        return refuseField(
            field, Unreadable.arg(QStringLiteral("the field \"%1\" takes a text value").arg(field.label)), true);
    written.value = EntryRules::trimmedEntry(value.toString());
    const QString refusedText =
        textRefusal(written.value, QStringLiteral("The entry of the field \"%1\"").arg(field.label));
    if (!refusedText.isEmpty())
        return refuseField(field, refusedText);
    const EntryRules::EntryCheck checked = EntryRules::checkEntry(entryField(field), written.value);
    switch (checked.refusal) {
    case EntryRules::EntryRefusal::None:
        return true;
    case EntryRules::EntryRefusal::Numeric:
    case EntryRules::EntryRefusal::Date:
        // These messages do not name the field, as they are shown beside it.
        return refuseField(field, field.label + QStringLiteral(": ") + checked.message);
    default:
        return refuseField(field, checked.message);
    }
}

bool EvaluationSubmission::checkQuestions(const UnitTemplate& unitTemplate) {
    QHash<qint32, QJsonObject> given;
    for (const QJsonValue& value : m_questions) {
        const QJsonObject question = value.toObject();
        QString unknown;
        qint32 key = 0;
        if (!value.isObject() || !onlyMembers(question, {"key", "answer", "tbc", "ticked"}, unknown) ||
            !keyOf(question.value(QStringLiteral("key")), key) ||
            !question.value(QStringLiteral("answer")).isString() || !question.value(QStringLiteral("tbc")).isBool() ||
            !question.value(QStringLiteral("ticked")).isArray())
            return refuse(
                Unreadable.arg(QStringLiteral("a question is not {\"key\", \"answer\", \"tbc\", \"ticked\"}")));
        const bool known =
            std::any_of(unitTemplate.questions.begin(), unitTemplate.questions.end(),
                        [key](const UnitTemplate::Question& templateQuestion) { return templateQuestion.key == key; });
        if (!known)
            return refuseChanged(
                QStringLiteral("The template does not hold the question key %1. Nothing was written.").arg(key));
        if (given.contains(key))
            return refuse(Unreadable.arg(QStringLiteral("the question key %1 is given twice").arg(key)));
        given.insert(key, question);
    }
    for (const UnitTemplate::Question& question : unitTemplate.questions) {
        m_refusedQuestion = question.key;
        if (!given.contains(question.key))
            return refuseChanged(Unreadable.arg(QStringLiteral("the question \"%1\" is missing").arg(question.text)));
        const QJsonObject entry = given.value(question.key);
        UnitEvaluation::Question written;
        written.key = question.key;
        written.answer = EntryRules::trimmedEntry(entry.value(QStringLiteral("answer")).toString());
        written.tbc = entry.value(QStringLiteral("tbc")).toBool();
        const QString what = QStringLiteral("The answer to \"%1\"").arg(question.text);
        const QString refusedText = textRefusal(written.answer, what);
        if (!refusedText.isEmpty())
            return refuse(refusedText);
        if (written.answer.size() > EvaluationFileParser::AnswerLength)
            return refuse(QStringLiteral("%1 has %2 characters; an answer holds at most %3.")
                              .arg(what)
                              .arg(written.answer.size())
                              .arg(EvaluationFileParser::AnswerLength));
        QSet<qint32> ticked;
        for (const QJsonValue& tick : entry.value(QStringLiteral("ticked")).toArray()) {
            qint32 key = 0;
            if (!keyOf(tick, key))
                return refuse(
                    Unreadable.arg(QStringLiteral("a ticked entry of \"%1\" is not a key").arg(question.text)));
            const bool known = std::any_of(question.pickLists.begin(), question.pickLists.end(),
                                           [key](const UnitTemplate::PickList& entry) { return entry.key == key; });
            if (!known)
                return refuseChanged(
                    QStringLiteral("The template does not hold the pick-list key %1 of the question \"%2\". "
                                   "Nothing was written.")
                        .arg(key)
                        .arg(question.text));
            ticked.insert(key);
        }
        for (const UnitTemplate::PickList& entry : question.pickLists) {
            if (ticked.contains(entry.key))
                written.ticked << entry.key;
        }
        m_evaluation.questions.append(written);
    }
    m_refusedQuestion.reset();
    return true;
}
