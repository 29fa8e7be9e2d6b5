#include "TemplateFileReader.h"

#include "DelimitedItemReader.h"
#include "KestrivoError.h"

#include <QList>

namespace {

[[noreturn]] void refuse(int line, const QString& what) {
    throw KestrivoError(ErrorNumber::General, QStringLiteral("Template file line %1: %2").arg(line).arg(what));
}

QList<DelimitedItem> itemsOf(const QByteArray& line, int number) {
    DelimitedItemReader reader(line);
    QList<DelimitedItem> items;
    try {
        while (!reader.atEnd())
            items << reader.ReadItem();
    } catch (const KestrivoError& error) {
        refuse(number, error.description());
    }
    return items;
}

qint32 numberAt(const QList<DelimitedItem>& items, int index, int line) {
    const DelimitedItem& item = items.at(index);
    if (item.kind != DelimitedItem::Kind::Number || item.number != qint32(item.number))
        refuse(line, QStringLiteral("item %1 (\"%2\") is not a whole number.").arg(index + 1).arg(item.text));
    return qint32(item.number);
}

} // namespace

UnitTemplate TemplateFileReader::read(const QByteArray& bytes) {
    UnitTemplate result;
    bool seenHeader = false;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int index = 0; index < lines.size(); ++index) {
        const int line = index + 1;
        QByteArray text = lines.at(index);
        if (text.endsWith('\r'))
            text.chop(1);
        if (text.trimmed().isEmpty())
            continue;
        const QList<DelimitedItem> items = itemsOf(text, line);
        const QString type = items.first().kind == DelimitedItem::Kind::Text ? items.first().text : QString();
        static const QList<QPair<QString, int>> Sizes{{"H", 2}, {"N", 2}, {"F", 8}, {"V", 3},
                                                      {"Q", 3}, {"A", 2}, {"P", 3}};
        int size = 0;
        for (const auto& [name, count] : Sizes) {
            if (name == type)
                size = count;
        }
        if (size == 0)
            refuse(line, QStringLiteral("\"%1\" is not a template record.").arg(items.first().text));
        if (items.size() < size)
            refuse(
                line,
                QStringLiteral("the \"%1\" record has %2 items instead of %3.").arg(type).arg(items.size()).arg(size));
        if (!seenHeader && type != QLatin1String("H"))
            refuse(line, QStringLiteral("the file does not start with the \"H\" record."));
        if (type == QLatin1String("H")) {
            result.templateKey = numberAt(items, 1, line);
            seenHeader = true;
        } else if (type == QLatin1String("N")) {
            result.fileNameFields << numberAt(items, 1, line);
        } else if (type == QLatin1String("F")) {
            UnitTemplate::Field field;
            field.key = numberAt(items, 1, line);
            field.label = items.at(2).text;
            field.type = FieldType(numberAt(items, 3, line));
            field.length = numberAt(items, 4, line);
            field.forced = numberAt(items, 6, line) != 0;
            field.group = numberAt(items, 7, line) != 0;
            result.fields << field;
        } else if (type == QLatin1String("V")) {
            if (result.fields.isEmpty() || result.fields.last().type != FieldType::Dropdown)
                refuse(line, QStringLiteral("a \"V\" record follows no dropdown field."));
            result.fields.last().values.append({items.at(1).text, numberAt(items, 2, line)});
        } else if (type == QLatin1String("Q")) {
            result.questions.append({numberAt(items, 1, line), items.at(2).text, {}, {}});
        } else {
            if (result.questions.isEmpty())
                refuse(line, QStringLiteral("the \"%1\" record follows no question.").arg(type));
            if (type == QLatin1String("A"))
                result.questions.last().answers << items.at(1).text;
            else
                result.questions.last().pickLists.append({numberAt(items, 1, line), items.at(2).text});
        }
    }
    if (!seenHeader)
        refuse(1, QStringLiteral("the file holds no \"H\" record."));
    return result;
}
