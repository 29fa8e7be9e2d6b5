#include "TemplateDocumentParser.h"

#include "TemplateRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// The widths of the template columns and the range of their whole numbers: what the
// database can hold.
constexpr int LabelLength = 20;
constexpr int ValueLength = 20;
constexpr int QuestionLength = 100;
constexpr int AnswerLength = 50;
constexpr int PickListLength = 50;
constexpr int SmallMin = -32768;
constexpr int SmallMax = 32767;

QString member(const QString& path, const QString& name) {
    return path.isEmpty() ? name : path + QLatin1Char('.') + name;
}

QString item(const QString& path, qsizetype index) {
    return path + QStringLiteral("[%1]").arg(index);
}

// Reads the members of one object, noting each problem under its path; members it was
// never asked for are reported as unknown by finish().
class ObjectReader {
public:
    ObjectReader(const QJsonObject& object, QString path, QStringList& problems)
        : m_object(object), m_path(std::move(path)), m_problems(problems) {}

    void problem(const QString& name, const QString& what) {
        m_problems.append(where(name) + QStringLiteral(": ") + what);
    }
    QString where(const QString& name) const { return member(m_path, name); }

    std::optional<QJsonValue> value(const QString& name) {
        m_known.insert(name);
        const auto found = m_object.constFind(name);
        if (found == m_object.constEnd()) {
            problem(name, QStringLiteral("missing"));
            return std::nullopt;
        }
        return found.value();
    }

    std::optional<QString> text(const QString& name, int maxLength) {
        const std::optional<QJsonValue> found = value(name);
        if (!found)
            return std::nullopt;
        if (!found->isString()) {
            problem(name, QStringLiteral("not a text"));
            return std::nullopt;
        }
        const QString text = found->toString();
        return checkText(m_problems, where(name), text, maxLength) ? std::optional<QString>(text) : std::nullopt;
    }

    std::optional<int> whole(const QString& name, int min, int max) {
        const std::optional<QJsonValue> found = value(name);
        return found ? wholeNumber(m_problems, where(name), *found, min, max) : std::nullopt;
    }

    std::optional<bool> boolean(const QString& name) {
        const std::optional<QJsonValue> found = value(name);
        if (!found)
            return std::nullopt;
        if (!found->isBool()) {
            problem(name, QStringLiteral("not true or false"));
            return std::nullopt;
        }
        return found->toBool();
    }

    std::optional<QJsonArray> array(const QString& name) {
        const std::optional<QJsonValue> found = value(name);
        if (!found)
            return std::nullopt;
        if (!found->isArray()) {
            problem(name, QStringLiteral("not a list"));
            return std::nullopt;
        }
        return found->toArray();
    }

    void finish() {
        for (auto it = m_object.constBegin(); it != m_object.constEnd(); ++it) {
            if (!m_known.contains(it.key()))
                problem(it.key(), QStringLiteral("unknown member"));
        }
    }

    // Texts must fit their column, and may not hold control characters: the database server
    // refuses a NUL, and a line break would split a record of the template file on the unit.
    static bool checkText(QStringList& problems, const QString& where, const QString& text, int maxLength) {
        for (const QChar c : text) {
            if (c.unicode() < 0x20) {
                problems.append(where + QStringLiteral(": contains the control character U+") +
                                QString::number(c.unicode(), 16).rightJustified(4, QLatin1Char('0')).toUpper());
                return false;
            }
        }
        if (maxLength > 0 && text.toUcs4().size() > maxLength) {
            problems.append(where + QStringLiteral(": longer than %1 characters").arg(maxLength));
            return false;
        }
        return true;
    }

    static std::optional<int> wholeNumber(QStringList& problems, const QString& where, const QJsonValue& value, int min,
                                          int max) {
        const double number = value.toDouble();
        if (!value.isDouble() || std::floor(number) != number) {
            problems.append(where + QStringLiteral(": not a whole number"));
            return std::nullopt;
        }
        if (number < min || number > max) {
            problems.append(where + QStringLiteral(": must be from %1 to %2").arg(min).arg(max));
            return std::nullopt;
        }
        return int(number);
    }

private:
    const QJsonObject m_object;
    const QString m_path;
    QStringList& m_problems;
    QSet<QString> m_known;
};

std::optional<QStringList> texts(ObjectReader& reader, const QString& name, int maxLength, QStringList& problems,
                                 qsizetype maxCount = -1) {
    const std::optional<QJsonArray> array = reader.array(name);
    if (!array)
        return std::nullopt;
    if (maxCount >= 0 && array->size() > maxCount) {
        reader.problem(name, QStringLiteral("more than %1 entries").arg(maxCount));
        return std::nullopt;
    }
    QStringList result;
    bool ok = true;
    for (qsizetype i = 0; i < array->size(); ++i) {
        const QString where = item(reader.where(name), i);
        if (!array->at(i).isString()) {
            problems.append(where + QStringLiteral(": not a text"));
            ok = false;
        } else if (ObjectReader::checkText(problems, where, array->at(i).toString(), maxLength)) {
            result.append(array->at(i).toString());
        } else {
            ok = false;
        }
    }
    return ok ? std::optional<QStringList>(result) : std::nullopt;
}

std::optional<FieldType> fieldType(ObjectReader& reader) {
    const std::optional<QJsonValue> value = reader.value(QStringLiteral("type"));
    if (!value)
        return std::nullopt;
    const QString known = QStringLiteral("; one of Text, Numeric, Dropdown, Date, or 0 to 3");
    if (value->isString()) {
        for (int type = int(FieldType::Text); type <= int(FieldType::Date); ++type) {
            if (value->toString().compare(fieldTypeName(FieldType(type)), Qt::CaseInsensitive) == 0)
                return FieldType(type);
        }
        reader.problem(QStringLiteral("type"), QStringLiteral("unknown type \"%1\"").arg(value->toString()) + known);
        return std::nullopt;
    }
    if (value->isDouble()) {
        const double number = value->toDouble();
        if (number >= int(FieldType::Text) && number <= int(FieldType::Date) && std::floor(number) == number)
            return FieldType(int(number));
        reader.problem(QStringLiteral("type"), QStringLiteral("unknown type %1").arg(number) + known);
        return std::nullopt;
    }
    reader.problem(QStringLiteral("type"), QStringLiteral("not a text or a number"));
    return std::nullopt;
}

std::optional<QString> useOn(ObjectReader& reader) {
    const std::optional<QJsonValue> value = reader.value(QStringLiteral("useOn"));
    if (!value)
        return std::nullopt;
    if (!value->isString()) {
        reader.problem(QStringLiteral("useOn"), QStringLiteral("not a text"));
        return std::nullopt;
    }
    const QString given = value->toString();
    for (const QString& letter : {QStringLiteral("H"), QStringLiteral("R"), QStringLiteral("B")}) {
        if (given.compare(letter, Qt::CaseInsensitive) == 0 ||
            given.compare(TemplateDocument::useOnName(letter), Qt::CaseInsensitive) == 0)
            return letter;
    }
    reader.problem(
        QStringLiteral("useOn"),
        QStringLiteral("unknown use \"%1\"; one of Hand held only, Report only, Both, or H, R, B").arg(given));
    return std::nullopt;
}

std::optional<TemplateDocument::Field> field(const QJsonObject& object, const QString& path, QStringList& problems) {
    const qsizetype before = problems.size();
    ObjectReader reader(object, path, problems);
    TemplateDocument::Field field;
    field.label = reader.text(QStringLiteral("label"), LabelLength).value_or(QString());
    field.type = fieldType(reader).value_or(FieldType::Text);
    field.length = reader.whole(QStringLiteral("length"), 0, SmallMax).value_or(0);
    field.decimals = reader.whole(QStringLiteral("decimals"), SmallMin, SmallMax).value_or(0);
    field.useOn = useOn(reader).value_or(QString());
    field.forced = reader.boolean(QStringLiteral("forced")).value_or(false);
    field.footer = reader.boolean(QStringLiteral("footer")).value_or(false);
    field.groupField = reader.boolean(QStringLiteral("groupField")).value_or(false);
    field.order = reader.whole(QStringLiteral("order"), SmallMin, SmallMax).value_or(0);
    field.values = texts(reader, QStringLiteral("values"), ValueLength, problems).value_or(QStringList());
    reader.finish();
    // The group field names an evaluation's group by one of its values, entered on the unit.
    if (field.groupField && problems.size() == before) {
        if (field.type != FieldType::Dropdown)
            reader.problem(QStringLiteral("type"), QStringLiteral("the group field must be Dropdown"));
        if (!field.forced)
            reader.problem(QStringLiteral("forced"), QStringLiteral("the group field must be forced"));
    }
    if (problems.size() != before)
        return std::nullopt;
    return field;
}

std::optional<TemplateDocument::Question> question(const QJsonObject& object, const QString& path,
                                                   QStringList& problems) {
    const qsizetype before = problems.size();
    ObjectReader reader(object, path, problems);
    TemplateDocument::Question question;
    question.question = reader.text(QStringLiteral("question"), QuestionLength).value_or(QString());
    question.order = reader.whole(QStringLiteral("order"), SmallMin, SmallMax).value_or(0);
    // Answers and pick-list entries are numbered by their place in the list.
    question.answers =
        texts(reader, QStringLiteral("answers"), AnswerLength, problems, SmallMax).value_or(QStringList());
    question.pickList =
        texts(reader, QStringLiteral("pickList"), PickListLength, problems, SmallMax).value_or(QStringList());
    reader.finish();
    if (problems.size() != before)
        return std::nullopt;
    return question;
}

// Where in the text a parse error lies, as an editor shows it.
QString position(const QByteArray& bytes, int offset) {
    const QByteArray before = bytes.left(offset);
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    const int line = int(before.count('\n')) + 1;
    const int column = int(QString::fromUtf8(before.mid(lineStart)).toUcs4().size()) + 1;
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

void readBody(ObjectReader& root, TemplateDocument& document, QStringList& problems) {
    const std::optional<QString> name = root.text(QStringLiteral("name"), TemplateRows::NameLength);
    if (name && name->isEmpty())
        root.problem(QStringLiteral("name"), QStringLiteral("empty"));
    document.name = name.value_or(QString());

    qsizetype fieldCount = 0;
    if (const std::optional<QJsonArray> fields = root.array(QStringLiteral("fields"))) {
        fieldCount = fields->size();
        int groupField = -1;
        for (qsizetype i = 0; i < fields->size(); ++i) {
            const QString path = item(QStringLiteral("fields"), i);
            if (!fields->at(i).isObject()) {
                problems.append(path + QStringLiteral(": not an object"));
                continue;
            }
            const std::optional<TemplateDocument::Field> field = ::field(fields->at(i).toObject(), path, problems);
            if (!field)
                continue;
            if (field->groupField && groupField >= 0)
                problems.append(
                    path +
                    QStringLiteral(".groupField: a second group field (the first is fields[%1])").arg(groupField));
            else if (field->groupField)
                groupField = int(i);
            document.fields.append(*field);
        }
        if (groupField < 0 && document.fields.size() == fields->size())
            root.problem(QStringLiteral("fields"), QStringLiteral("no group field"));
    }

    if (const std::optional<QJsonArray> positions = root.array(QStringLiteral("fileNameFields"))) {
        if (positions->size() > SmallMax)
            root.problem(QStringLiteral("fileNameFields"), QStringLiteral("more than %1 entries").arg(SmallMax));
        for (qsizetype i = 0; i < positions->size() && i < SmallMax; ++i) {
            const QString path = item(QStringLiteral("fileNameFields"), i);
            const std::optional<int> position =
                ObjectReader::wholeNumber(problems, path, positions->at(i), SmallMin, SmallMax);
            if (!position)
                continue;
            if (*position < 0 || *position >= fieldCount) {
                problems.append(
                    path +
                    (fieldCount == 0
                         ? QStringLiteral(": names no entry field (fields is empty)")
                         : QStringLiteral(": names no entry field (fields[0] to fields[%1])").arg(fieldCount - 1)));
                continue;
            }
            document.fileNameFields.append(*position);
        }
    }

    if (const std::optional<QJsonArray> questions = root.array(QStringLiteral("questions"))) {
        for (qsizetype i = 0; i < questions->size(); ++i) {
            const QString path = item(QStringLiteral("questions"), i);
            if (!questions->at(i).isObject()) {
                problems.append(path + QStringLiteral(": not an object"));
                continue;
            }
            if (const std::optional<TemplateDocument::Question> question =
                    ::question(questions->at(i).toObject(), path, problems))
                document.questions.append(*question);
        }
    }
}

} // namespace

TemplateDocumentParser::Result TemplateDocumentParser::parse(const QByteArray& bytes) {
    Result result;
    // Editors on some systems start a UTF-8 file with a byte-order mark.
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        result.problems.append(position(text, error.offset) + QStringLiteral(": not JSON: ") + error.errorString());
        return result;
    }
    if (!json.isObject()) {
        result.problems.append(QStringLiteral("document: not a JSON object"));
        return result;
    }
    ObjectReader root(json.object(), QString(), result.problems);
    // Nothing else can be read sensibly from another kind of document or a later version.
    const std::optional<QString> format = root.text(QStringLiteral("format"), 0);
    if (format && *format != TemplateDocument::Format)
        root.problem(QStringLiteral("format"),
                     QStringLiteral("\"%1\" is not \"%2\"").arg(*format, TemplateDocument::Format));
    const std::optional<int> version = root.whole(QStringLiteral("version"), 0, std::numeric_limits<int>::max());
    if (version && *version != TemplateDocument::Version)
        root.problem(QStringLiteral("version"), QStringLiteral("%1 is not known; this program reads version %2")
                                                    .arg(*version)
                                                    .arg(TemplateDocument::Version));
    if (!result.problems.isEmpty())
        return result;
    readBody(root, result.document, result.problems);
    root.finish();
    if (!result.problems.isEmpty())
        result.document = TemplateDocument();
    return result;
}
