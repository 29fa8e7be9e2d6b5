#pragma once

#include <QString>
#include <QVariant>

// One item of a delimited file as ReadItem gives it: its kind and its text (without the
// quotes of a quoted item, trimmed for an unquoted one).
struct DelimitedItem {
    enum class Kind { Empty, Text, Number, Boolean, Null };

    Kind kind = Kind::Empty;
    QString text;
    double number = 0; // Number: its value; Boolean: -1 (true) or 0 (false)
    int line = 0;      // the line on which the item starts, from 1

    bool isText(const QString& value) const { return kind == Kind::Text && text == value; }
    // The value as a database column takes it: text, whole or decimal number, -1/0, null.
    QVariant value() const;
};
