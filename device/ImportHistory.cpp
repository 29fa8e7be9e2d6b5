#include "ImportHistory.h"

#include "DeviceTransport.h"
#include "ReceivedRecordLine.h"

#include <QByteArray>

namespace ImportHistory {

namespace {

// Where the web unit keeps its record on the unit: at the root, where no listing looks, one
// line for every evaluation a phone sent.
const QString PhoneRecord = QStringLiteral("\\.kestrivo-webunit\\received.txt");
constexpr qint64 LargestRecord = 64 * 1024 * 1024;

} // namespace

EvaluationHistory::Change imported(qint64 evaluationKey, const QString& fileName, const QString& phoneId) {
    return {evaluationKey,
            EvaluationHistory::Item::Imported,
            0,
            QStringLiteral("Imported from %1").arg(fileName),
            {},
            phoneId.isEmpty() ? QString() : QStringLiteral("sent by phone %1").arg(phoneId),
            {}};
}

QHash<QString, QString> phoneIds(DeviceTransport& unit) {
    QHash<QString, QString> ids;
    const DeviceHandle file = unit.createFile(PhoneRecord, DeviceTransport::ReadMode, false, 0);
    if (file == InvalidDeviceHandle)
        return ids;
    QByteArray text;
    char buffer[65536];
    qint64 read = 0;
    while (text.size() < LargestRecord && unit.readFile(file, buffer, sizeof buffer, read) && read > 0)
        text.append(buffer, read);
    unit.closeHandle(file);
    // The last line may be one that a server is writing at this moment: only whole ones count.
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype index = 0; index + 1 < lines.size(); ++index) {
        if (const std::optional<ReceivedRecordLine> line = ReceivedRecordLine::parsed(lines.at(index)))
            ids.insert(QString::fromLatin1(line->digest), line->id);
    }
    return ids;
}

} // namespace ImportHistory
