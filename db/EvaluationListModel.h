#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <iterator>

class Database;

// A list of evaluations that holds only their keys, in the order a query of the database
// sorted them; each line is read with the lines around it when a view (or a caller) first
// asks for it, and only the pages read last are kept. A hundred thousand evaluations show at
// once, scroll without a pause, and select all without a line being read.
class EvaluationListModel : public QAbstractListModel {
public:
    struct Line {
        qint64 key = 0;
        QString text;
    };
    // The line of an evaluation from its FileName and Downloaded as the engine returns them.
    using LineText = std::function<QString(const QVariant& fileName, const QVariant& downloaded)>;

    explicit EvaluationListModel(LineText lineText, QObject* parent = nullptr);

    // Lines are read pageSize at a time, and the pagesKept pages read last are kept.
    void setPaging(int pageSize, int pagesKept);
    int pagesHeld() const { return int(m_pages.size()); }
    // A first line that names no evaluation (key 0), as a heading.
    void setHeading(const QString& heading) { m_heading = heading; }
    // The list becomes the EvaluationKey of each row of the statement, in the statement's order.
    void reset(const Database& database, const QString& sql, const QVariantList& values);
    void clear();

    int size() const { return int(m_keys.size()) + headingRows(); }
    bool isEmpty() const { return size() == 0; }
    qint64 key(int row) const;
    // Throws KestrivoError when the line cannot be read.
    QString text(int row) const;
    Line at(int row) const { return {key(row), text(row)}; }
    // The evaluations' keys in list order, the heading left out.
    const QList<qint64>& keys() const { return m_keys; }
    // The row of the evaluation; -1 when the list does not hold it.
    int rowOfKey(qint64 key) const;
    // The first row from the given one whose line starts with the text, without regard to
    // case, going round to the top when wrap is set; -1 when there is none. Throws
    // KestrivoError when the lines cannot be read.
    int rowStartingWith(const QString& text, int from, bool wrap) const;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Line;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Line;
        const_iterator(const EvaluationListModel* list, int row) : m_list(list), m_row(row) {}
        Line operator*() const { return m_list->at(m_row); }
        const_iterator& operator++() {
            ++m_row;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_row == other.m_row; }

    private:
        const EvaluationListModel* m_list;
        int m_row;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // The line as display text, the key as Qt::UserRole.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // A view's typed search (a prefix of the display text) looks through the file names of the
    // whole list in one query, instead of reading every page on its way.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;

private:
    int headingRows() const { return m_heading.isEmpty() ? 0 : 1; }
    const QStringList& page(int number) const;
    bool lineStartsWith(int row, const QString& text) const;
    // The first row below near (else, going round, above from) of a name that matches the LIKE
    // pattern and whose line starts with text.
    int firstLineOfNames(const QString& pattern, const QString& text, int from, int near, bool wrap) const;

    LineText m_lineText;
    int m_pageSize = 200;
    int m_pagesKept = 40;
    QString m_heading;
    const Database* m_database = nullptr;
    QList<qint64> m_keys;
    mutable QHash<qint64, int> m_rowOfKey; // filled when first asked
    mutable QHash<int, QStringList> m_pages;
    mutable QList<int> m_pageOrder; // least recently read first
};
