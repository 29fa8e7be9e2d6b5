#include "ToolbarButtonTable.h"

#include <array>

namespace {

constexpr std::array<ToolbarButtonRow, 27> Table{{
    {1, 0x10, "Exit", "Exit", "Exit", "Exit Form"},
    {1, 0x8, "Save", "Save", "Save", "Save Record"},
    {1, 0x40000, "Wizard", "Wiz", "Wizard", "Help Wizard"},
    {2, 0x2, "Add", "Add", "Add", "Add Record"},
    {2, 0x4, "Remove", "Del", "Remove", "Delete Record"},
    {2, 0x2000000, "RemoveQuestion", "Del Q", "RemoveQuestion", "Delete Question"},
    {2, 0x4000000, "RemoveAnswer", "Del A", "RemoveAnswer", "Delete Answer"},
    {2, 0x8000000, "RemoveList", "Del L", "RemoveList", "Delete from List"},
    {2, 0x800, "AddSame", "Same", "AddSame", "Add Same Record"},
    {3, 0x80, "BOF", "BOF", "BFile", "Goto Beginning of File"},
    {3, 0x100, "Previous", "Prev", "PRecord", "Previous Record"},
    {3, 0x200, "Next", "Next", "NRecord", "Next Record"},
    {3, 0x400, "EOF", "EOF", "EFile", "Goto End of File"},
    {4, 0x20, "Info", "Info", "Info", "Information"},
    {4, 0x40, "Find", "Find", "Lookup", "Find Record"},
    {4, 0x20000, "Group", "Group", "Group", "Option Group"},
    {4, 0x80000, "Download", "Down", "Download", "Download"},
    {4, 0x100000, "Upload", "Upload", "Upload", "Upload"},
    {4, 0x800000, "Website", "Web", "Website", "Load Website"},
    {5, 0x2000, "Cut", "Cut", "Cut", "Cut Data"},
    {5, 0x4000, "Paste", "Paste", "Paste", "Paste Data"},
    {5, 0x8000, "Undo", "Undo", "Undo", "Undo Change"},
    {5, 0x1000, "Print", "Print", "Print", "Print Data"},
    {5, 0x400000, "PrintPreview", "Prevw", "PrintPreview", "Preview Print Data"},
    {5, 0x10000, "Copy", "Copy", "Copy", "Copy Data"},
    {5, 0x200000, "Void", "Void", "Void", "Void Entry"},
    {5, 0x1000000, "Refresh", "Refresh", "Refresh", "Refresh Page"},
}};

} // namespace

std::span<const ToolbarButtonRow> ToolbarButtonTable::rows() {
    return Table;
}

const ToolbarButtonRow* ToolbarButtonTable::find(QStringView key) {
    for (const ToolbarButtonRow& row : Table)
        if (key == QLatin1String(row.key))
            return &row;
    return nullptr;
}
