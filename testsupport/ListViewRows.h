#pragma once

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QList>
#include <QString>

// What a list view over a model shows, read the way a user reads it: its lines by row.
namespace ListViewRows {

inline int count(const QAbstractItemView* view) {
    return view->model()->rowCount();
}

inline QString text(const QAbstractItemView* view, int row) {
    return view->model()->index(row, 0).data().toString();
}

// The rows whose line starts with the text, top to bottom.
inline QList<int> rowsStartingWith(const QAbstractItemView* view, const QString& start) {
    QList<int> rows;
    for (int row = 0; row < count(view); ++row)
        if (text(view, row).startsWith(start))
            rows << row;
    return rows;
}

inline qsizetype selectedCount(const QAbstractItemView* view) {
    return view->selectionModel()->selectedRows().size();
}

} // namespace ListViewRows
