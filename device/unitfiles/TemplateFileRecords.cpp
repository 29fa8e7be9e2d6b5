#include "TemplateFileRecords.h"

#include "KestrivoError.h"
#include "Windows1252.h"

namespace {

void appendLine(QByteArray& bytes, const QString& line) {
    if (line.isEmpty())
        return;
    bool ok = false;
    bytes += Windows1252::encode(line, &ok);
    bytes += "\r\n";
}

} // namespace

TemplateFileRecords& TemplateFileRecords::record(char type) {
    appendLine(m_bytes, m_line);
    m_line = QStringLiteral("\"%1\"").arg(QLatin1Char(type));
    return *this;
}

TemplateFileRecords& TemplateFileRecords::number(qint64 value) {
    m_line += QLatin1Char(',') + QString::number(value);
    return *this;
}

TemplateFileRecords& TemplateFileRecords::text(const QString& value) {
    const QString missing = Windows1252::firstUnencodable(value);
    if (!missing.isEmpty())
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("The text \"%1\" holds the character \"%2\", which the handheld unit "
                                           "cannot show. Change the text, then upload again.")
                                .arg(value, missing));
    m_line += QStringLiteral(",\"") + value + QLatin1Char('"');
    return *this;
}

QByteArray TemplateFileRecords::bytes() const {
    QByteArray bytes = m_bytes;
    appendLine(bytes, m_line);
    return bytes;
}
