#include "BoundGrid.h"

#include "FieldText.h"
#include "GridLayoutFile.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "Prompter.h"
#include "TextOrder.h"

#include <QMimeData>
#include <QSqlRecord>
#include <algorithm>

namespace {

bool sameValue(const QVariant& a, const QVariant& b) {
    return a.isNull() == b.isNull() && a.toString() == b.toString();
}

bool isWholeNumberText(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

BoundGrid::BoundGrid(const QString& name, QString table, QList<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_table(std::move(table)), m_keyColumn(m_table + QStringLiteral("Key")),
      m_columns(std::move(columns)), m_builtIn(m_columns) {
    setObjectName(name);
    for (int i = 0; i < m_columns.size(); ++i)
        m_displayOrder.append(i);
}

void BoundGrid::setReadOnly(bool readOnly) {
    if (readOnly == m_readOnly)
        return;
    beginResetModel();
    m_readOnly = readOnly;
    endResetModel();
    // The new row may have been the current one.
    const int current = std::min(m_currentRow, rowCount() - 1);
    Q_EMIT rebound();
    if (current != m_currentRow) {
        m_currentRow = current;
        Q_EMIT currentRowChanged(m_currentRow);
    }
}

void BoundGrid::setSortColumn(const QString& column) {
    m_sortColumn = column;
    m_builtInSort = column;
}

int BoundGrid::columnIndex(const QString& column) const {
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).column.compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void BoundGrid::bind(const Database& database, const QString& sql, const QVariantList& values) {
    m_database = database;
    m_sql = sql;
    m_values = values;
    load();
}

void BoundGrid::requery() {
    if (m_bound)
        load();
}

void BoundGrid::unbind() {
    beginResetModel();
    m_bound = false;
    m_rows.clear();
    m_currentRow = -1;
    endResetModel();
    Q_EMIT rebound();
    Q_EMIT currentRowChanged(m_currentRow);
}

void BoundGrid::load() {
    QList<Row> rows;
    QSqlQuery query = m_database.query(m_sql, m_values);
    QList<int> fields;
    const QSqlRecord record = query.record();
    for (const GridColumn& column : m_columns)
        fields.append(record.indexOf(column.column));
    while (query.next()) {
        Row row;
        for (int field : fields)
            row.values.append(field < 0 ? QVariant() : query.value(field));
        row.original = row.values;
        rows.append(row);
    }
    beginResetModel();
    m_bound = true;
    m_rows = rows;
    sortRows();
    m_currentRow = rowCount() > 0 ? 0 : -1;
    endResetModel();
    Q_EMIT rebound();
    Q_EMIT currentRowChanged(m_currentRow);
}

void BoundGrid::sortRows() {
    const int column = columnIndex(m_sortColumn);
    if (column < 0)
        return;
    if (m_columns.at(column).kind == GridColumn::Kind::Text) {
        TextOrder::sort(m_rows, [column](const Row& row) { return FieldText(row.values.at(column)); });
        return;
    }
    std::stable_sort(m_rows.begin(), m_rows.end(), [column](const Row& a, const Row& b) {
        return a.values.at(column).toLongLong() < b.values.at(column).toLongLong();
    });
}

QVariant BoundGrid::value(int row, const QString& column) const {
    const int index = columnIndex(column);
    if (row < 0 || row >= dataRowCount() || index < 0)
        return QVariant();
    return m_rows.at(row).values.at(index);
}

QVariant BoundGrid::key(int row) const {
    return value(row, m_keyColumn);
}

bool BoundGrid::isPending(int row) const {
    return row >= 0 && row < dataRowCount() && m_rows.at(row).pending;
}

int BoundGrid::rowOfKey(const QVariant& key) const {
    if (key.isNull())
        return -1;
    for (int row = 0; row < dataRowCount(); ++row) {
        if (sameValue(this->key(row), key))
            return row;
    }
    return -1;
}

QVariantList BoundGrid::newRowValues() const {
    QVariantList values;
    for (const GridColumn& column : m_columns) {
        if (column.defaultValue.isValid())
            values.append(column.defaultValue);
        else if (column.kind == GridColumn::Kind::Text && column.column != m_keyColumn)
            values.append(QString(QLatin1String("")));
        else
            values.append(QVariant());
    }
    return values;
}

int BoundGrid::startNewRow() {
    // The row typed into takes the new row's place and a fresh new row follows it.
    const int row = dataRowCount();
    beginInsertRows(QModelIndex(), row + 1, row + 1);
    Row added;
    added.values = newRowValues();
    added.original = added.values;
    added.pending = true;
    m_rows.append(added);
    endInsertRows();
    Q_EMIT headerDataChanged(Qt::Vertical, row, row + 1);
    return row;
}

bool BoundGrid::setValue(int row, const QString& column, const QVariant& value) {
    const int index = columnIndex(column);
    if (m_readOnly || !m_bound || index < 0 || row < 0 || row > dataRowCount() || column == m_keyColumn)
        return false;
    if (isNewRowPlaceholder(row)) {
        // An editor closed on the new row without anything typed starts no row.
        if (FieldText(value).isEmpty())
            return true;
        startNewRow();
    }
    Row& target = m_rows[row];
    QVariant typed = value;
    if (m_columns.at(index).kind == GridColumn::Kind::CheckBox)
        typed = value.toInt() != 0 || value.toBool() ? -1 : 0;
    else if (m_columns.at(index).kind != GridColumn::Kind::ValueList && typed.isNull())
        typed = QString(QLatin1String(""));
    if (sameValue(target.values.at(index), typed) && !(target.pending && key(row).isNull()))
        return true;
    target.values[index] = typed;
    target.pending = true;
    Q_EMIT dataChanged(this->index(row, index), this->index(row, index));
    Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    return true;
}

void BoundGrid::setStoredValue(int row, const QString& column, const QVariant& value) {
    const int index = columnIndex(column);
    if (index < 0 || row < 0 || row >= dataRowCount())
        return;
    m_rows[row].values[index] = value;
    Q_EMIT dataChanged(this->index(row, index), this->index(row, index));
}

bool BoundGrid::setCurrentRow(int row) {
    if (row == m_currentRow)
        return true;
    if (isPending(m_currentRow) && !write(m_currentRow))
        return false;
    m_currentRow = std::clamp(row, rowCount() > 0 ? 0 : -1, rowCount() - 1);
    Q_EMIT currentRowChanged(m_currentRow);
    return true;
}

void BoundGrid::setCurrentColumn(int column) {
    if (column == m_currentColumn)
        return;
    m_currentColumn = column;
    Q_EMIT currentColumnChanged(column);
}

QString BoundGrid::currentHelp() const {
    if (m_currentColumn < 0 || m_currentColumn >= m_columns.size())
        return QString();
    return m_columns.at(m_currentColumn).help;
}

bool BoundGrid::commit() {
    return !isPending(m_currentRow) || write(m_currentRow);
}

void BoundGrid::cancelEdit() {
    if (!isPending(m_currentRow))
        return;
    const int row = m_currentRow;
    if (key(row).isNull()) {
        // The view moves off a row that goes away, which would write it: it is no longer
        // pending by then.
        m_rows[row].pending = false;
        beginRemoveRows(QModelIndex(), row, row);
        m_rows.removeAt(row);
        endRemoveRows();
        m_currentRow = std::min(row, rowCount() - 1);
        Q_EMIT currentRowChanged(m_currentRow);
        return;
    }
    m_rows[row].values = m_rows.at(row).original;
    m_rows[row].pending = false;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

QString BoundGrid::refusal(const Row& row) const {
    for (int i = 0; i < m_columns.size(); ++i) {
        const GridColumn& column = m_columns.at(i);
        const QVariant& value = row.values.at(i);
        if (!column.stored || column.column == m_keyColumn || value.isNull() || sameValue(value, row.original.at(i)))
            continue;
        const QString text = value.toString();
        switch (column.kind) {
        case GridColumn::Kind::Text:
            if (column.maxLength > 0 && text.size() > column.maxLength)
                return QStringLiteral("%1 can hold at most %2 characters; it holds %3.")
                    .arg(column.caption)
                    .arg(column.maxLength)
                    .arg(text.size());
            break;
        case GridColumn::Kind::WholeNumber:
            if (!isWholeNumberText(text) || (column.maxLength > 0 && text.size() > column.maxLength))
                return column.maxLength > 0
                           ? QStringLiteral("%1 must be a whole number of at most %2 digits, not \"%3\".")
                                 .arg(column.caption)
                                 .arg(column.maxLength)
                                 .arg(text)
                           : QStringLiteral("%1 must be a whole number, not \"%2\".").arg(column.caption, text);
            break;
        case GridColumn::Kind::ValueList:
            if (std::none_of(column.valueList.begin(), column.valueList.end(),
                             [&](const GridValueItem& item) { return sameValue(item.value, value); })) {
                QStringList shown;
                for (const GridValueItem& item : column.valueList)
                    shown << item.text;
                return QStringLiteral("%1 must be one of: %2.").arg(column.caption, shown.join(QStringLiteral(", ")));
            }
            break;
        case GridColumn::Kind::CheckBox:
            break;
        }
    }
    return QString();
}

bool BoundGrid::write(int row) {
    const QString problem = refusal(m_rows.at(row));
    if (!problem.isEmpty()) {
        programPrompter().inform(problem, EntryErrorTitle, PromptIcon::Critical);
        return false;
    }
    bool gone = false;
    const bool written = guarded(QString(), [this, row, &gone] { gone = !writeRow(row); });
    if (gone) {
        programPrompter().inform(RowGoneMessage, EntryErrorTitle, PromptIcon::Critical);
        requery();
        return false;
    }
    return written;
}

bool BoundGrid::writeRow(int row) {
    RowWrite write{*this, row, key(row).isNull()};
    // Rules that ask the user run before the transaction, so no box waits with it open.
    if (beforeWrite)
        beforeWrite(write);
    QStringList columns;
    QVariantList values;
    for (int i = 0; i < m_columns.size(); ++i) {
        const GridColumn& column = m_columns.at(i);
        if (!column.stored || column.column == m_keyColumn)
            continue;
        QVariant value = m_rows.at(row).values.at(i);
        if (column.kind == GridColumn::Kind::WholeNumber && !value.isNull())
            value = value.toLongLong();
        columns << column.column;
        values << value;
    }
    QVariant newKey;
    {
        Transaction transaction(m_database);
        if (write.isNew) {
            newKey = m_database.insert(m_table, columns, values);
        } else {
            values << key(row);
            const QSqlQuery update =
                m_database.query(QStringLiteral("UPDATE %1 SET %2=? WHERE %3=?")
                                     .arg(m_table, columns.join(QStringLiteral("=?, ")), m_keyColumn),
                                 values);
            // Another PC deleted the row in between; the transaction rolls back untouched.
            if (update.numRowsAffected() == 0)
                return false;
        }
        if (write.isNew)
            m_rows[row].values[columnIndex(m_keyColumn)] = newKey;
        try {
            if (afterWrite)
                afterWrite(write);
            transaction.commit();
        } catch (...) {
            if (write.isNew)
                m_rows[row].values[columnIndex(m_keyColumn)] = QVariant();
            throw;
        }
    }
    m_rows[row].pending = false;
    m_rows[row].original = m_rows.at(row).values;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    Q_EMIT rowWritten(row, write.isNew);
    return true;
}

bool BoundGrid::applyLayout(const QString& path) {
    const QVariant currentKey = key(m_currentRow);
    m_columns = m_builtIn;
    m_sortColumn = m_builtInSort;
    m_columnHeaders = m_builtInHeaders;
    m_displayOrder.clear();
    const std::optional<GridLayoutFile> layout = GridLayoutFile::read(path, m_builtIn);
    if (layout) {
        for (const GridLayoutFile::Column& entry : layout->columns) {
            GridColumn& column = m_columns[entry.index];
            column.caption = entry.caption.value_or(column.caption);
            column.visible = entry.visible.value_or(column.visible);
            column.width = entry.width.value_or(column.width);
            m_displayOrder.append(entry.index);
        }
        if (layout->sortColumn && !layout->sortColumn->isEmpty())
            m_sortColumn = *layout->sortColumn;
        m_columnHeaders = layout->columnHeaders.value_or(m_columnHeaders);
    }
    for (int i = 0; i < m_columns.size(); ++i) {
        if (!m_displayOrder.contains(i))
            m_displayOrder.append(i);
    }
    // The layout's order decides how the rows stand, as after a drag and drop.
    if (!m_rows.isEmpty()) {
        beginResetModel();
        sortRows();
        const int row = rowOfKey(currentKey);
        if (row >= 0)
            m_currentRow = row;
        endResetModel();
    }
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    Q_EMIT layoutApplied();
    return layout.has_value();
}

int BoundGrid::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return dataRowCount() + (hasNewRowPlaceholder() ? 1 : 0);
}

int BoundGrid::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant BoundGrid::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= dataRowCount())
        return QVariant();
    const GridColumn& column = m_columns.at(index.column());
    const QVariant& value = m_rows.at(index.row()).values.at(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return column.kind == GridColumn::Kind::CheckBox ? QVariant() : QVariant(column.shownText(value));
    case Qt::EditRole:
        return column.kind == GridColumn::Kind::ValueList ? value : QVariant(FieldText(value));
    case Qt::CheckStateRole:
        if (column.kind == GridColumn::Kind::CheckBox)
            return value.toInt() != 0 ? Qt::Checked : Qt::Unchecked;
        return QVariant();
    default:
        return QVariant();
    }
}

bool BoundGrid::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid())
        return false;
    const QString& column = m_columns.at(index.column()).column;
    if (role == Qt::CheckStateRole)
        return setValue(index.row(), column, value.toInt() == Qt::Checked ? -1 : 0);
    if (role == Qt::EditRole)
        return setValue(index.row(), column, value);
    return false;
}

QVariant BoundGrid::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_columns.size())
            return QVariant();
        if (role == Qt::DisplayRole)
            return m_columns.at(section).caption;
        if (role == Qt::ToolTipRole)
            return m_columns.at(section).headerToolTip();
        return QVariant();
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    // The row selector: the new row to type into, and a row whose changes are not written yet.
    if (isNewRowPlaceholder(section))
        return QStringLiteral("*");
    return isPending(section) ? QStringLiteral("\u270E") : QString();
}

Qt::ItemFlags BoundGrid::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
    if (m_rowsMovable && !isNewRowPlaceholder(index.row()))
        flags |= Qt::ItemIsDragEnabled;
    if (m_readOnly)
        return flags;
    if (m_columns.at(index.column()).kind == GridColumn::Kind::CheckBox)
        return flags | Qt::ItemIsUserCheckable;
    return flags | Qt::ItemIsEditable;
}

QMimeData* BoundGrid::mimeData(const QModelIndexList& indexes) const {
    Q_UNUSED(indexes);
    auto* data = new QMimeData;
    data->setData(RowMimeType, objectName().toUtf8());
    return data;
}
