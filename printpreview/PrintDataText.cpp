#include "PrintDataText.h"

namespace {

bool isNumeric(const QString& text) {
    bool ok = false;
    text.trimmed().toDouble(&ok);
    return ok;
}

} // namespace

QString printDataText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    const QString text = value.toString();
    if (isNumeric(text) && !text.contains(QLatin1Char('.')))
        return text.trimmed();
    return text;
}
