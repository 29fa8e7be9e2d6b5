#pragma once

#include "ReportRequest.h"

#include <QList>
#include <QString>

class Database;

// The behaviour of "Add Column Field": the template's live entry fields to choose from, and
// adding the chosen one as a column of the report.
class AddColumnField {
public:
    static inline const QString Caption = QStringLiteral("Add Column Field");

    AddColumnField(const Database& database, qint64 templateKey, qint64 reportDefinitionKey);

    // On activation: not cancelled, the fields listed.
    void activate();
    const QList<ListEntry>& fields() const { return m_fields; }
    qint64 TemplateKey() const { return m_templateKey; }
    qint64 ReportDefinitionKey() const { return m_reportDefinitionKey; }
    // True when no row was added.
    bool Cancelled() const { return m_cancelled; }

    // "Add" with the field list's entry of that index (-1: none chosen). False, after saying
    // so, when no field was chosen; the dialog then stays open.
    bool add(int fieldIndex);
    // "&Abort".
    void abort() { m_cancelled = true; }

private:
    const Database& m_database;
    qint64 m_templateKey;
    qint64 m_reportDefinitionKey;
    QList<ListEntry> m_fields;
    bool m_cancelled = true;
};
