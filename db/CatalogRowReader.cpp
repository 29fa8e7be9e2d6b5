#include "CatalogRowReader.h"

#include "Database.h"
#include "KestrivoError.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const QString Cursor = QStringLiteral("kestrivo_catalog_rows");

// Times are kept to the second on both engines; SQLite may hold "2024-03-05 14:07:00" or one
// with fractions of a second, which reads as the same second.
QVariant timestampValue(const QVariant& value, bool* ok) {
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d[T ]\\d\\d:\\d\\d:\\d\\d"));
    QString text = value.toString();
    *ok = form.match(text).hasMatch();
    if (!*ok)
        return QVariant();
    text.truncate(19);
    text[10] = QLatin1Char('T');
    return text;
}

} // namespace

CatalogRowReader::CatalogRowReader(const Database& database, const Schema::Table& table, int version)
    : m_database(database), m_table(table) {
    if (table.since > version) {
        m_lastBatch = true;
        return;
    }
    QStringList columns;
    for (const Schema::Column& column : table.columns) {
        if (column.since > version)
            columns << (column.kind == Schema::ColumnKind::Integer ? QStringLiteral("0") : QStringLiteral("''"));
        else if (column.kind == Schema::ColumnKind::Timestamp && database.engine() == DatabaseEngine::PostgreSQL)
            columns << QStringLiteral("to_char(%1, 'YYYY-MM-DD\"T\"HH24:MI:SS')").arg(column.name);
        else
            columns << column.name;
    }
    const QString select = QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                               .arg(columns.join(QStringLiteral(", ")), table.name, table.key());
    if (database.engine() == DatabaseEngine::SQLite) {
        m_rows = database.query(select);
        m_lastBatch = true;
        return;
    }
    database.execute(QStringLiteral("DECLARE %1 NO SCROLL CURSOR FOR ").arg(Cursor) + select);
    m_cursorOpen = true;
    fetch();
}

CatalogRowReader::~CatalogRowReader() {
    m_rows = QSqlQuery();
    if (!m_cursorOpen)
        return;
    try {
        m_database.execute(QStringLiteral("CLOSE ") + Cursor);
    } catch (const KestrivoError&) {
        // The transaction failed, and the cursor ended with it.
    }
}

void CatalogRowReader::fetch() {
    m_rows = m_database.query(QStringLiteral("FETCH FORWARD %1 FROM %2").arg(BatchRows).arg(Cursor));
    m_batchRows = 0;
}

bool CatalogRowReader::next(QVariantList& row) {
    while (!m_rows.isActive() || !m_rows.next()) {
        if (m_lastBatch || m_batchRows < BatchRows) {
            m_lastBatch = true;
            return false;
        }
        fetch();
    }
    ++m_batchRows;
    row.resize(m_table.columns.size());
    for (qsizetype i = 0; i < m_table.columns.size(); ++i) {
        const QVariant value = m_rows.value(int(i));
        const Schema::Column& column = m_table.columns.at(i);
        bool ok = true;
        if (value.isNull())
            row[i] = QVariant();
        else if (column.kind == Schema::ColumnKind::Integer)
            row[i] = value.toLongLong(&ok);
        else if (column.kind == Schema::ColumnKind::Timestamp)
            row[i] = timestampValue(value, &ok);
        else
            row[i] = value.toString();
        if (!ok)
            throw KestrivoError(ErrorNumber::Database,
                                QStringLiteral("The table %1 holds \"%2\" in its column %3, which is not a %4.")
                                    .arg(m_table.name, value.toString(), column.name,
                                         column.kind == Schema::ColumnKind::Integer ? QStringLiteral("whole number")
                                                                                    : QStringLiteral("date and time")));
    }
    return true;
}
