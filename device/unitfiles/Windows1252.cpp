#include "Windows1252.h"

namespace Windows1252 {

namespace {

// Characters of the bytes 0x80 to 0x9F; the undefined bytes keep their own number.
constexpr char16_t High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                               0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                               0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int byteOf(QChar character) {
    const char16_t code = character.unicode();
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return code;
    for (int i = 0; i < 32; ++i) {
        if (High[i] == code)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

QString decode(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        out[i] = (byte >= 0x80 && byte < 0xA0) ? QChar(High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QByteArray encode(const QString& text, bool* ok) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int byte = byteOf(text.at(i));
        if (byte < 0) {
            *ok = false;
            return QByteArray();
        }
        bytes[i] = static_cast<char>(byte);
    }
    *ok = true;
    return bytes;
}

QString firstUnencodable(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (byteOf(text.at(i)) >= 0)
            continue;
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        return text.mid(i, pair ? 2 : 1);
    }
    return QString();
}

} // namespace Windows1252
