#include "FieldText.h"

QString FieldText(const QVariant& value, int length, bool trim) {
    if (!value.isValid() || value.isNull())
        return {};
    QString text;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
        text = QString::number(value.toLongLong());
        break;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
        text = QString::number(value.toULongLong());
        break;
    default:
        text = value.toString();
    }
    if (length != 0)
        text = text.left(length);
    return trim ? text.trimmed() : text;
}
