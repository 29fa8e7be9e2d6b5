#include "PostgresArray.h"

void PostgresArray::append(const QVariant& value) {
    if (m_size++ > 0)
        m_elements += QLatin1Char(',');
    if (value.isNull()) {
        m_elements += QStringLiteral("NULL");
        return;
    }
    m_elements += QLatin1Char('"');
    for (const QChar c : value.toString()) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            m_elements += QLatin1Char('\\');
        m_elements += c;
    }
    m_elements += QLatin1Char('"');
}

QString PostgresArray::literal() const {
    return QLatin1Char('{') + m_elements + QLatin1Char('}');
}

void PostgresArray::clear() {
    m_elements.clear();
    m_size = 0;
}

QString PostgresArray::literal(const QVariantList& values) {
    PostgresArray array;
    for (const QVariant& value : values)
        array.append(value);
    return array.literal();
}
