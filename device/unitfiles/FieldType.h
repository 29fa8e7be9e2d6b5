#pragma once

#include <QString>

// The type of an entry field. Template files, evaluation files, the template document and the
// database all store it as this whole number, so the values never change.
enum class FieldType : int { Text = 0, Numeric = 1, Dropdown = 2, Date = 3 };

// "Text", "Numeric", "Dropdown" or "Date", as the template document and the phone's page name the
// type; empty for a number that names no type.
inline QString fieldTypeName(FieldType type) {
    switch (type) {
    case FieldType::Text:
        return QStringLiteral("Text");
    case FieldType::Numeric:
        return QStringLiteral("Numeric");
    case FieldType::Dropdown:
        return QStringLiteral("Dropdown");
    case FieldType::Date:
        return QStringLiteral("Date");
    }
    return QString();
}
