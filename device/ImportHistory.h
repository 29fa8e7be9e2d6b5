#pragma once

#include "EvaluationHistory.h"

#include <QHash>
#include <QString>

class DeviceTransport;

// What the history says of an evaluation that an import added, and which phone sent the files
// that came through the web unit.
namespace ImportHistory {

EvaluationHistory::Change imported(qint64 evaluationKey, const QString& fileName, const QString& phoneId);

// The phones' ids of the evaluation files on the unit that the web unit received, by the
// SHA-256 of each file (hex); empty when no phone sent any.
QHash<QString, QString> phoneIds(DeviceTransport& unit);

} // namespace ImportHistory
