#include "CatalogRights.h"

#include "Database.h"
#include "KestrivoError.h"
#include "Schema.h"

#include <QRegularExpression>
#include <QStringList>

namespace CatalogRights {

namespace {

// The tables an entry role writes: the evaluations, their files and their history.
const QStringList EntryTables{QStringLiteral("Evaluation"), QStringLiteral("EvaluationField"),
                              QStringLiteral("EvaluationQuestion"), QStringLiteral("EvaluationPickList"),
                              QStringLiteral("ImportedFile")};
const QStringList DesignTables{QStringLiteral("Template"),           QStringLiteral("TemplateField"),
                               QStringLiteral("TemplateFieldValue"), QStringLiteral("FileNameField"),
                               QStringLiteral("TemplateQuestion"),   QStringLiteral("TemplateAnswer"),
                               QStringLiteral("TemplatePickList"),   QStringLiteral("ReportColumnField")};

QStringList lowered(QStringList names) {
    for (QString& name : names)
        name = name.toLower();
    return names;
}

QString sequenceList(const Database& database, const QStringList& tables) {
    QStringList sequences;
    for (const QString& table : tables) {
        const QString sequence = database
                                     .scalar(QStringLiteral("SELECT pg_get_serial_sequence(?, ?)"),
                                             {table.toLower(), (table + QStringLiteral("Key")).toLower()})
                                     .toString();
        if (!sequence.isEmpty())
            sequences << sequence;
    }
    return sequences.join(QStringLiteral(", "));
}

// The role's name as an identifier, quoted by the server itself.
QString quotedRole(const Database& database, const QString& role) {
    if (database.engine() != DatabaseEngine::PostgreSQL)
        throw KestrivoError(ErrorNumber::General, FileCatalogRefusal);
    if (!database.scalar(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"), {role}).isValid())
        throw KestrivoError(
            ErrorNumber::General,
            QStringLiteral("The server has no role %1: create it first (CREATE ROLE %1 LOGIN).").arg(role));
    // Another role's GRANT would only be warned about by the server, and change nothing.
    if (!database
             .scalar(QStringLiteral("SELECT pg_has_role(relowner, 'USAGE') FROM pg_class WHERE oid = "
                                    "'evaluation'::regclass"))
             .toBool())
        throw KestrivoError(ErrorNumber::NoRights, OwnerRefusal);
    return database.scalar(QStringLiteral("SELECT quote_ident(?)"), {role}).toString();
}

QStringList allTables() {
    QStringList names{QStringLiteral("SchemaVersion")};
    for (const Schema::Table& table : Schema::tables())
        names << table.name;
    return names;
}

void revokeAll(const Database& database, const QString& quoted) {
    const QStringList tables = allTables();
    database.execute(QStringLiteral("REVOKE ALL ON TABLE %1 FROM %2").arg(tables.join(QStringLiteral(", ")), quoted));
    database.execute(
        QStringLiteral("REVOKE ALL ON SEQUENCE %1 FROM %2").arg(sequenceList(database, tables.mid(1)), quoted));
}

} // namespace

QString refusal(const QString& serverText) {
    // The catalog's own checks say what they refuse in a sentence of their own.
    if (serverText.contains(HistoryRefusal))
        return HistoryRefusal;
    static const QRegularExpression named(QStringLiteral("permission denied for (table|sequence|relation) (\\w+)"));
    const QRegularExpressionMatch match = named.match(serverText);
    if (!match.hasMatch())
        return NoAccessRefusal;
    QString table = match.captured(2).toLower();
    if (match.captured(1) == QLatin1String("sequence"))
        table = table.section('_', 0, 0);
    if (table == QLatin1String("schemaversion"))
        return NoAccessRefusal;
    // Anyone who writes evaluations may add to their history; only the owner takes from it.
    if (table == QLatin1String("evaluationhistory"))
        return HistoryRefusal;
    if (lowered(DesignTables).contains(table) || table == QLatin1String("companyparameter"))
        return EntryRefusal;
    return ReaderRefusal;
}

void grant(const Database& database, const QString& role, Level level) {
    const QString quoted = quotedRole(database, role);
    Transaction transaction(database);
    revokeAll(database, quoted);
    database.execute(
        QStringLiteral("GRANT SELECT ON TABLE %1 TO %2").arg(allTables().join(QStringLiteral(", ")), quoted));
    // Whoever may open the catalog may record that they accepted the licence agreement, which
    // the program asks before anything else: without it a reader could not start the program.
    database.execute(QStringLiteral("GRANT UPDATE (EULA) ON TABLE Control TO %1").arg(quoted));
    if (level != Level::Reader) {
        database.execute(QStringLiteral("GRANT INSERT, UPDATE, DELETE ON TABLE %1 TO %2")
                             .arg(EntryTables.join(QStringLiteral(", ")), quoted));
        // The history takes new rows only; the control row holds the head of its chain.
        database.execute(QStringLiteral("GRANT INSERT ON TABLE EvaluationHistory TO %1").arg(quoted));
        database.execute(
            QStringLiteral("GRANT UPDATE (HistoryLastKey, HistoryDigest) ON TABLE Control TO %1").arg(quoted));
        // New evaluation rows lock the template they name; the server wants a right to update
        // for that, and the template's key is one that never changes while evaluations name it.
        database.execute(QStringLiteral("GRANT UPDATE (TemplateKey) ON TABLE Template TO %1").arg(quoted));
        database.execute(
            QStringLiteral("GRANT USAGE ON SEQUENCE %1 TO %2")
                .arg(sequenceList(database, EntryTables + QStringList{QStringLiteral("EvaluationHistory")}), quoted));
    }
    if (level == Level::Designer) {
        database.execute(QStringLiteral("GRANT INSERT, UPDATE, DELETE ON TABLE %1 TO %2")
                             .arg(DesignTables.join(QStringLiteral(", ")), quoted));
        database.execute(QStringLiteral("GRANT UPDATE ON TABLE CompanyParameter TO %1").arg(quoted));
        database.execute(
            QStringLiteral("GRANT USAGE ON SEQUENCE %1 TO %2").arg(sequenceList(database, DesignTables), quoted));
    }
    transaction.commit();
}

void revoke(const Database& database, const QString& role) {
    const QString quoted = quotedRole(database, role);
    Transaction transaction(database);
    revokeAll(database, quoted);
    transaction.commit();
}

} // namespace CatalogRights
