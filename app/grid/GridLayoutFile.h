#pragma once

#include "GridColumn.h"

#include <QList>
#include <QString>
#include <optional>

// A grid's stored arrangement: a JSON document in the layout folder that the program only
// reads. Columns are named by their database column and listed in the order the grid
// shows them; what a file leaves out keeps the grid's built-in set-up.
//
//   { "grid": "jgAnswer", "columnHeaders": true, "sort": "Sequence",
//     "columns": [ { "column": "Answer", "caption": "Answer", "visible": true, "width": 260 }, ... ] }
struct GridLayoutFile {
    struct Column {
        int index = -1; // into the grid's declared columns
        std::optional<QString> caption;
        std::optional<bool> visible;
        std::optional<int> width;
    };
    QList<Column> columns;
    std::optional<QString> sortColumn;
    std::optional<bool> columnHeaders;

    // Nothing when the file is missing, unreadable or malformed, or names a column that is
    // not among the grid's columns.
    static std::optional<GridLayoutFile> read(const QString& path, const QList<GridColumn>& columns);
};
