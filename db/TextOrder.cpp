#include "TextOrder.h"

namespace TextOrder {

int compare(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded : QString::compare(a, b, Qt::CaseSensitive);
}

} // namespace TextOrder
