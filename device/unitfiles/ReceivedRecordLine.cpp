#include "ReceivedRecordLine.h"

#include <QCryptographicHash>
#include <QList>

namespace {

QByteArray checkOf(const QByteArray& content) {
    return QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex().left(16);
}

} // namespace

QByteArray ReceivedRecordLine::text() const {
    const QByteArray content = id.toUtf8() + '\t' + digest + '\t' + fileName.toUtf8() + '\t' + staged.toUtf8();
    return content + '\t' + checkOf(content) + '\n';
}

std::optional<ReceivedRecordLine> ReceivedRecordLine::parsed(const QByteArray& text) {
    const QList<QByteArray> parts = text.split('\t');
    if (parts.size() == 3 && !parts.at(0).isEmpty())
        return ReceivedRecordLine{QString::fromUtf8(parts.at(0)), parts.at(1), QString::fromUtf8(parts.at(2)), {}};
    if (parts.size() != 5 || parts.at(0).isEmpty() || checkOf(text.left(text.lastIndexOf('\t'))) != parts.at(4))
        return std::nullopt;
    return ReceivedRecordLine{QString::fromUtf8(parts.at(0)), parts.at(1), QString::fromUtf8(parts.at(2)),
                              QString::fromUtf8(parts.at(3))};
}
