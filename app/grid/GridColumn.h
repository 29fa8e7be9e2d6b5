#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// One entry of a value list: the text the grid shows and the value the database stores.
struct GridValueItem {
    QString text;
    QVariant value;
};

// A column of a bound grid, declared as data: what it shows, what it stores, what it
// accepts and what the status bar says while it is current.
struct GridColumn {
    enum class Kind { Text, WholeNumber, ValueList, CheckBox };

    QString caption;
    QString column; // the database column the grid reads and writes
    bool visible = true;
    QVariant defaultValue; // given to a new row when the user starts it
    int maxLength = 0;     // characters of a text, digits of a whole number; 0 for no limit
    QString help;          // the status bar's text while the column is current
    QString toolTip;       // the header's tool tip; empty gives the caption
    Kind kind = Kind::Text;
    QList<GridValueItem> valueList;
    bool stored = true; // false for a column a join adds, which is shown but never written
    int width = 80;     // pixels on screen

    QString headerToolTip() const { return toolTip.isEmpty() ? caption : toolTip; }
    // The value list's text for a stored value; the value's own text when the list has none.
    QString shownText(const QVariant& value) const;
};
