#include "DelimitedItemReader.h"

#include "KestrivoError.h"
#include "Windows1252.h"

#include <QLocale>
#include <cmath>

namespace {

bool isBlank(char character) {
    return character == ' ' || character == '\t';
}

bool isLineEnd(char character) {
    return character == '\r' || character == '\n';
}

DelimitedItem typed(const QByteArray& raw, int line) {
    DelimitedItem item;
    item.line = line;
    item.text = Windows1252::decode(raw);
    if (raw.isEmpty()) {
        item.kind = DelimitedItem::Kind::Empty;
    } else if (raw == "#TRUE#" || raw == "#FALSE#") {
        item.kind = DelimitedItem::Kind::Boolean;
        item.number = raw == "#TRUE#" ? -1 : 0;
    } else if (raw == "#NULL#") {
        item.kind = DelimitedItem::Kind::Null;
    } else {
        bool ok = false;
        const double number = QLocale::c().toDouble(item.text, &ok);
        item.kind = ok && std::isfinite(number) ? DelimitedItem::Kind::Number : DelimitedItem::Kind::Text;
        item.number = item.kind == DelimitedItem::Kind::Number ? number : 0;
    }
    return item;
}

} // namespace

DelimitedItemReader::DelimitedItemReader(QByteArray bytes) : m_bytes(std::move(bytes)) {}

bool DelimitedItemReader::atLineEnd() const {
    return m_position < m_bytes.size() && isLineEnd(m_bytes.at(m_position));
}

void DelimitedItemReader::skipLineEnd() {
    if (m_bytes.at(m_position) == '\r' && m_position + 1 < m_bytes.size() && m_bytes.at(m_position + 1) == '\n')
        ++m_position;
    ++m_position;
    ++m_line;
}

void DelimitedItemReader::skipBlanks() {
    while (m_position < m_bytes.size() && isBlank(m_bytes.at(m_position)))
        ++m_position;
}

bool DelimitedItemReader::atEnd() {
    skipBlanks();
    return m_position >= m_bytes.size();
}

void DelimitedItemReader::skipSeparator() {
    skipBlanks();
    if (m_position >= m_bytes.size())
        return;
    if (m_bytes.at(m_position) == ',')
        ++m_position;
    else if (atLineEnd())
        skipLineEnd();
}

DelimitedItem DelimitedItemReader::ReadItem() {
    if (atEnd())
        throw KestrivoError(ErrorNumber::InputPastEndOfFile, QStringLiteral("Input past end of file"));
    const int line = m_line;
    const char first = m_bytes.at(m_position);
    if (first == ',' || isLineEnd(first)) {
        skipSeparator();
        DelimitedItem empty;
        empty.line = line;
        return empty;
    }
    if (first == '"') {
        const qsizetype close = m_bytes.indexOf('"', m_position + 1);
        if (close < 0)
            throw KestrivoError(
                ErrorNumber::General,
                QStringLiteral("The double quote that opens an item on line %1 is never closed.").arg(line));
        const QByteArray raw = m_bytes.mid(m_position + 1, close - m_position - 1);
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw.at(i) == '\n' || (raw.at(i) == '\r' && (i + 1 >= raw.size() || raw.at(i + 1) != '\n')))
                ++m_line;
        }
        m_position = close + 1;
        skipBlanks();
        if (m_position < m_bytes.size() && m_bytes.at(m_position) != ',' && !atLineEnd())
            throw KestrivoError(
                ErrorNumber::General,
                QStringLiteral("Text follows the closing double quote of an item on line %1.").arg(m_line));
        skipSeparator();
        DelimitedItem item;
        item.kind = DelimitedItem::Kind::Text;
        item.text = Windows1252::decode(raw);
        item.line = line;
        return item;
    }
    const qsizetype start = m_position;
    while (m_position < m_bytes.size() && m_bytes.at(m_position) != ',' && !atLineEnd())
        ++m_position;
    QByteArray raw = m_bytes.mid(start, m_position - start);
    while (!raw.isEmpty() && isBlank(raw.back()))
        raw.chop(1);
    skipSeparator();
    return typed(raw, line);
}
