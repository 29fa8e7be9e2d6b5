#include "BoundGridDelegate.h"

#include "BoundGrid.h"

#include <QComboBox>
#include <QLineEdit>

BoundGridDelegate::BoundGridDelegate(BoundGrid* grid, QObject* parent) : QStyledItemDelegate(parent), m_grid(grid) {}

QWidget* BoundGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    const GridColumn& column = m_grid->column(index.column());
    if (column.kind == GridColumn::Kind::CheckBox)
        return nullptr;
    if (column.kind == GridColumn::Kind::ValueList) {
        auto* list = new QComboBox(parent);
        for (const GridValueItem& item : column.valueList)
            list->addItem(item.text, item.value);
        // The value is taken as soon as it is chosen, as in a drop-down cell.
        connect(list, &QComboBox::activated, this, [this, list] {
            auto* self = const_cast<BoundGridDelegate*>(this);
            Q_EMIT self->commitData(list);
        });
        return list;
    }
    // The editor takes whatever is typed or pasted: a value longer than the column holds is
    // refused with the column's limit when the row is written, not cut short unseen.
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void BoundGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (auto* list = qobject_cast<QComboBox*>(editor)) {
        const QString stored = index.data(Qt::EditRole).toString();
        list->setCurrentIndex(-1);
        for (int i = 0; i < list->count(); ++i) {
            if (list->itemData(i).toString() == stored)
                list->setCurrentIndex(i);
        }
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void BoundGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    if (auto* list = qobject_cast<QComboBox*>(editor)) {
        if (list->currentIndex() >= 0)
            model->setData(index, list->currentData(), Qt::EditRole);
        return;
    }
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        model->setData(index, line->text(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}
