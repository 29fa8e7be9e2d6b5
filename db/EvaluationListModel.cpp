#include "EvaluationListModel.h"

#include "Database.h"
#include "KestrivoError.h"
#include "LogError.h"

EvaluationListModel::EvaluationListModel(LineText lineText, QObject* parent)
    : QAbstractListModel(parent), m_lineText(std::move(lineText)) {}

void EvaluationListModel::setPaging(int pageSize, int pagesKept) {
    beginResetModel();
    m_pageSize = std::max(pageSize, 1);
    m_pagesKept = std::max(pagesKept, 1);
    m_pages.clear();
    m_pageOrder.clear();
    endResetModel();
}

void EvaluationListModel::reset(const Database& database, const QString& sql, const QVariantList& values) {
    QList<qint64> keys;
    QSqlQuery rows = database.query(sql, values);
    while (rows.next())
        keys.append(rows.value(0).toLongLong());
    beginResetModel();
    m_database = &database;
    m_keys = std::move(keys);
    m_pages.clear();
    m_pageOrder.clear();
    endResetModel();
}

void EvaluationListModel::clear() {
    beginResetModel();
    m_keys.clear();
    m_pages.clear();
    m_pageOrder.clear();
    endResetModel();
}

qint64 EvaluationListModel::key(int row) const {
    const int index = row - headingRows();
    return index >= 0 && index < m_keys.size() ? m_keys.at(index) : 0;
}

QString EvaluationListModel::text(int row) const {
    if (row < 0 || row >= size())
        return QString();
    const int index = row - headingRows();
    if (index < 0)
        return m_heading;
    return page(index / m_pageSize).at(index % m_pageSize);
}

int EvaluationListModel::rowOfKey(qint64 key) const {
    const qsizetype index = m_keys.indexOf(key);
    return index < 0 ? -1 : int(index) + headingRows();
}

int EvaluationListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : size();
}

QVariant EvaluationListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= size())
        return QVariant();
    if (role == Qt::UserRole)
        return key(index.row());
    if (role != Qt::DisplayRole)
        return QVariant();
    // A view asks while it paints: a line that cannot be read stays blank and is logged, with
    // no box in the middle of a paint.
    try {
        return text(index.row());
    } catch (const KestrivoError& error) {
        AppendErrorRecord(error, QStringLiteral("lstFileName_Paint"));
        return QString();
    }
}

// An evaluation removed since the list was read (by another PC) keeps its place with an
// empty name, as the list stood when it was read.
const QStringList& EvaluationListModel::page(int number) const {
    if (const auto found = m_pages.constFind(number); found != m_pages.constEnd()) {
        m_pageOrder.removeOne(number);
        m_pageOrder.append(number);
        return *found;
    }
    const QList<qint64> keys = m_keys.mid(qsizetype(number) * m_pageSize, m_pageSize);
    QStringList marks;
    QVariantList values;
    for (qint64 key : keys) {
        marks << QStringLiteral("?");
        values << key;
    }
    QSqlQuery rows = m_database->query(
        QStringLiteral("SELECT EvaluationKey, FileName, Downloaded FROM Evaluation WHERE EvaluationKey IN (%1)")
            .arg(marks.join(QLatin1Char(','))),
        values);
    QHash<qint64, QString> lines;
    while (rows.next())
        lines.insert(rows.value(0).toLongLong(), m_lineText(rows.value(1), rows.value(2)));
    QStringList texts;
    texts.reserve(keys.size());
    for (qint64 key : keys)
        texts << lines.value(key, m_lineText(QString(), QVariant()));
    if (m_pageOrder.size() >= m_pagesKept)
        m_pages.remove(m_pageOrder.takeFirst());
    m_pageOrder.append(number);
    return *m_pages.insert(number, texts);
}
