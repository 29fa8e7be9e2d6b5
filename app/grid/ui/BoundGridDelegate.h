#pragma once

#include <QStyledItemDelegate>

class BoundGrid;

// The editor of a grid cell: a drop-down list for a value list, a line limited to the
// column's length for text and whole numbers. Check boxes need no editor.
class BoundGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    BoundGridDelegate(BoundGrid* grid, QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    BoundGrid* m_grid;
};
