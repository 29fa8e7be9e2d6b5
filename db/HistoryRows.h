#pragma once

#include "ConnectionString.h"
#include "Schema.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <QVariant>

// How a row of the history is read for its chain: what the writer and the checker share.
namespace HistoryRows {

const Schema::Table& table();

// The content of a row (every column but its digest, in the table's order) as the digest
// takes it: every value with its kind and length, so that no two rows read as the same bytes.
QByteArray content(const QVariantList& values);
// The same content, built by the database itself from the table's columns.
QString contentSql(DatabaseEngine engine);

// The chain's digest of a row: SHA-256 over the digest of the row before and the row's content.
class Digester {
public:
    Digester() : m_hash(QCryptographicHash::Sha256) {}
    QByteArray digest(const QByteArray& previous, const QByteArray& content) {
        m_hash.reset();
        m_hash.addData(QByteArrayView("kestrivo-history\n"));
        m_hash.addData(previous);
        m_hash.addData(QByteArrayView("\n"));
        m_hash.addData(content);
        return m_hash.result().toHex();
    }

private:
    QCryptographicHash m_hash;
};

} // namespace HistoryRows
