#pragma once

#include <QString>
#include <QVariant>

// The text of a PostgreSQL array, built one element at a time: a statement that takes many
// rows at once binds one such array per column and lets the server unnest them. Every
// element is quoted, so any text goes through unchanged; a null value is NULL.
class PostgresArray {
public:
    void append(const QVariant& value);
    QString literal() const;
    int size() const { return m_size; }
    void clear();

    static QString literal(const QVariantList& values);

private:
    QString m_elements;
    int m_size = 0;
};
