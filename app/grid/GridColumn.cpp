#include "GridColumn.h"

#include "FieldText.h"

QString GridColumn::shownText(const QVariant& value) const {
    if (kind == Kind::ValueList) {
        for (const GridValueItem& item : valueList) {
            // Whole numbers arrive as int or long long depending on the engine.
            if (item.value.toString() == value.toString())
                return item.text;
        }
    }
    return FieldText(value);
}
