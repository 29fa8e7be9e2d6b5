#include "DelimitedItem.h"

QVariant DelimitedItem::value() const {
    switch (kind) {
    case Kind::Null:
        return QVariant(QMetaType(QMetaType::QString));
    case Kind::Empty:
    case Kind::Text:
    case Kind::Number:
        return text;
    case Kind::Boolean:
        return int(number);
    }
    return QVariant();
}
