#include "EvaluationListModel.h"

#include "Database.h"
#include "KestrivoError.h"
#include "LogError.h"

#include <algorithm>

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
    m_rowOfKey.clear();
    m_pages.clear();
    m_pageOrder.clear();
    endResetModel();
}

void EvaluationListModel::clear() {
    beginResetModel();
    m_keys.clear();
    m_rowOfKey.clear();
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
    if (m_rowOfKey.isEmpty() && !m_keys.isEmpty()) {
        m_rowOfKey.reserve(m_keys.size());
        for (int index = 0; index < m_keys.size(); ++index)
            m_rowOfKey.insert(m_keys.at(index), index + headingRows());
    }
    return m_rowOfKey.value(key, -1);
}

namespace {

// A LIKE pattern for the lowered names that begin with text, whatever their case: SQLite lowers
// the ASCII letters alone, so any other character of text stands for whatever one character
// (the lines of the names that come back are compared exactly).
QString namePattern(const QString& text) {
    QString pattern;
    for (const char32_t point : text.toUcs4()) {
        if (point >= 0x80) {
            pattern += QLatin1Char('_');
            continue;
        }
        const QChar character = QChar(char16_t(point)).toLower();
        if (character == u'%' || character == u'_' || character == u'!')
            pattern += QLatin1Char('!');
        pattern += character;
    }
    return pattern + QLatin1Char('%');
}

} // namespace

bool EvaluationListModel::lineStartsWith(int row, const QString& text) const {
    return EvaluationListModel::text(row).startsWith(text, Qt::CaseInsensitive);
}

int EvaluationListModel::rowStartingWith(const QString& text, int from, bool wrap) const {
    from = std::clamp(from, 0, size());
    // Typing on usually finds the line next to the current one, on a page already read.
    const int near = std::min(size(), from + m_pageSize);
    for (int row = from; row < near; ++row)
        if (lineStartsWith(row, text))
            return row;
    if (m_database == nullptr)
        return -1;
    // A line begins with the file name: the names that begin with the text (or, where the
    // text runs on past a name into the spaces after it, with its first word) are the only
    // ones whose lines can.
    const int row = firstLineOfNames(namePattern(text), text, from, near, wrap);
    if (row >= 0 || !text.contains(QLatin1Char(' ')))
        return row;
    return firstLineOfNames(namePattern(text.section(QLatin1Char(' '), 0, 0)), text, from, near, wrap);
}

int EvaluationListModel::firstLineOfNames(const QString& pattern, const QString& text, int from, int near,
                                          bool wrap) const {
    QSqlQuery names = m_database->query(
        QStringLiteral("SELECT EvaluationKey FROM Evaluation WHERE lower(FileName) LIKE ? ESCAPE '!'"), {pattern});
    QList<int> later;
    QList<int> above;
    while (names.next()) {
        const int row = rowOfKey(names.value(0).toLongLong());
        if (row >= near)
            later << row;
        else if (wrap && row >= 0 && row < from)
            above << row;
    }
    std::sort(later.begin(), later.end());
    std::sort(above.begin(), above.end());
    if (wrap && headingRows() > 0 && from > 0)
        above.prepend(0);
    for (const QList<int>* rows : {&later, &above})
        for (const int row : *rows)
            if (lineStartsWith(row, text))
                return row;
    return -1;
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

QModelIndexList EvaluationListModel::match(const QModelIndex& start, int role, const QVariant& value, int hits,
                                           Qt::MatchFlags flags) const {
    if (role != Qt::DisplayRole || hits != 1 || (flags & Qt::MatchTypeMask) != Qt::MatchStartsWith ||
        flags.testFlag(Qt::MatchCaseSensitive) || start.parent().isValid())
        return QAbstractListModel::match(start, role, value, hits, flags);
    try {
        const int row = rowStartingWith(value.toString(), start.row(), flags.testFlag(Qt::MatchWrap));
        return row < 0 ? QModelIndexList() : QModelIndexList{index(row)};
    } catch (const KestrivoError& error) {
        AppendErrorRecord(error, QStringLiteral("lstFileName_KeyPress"));
        return {};
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
