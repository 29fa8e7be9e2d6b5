#include "BoundGridView.h"

#include "BoundGrid.h"
#include "BoundGridDelegate.h"
#include "GridFocus.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>

BoundGridView::BoundGridView(BoundGrid* grid, QWidget* parent) : QTableView(parent), m_grid(grid) {
    setObjectName(grid->objectName());
    setModel(grid);
    setItemDelegate(new BoundGridDelegate(grid, this));
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Typing into a cell edits it; merely passing over the new row starts no row.
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumWidth(18);
    horizontalHeader()->setHighlightSections(false);
    // Only a grid ordered by an order column reorders its rows; any grid takes what is dragged
    // in from another control.
    setDragEnabled(grid->rowsMovable());
    setAcceptDrops(true);
    setDragDropMode(grid->rowsMovable() ? QAbstractItemView::DragDrop : QAbstractItemView::DropOnly);
    setDropIndicatorShown(true);
    setDragDropOverwriteMode(true);
    GridFocus::watch();
    applyColumns();
    connect(grid, &BoundGrid::layoutApplied, this, &BoundGridView::applyColumns);
    connect(grid, &BoundGrid::currentRowChanged, this, &BoundGridView::showCurrentRow);
    connect(grid, &BoundGrid::rebound, this, [this] { showCurrentRow(m_grid->currentRow()); });
}

void BoundGridView::applyColumns() {
    QHeaderView* header = horizontalHeader();
    const QList<int>& order = m_grid->displayOrder();
    for (int position = 0; position < order.size(); ++position) {
        const int column = order.at(position);
        header->moveSection(header->visualIndex(column), position);
        setColumnHidden(column, !m_grid->column(column).visible);
        setColumnWidth(column, m_grid->column(column).width);
    }
    header->setVisible(m_grid->columnHeadersVisible());
    header->setStretchLastSection(true);
}

void BoundGridView::showCurrentRow(int row) {
    if (m_following)
        return;
    m_following = true;
    if (row < 0) {
        setCurrentIndex(QModelIndex());
    } else {
        int column = currentIndex().isValid() ? currentIndex().column() : -1;
        if (column < 0 || isColumnHidden(column)) {
            for (int candidate : m_grid->displayOrder()) {
                if (!isColumnHidden(candidate)) {
                    column = candidate;
                    break;
                }
            }
        }
        setCurrentIndex(model()->index(row, std::max(column, 0)));
        // The help of the current column is what the status bar shows on entering the grid.
        m_grid->setCurrentColumn(currentIndex().column());
    }
    m_following = false;
}

void BoundGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (m_following)
        return;
    const int row = current.isValid() ? current.row() : -1;
    if (row != m_grid->currentRow() && !m_grid->setCurrentRow(row)) {
        // The row left was refused: it stays current, with what was typed.
        const int stay = m_grid->currentRow();
        QTimer::singleShot(0, this, [this, stay] {
            if (stay >= 0 && stay < model()->rowCount())
                showCurrentRow(stay);
        });
        return;
    }
    if (current.isValid())
        m_grid->setCurrentColumn(current.column());
}

void BoundGridView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && state() != QAbstractItemView::EditingState) {
        m_grid->cancelEdit();
        return;
    }
    QTableView::keyPressEvent(event);
}

void BoundGridView::dragEnterEvent(QDragEnterEvent* event) {
    event->acceptProposedAction();
}

void BoundGridView::dragMoveEvent(QDragMoveEvent* event) {
    event->acceptProposedAction();
}

void BoundGridView::dropEvent(QDropEvent* event) {
    const int row = rowAt(event->position().toPoint().y());
    const int target = row < 0 || m_grid->isNewRowPlaceholder(row) ? 0 : row + 1;
    // Copy, not move: the grid rewrites its own order, and a move would make the view
    // remove the dragged row itself.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (event->mimeData()->data(BoundGrid::RowMimeType) == m_grid->objectName().toUtf8())
        Q_EMIT rowDropped(target);
    else
        Q_EMIT foreignDrop(event->source(), target);
}
