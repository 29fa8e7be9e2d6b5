#pragma once

#include <QTableView>

class BoundGrid;

// Shows a BoundGrid and forwards what the user does: edits (with an editor per column kind),
// moving to another row or column, entering and leaving the grid (GridFocus tells), and
// dropping a row on another (or an item dragged in from elsewhere). Rules stay with the grid
// and its window.
class BoundGridView : public QTableView {
    Q_OBJECT
public:
    explicit BoundGridView(BoundGrid* grid, QWidget* parent = nullptr);

    BoundGrid* grid() const { return m_grid; }

Q_SIGNALS:
    void entered();
    void left();
    // A row was dropped on row target (1-based; 0 when dropped below the last row).
    void rowDropped(int target);
    // Something dragged from another control was dropped on the grid.
    void foreignDrop(QObject* source, int target);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void applyColumns();
    void showCurrentRow(int row);

    BoundGrid* m_grid;
    bool m_following = false;
};
