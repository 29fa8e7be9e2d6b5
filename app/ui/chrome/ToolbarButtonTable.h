#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <span>

// One button a window's toolbar may carry. The bit selects it in a toolbar mask.
struct ToolbarButtonRow {
    int group;
    quint32 bit;
    const char* key;
    const char* caption;
    const char* imageKey;
    const char* toolTip;
};

// The one table every window builds its toolbar from, in the order the buttons appear.
class ToolbarButtonTable {
public:
    static std::span<const ToolbarButtonRow> rows();
    // The row whose key is the given one; null for keys the table does not hold.
    static const ToolbarButtonRow* find(QStringView key);
    static constexpr int GroupCount = 5;
};
