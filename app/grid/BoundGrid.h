#pragma once

#include "Database.h"
#include "GridColumn.h"

#include <QAbstractTableModel>
#include <QList>
#include <functional>

// A grid bound to the rows of one query of one table, with in-place editing. Rows are
// written when the user leaves them (an INSERT for a new row, whose key comes back, or an
// UPDATE of the whole row), so there is no separate save. The window that owns the grid
// keeps its rules in hooks: beforeWrite may change a row's values just before it is
// written, afterWrite runs in the same transaction after it. A value a column refuses, or
// a write that fails, is reported and the row stays in edit with everything typed.
//
// The model holds every declared column, in declaration order; the layout decides which
// of them the view shows, in what order, under which caption and how wide.
class BoundGrid : public QAbstractTableModel {
    Q_OBJECT
public:
    // What a hook sees of the row being written.
    struct RowWrite {
        BoundGrid& grid;
        int row;
        bool isNew;
        int position() const { return row + 1; }
        QVariant value(const QString& column) const { return grid.value(row, column); }
        void setValue(const QString& column, const QVariant& value) { grid.setStoredValue(row, column, value); }
    };

    static inline const QString EntryErrorTitle = QStringLiteral("Entry Error");
    static inline const QString RowGoneMessage =
        QStringLiteral("This row was deleted on another PC before your change could be saved, so the change was not "
                       "saved. The list now shows the rows as they are stored.");

    BoundGrid(const QString& name, QString table, QList<GridColumn> columns, QObject* parent = nullptr);

    // A read-only grid shows its rows but offers no new row and takes no edits.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    // The column that orders the rows on screen, whatever order the query reads them in: by
    // number for whole numbers, alphabetically for text; empty keeps the query's order. A
    // layout may name another; one that names none keeps this.
    void setSortColumn(const QString& column);
    const QString& sortColumn() const { return m_sortColumn; }
    // Rows that the user may drag onto others to reorder them; only a grid with an order
    // column of its own can store a new order.
    void setRowsMovable(bool movable) { m_rowsMovable = movable; }
    bool rowsMovable() const { return m_rowsMovable; }
    void setColumnHeadersVisible(bool visible) { m_columnHeaders = m_builtInHeaders = visible; }
    bool columnHeadersVisible() const { return m_columnHeaders; }

    // Reads the rows of the query (values bound in order); the first row becomes current.
    void bind(const Database& database, const QString& sql, const QVariantList& values = {});
    // Reads the same query again.
    void requery();
    // No rows and no new row: the grid is bound to nothing.
    void unbind();
    bool isBound() const { return m_bound; }

    const QString& table() const { return m_table; }
    const QString& keyColumn() const { return m_keyColumn; }
    const QList<GridColumn>& columns() const { return m_columns; }
    const GridColumn& column(int index) const { return m_columns.at(index); }
    int columnIndex(const QString& column) const;

    // Rows: the stored ones and the rows being added, then (unless read-only) the empty
    // new row to type into.
    int dataRowCount() const { return int(m_rows.size()); }
    bool isNewRowPlaceholder(int row) const { return row == dataRowCount() && hasNewRowPlaceholder(); }
    bool hasNewRowPlaceholder() const { return isBound() && !m_readOnly; }
    QVariant value(int row, const QString& column) const;
    // Changes a value as typing does: the row becomes pending and is written when left.
    // Returns false when the grid takes no edits there.
    bool setValue(int row, const QString& column, const QVariant& value);
    // The database key of the row; null while the row has not been written.
    QVariant key(int row) const;
    bool isSaved(int row) const { return !key(row).isNull(); }
    bool isPending(int row) const;
    // The row whose key is given; -1 when no row has it.
    int rowOfKey(const QVariant& key) const;

    int currentRow() const { return m_currentRow; }
    int currentColumn() const { return m_currentColumn; }
    // Moves to another row, writing the row left when it changed. False, and the row left
    // stays current, when that write was refused or failed.
    bool setCurrentRow(int row);
    void setCurrentColumn(int column);
    // The help text of the current column.
    QString currentHelp() const;

    // Writes the current row when it holds changes. False when it was refused or failed;
    // the row then stays current and keeps its values.
    bool commit();
    // Gives up the changes of the current row: a row being added goes away.
    void cancelEdit();

    std::function<void(RowWrite&)> beforeWrite;
    std::function<void(RowWrite&)> afterWrite;

    // Applies a layout file; false, leaving the built-in set-up, when it is missing,
    // unreadable, malformed or names a column the grid does not have.
    bool applyLayout(const QString& path);
    // The columns in the order the view shows them (hidden ones included).
    const QList<int>& displayOrder() const { return m_displayOrder; }

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A dragged row carries the grid's name, so a view can tell its own rows from anything
    // dragged in from another control.
    static inline const QString RowMimeType = QStringLiteral("application/x-kestrivo-grid-row");
    QStringList mimeTypes() const override { return {RowMimeType}; }
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    // The view submits when its current row changes; rows are written by setCurrentRow.
    bool submit() override { return true; }

Q_SIGNALS:
    void currentRowChanged(int row);
    void currentColumnChanged(int column);
    void rowWritten(int row, bool wasNew);
    void rebound();
    void layoutApplied();

private:
    struct Row {
        QVariantList values;
        QVariantList original;
        bool pending = false;
    };

    void load();
    void sortRows();
    void setStoredValue(int row, const QString& column, const QVariant& value);
    QVariantList newRowValues() const;
    int startNewRow();
    // The refusal message for the values the user changed in the row, or empty text when every
    // one is accepted. What the row held before is not the user's to answer for: a row whose
    // stored order outgrew its column must still take a new label.
    QString refusal(const Row& row) const;
    bool write(int row);
    // False when the row to update is no longer stored.
    bool writeRow(int row);

    QString m_table;
    QString m_keyColumn;
    QList<GridColumn> m_columns;
    QList<GridColumn> m_builtIn;
    QList<int> m_displayOrder;
    QString m_sortColumn;
    QString m_builtInSort;
    bool m_readOnly = false;
    bool m_rowsMovable = false;
    bool m_columnHeaders = true;
    bool m_builtInHeaders = true;

    Database m_database;
    bool m_bound = false;
    QString m_sql;
    QVariantList m_values;
    QList<Row> m_rows;
    int m_currentRow = -1;
    int m_currentColumn = -1;
};
