#include "Schema.h"

#include "CatalogRights.h"
#include "Database.h"
#include "KestrivoError.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// "%KEY%" is the auto-numbered key column and "%NOW%" the local time of insertion; both
// differ between the engines, everything else is written once for both. A reference in
// braces is one that an evaluation row makes, to its evaluation or to a template item: a
// foreign key on SQLite, checked once per statement on PostgreSQL (see RowChecks).
const char* const Tables[] = {
    "CREATE TABLE SchemaVersion (Version INTEGER NOT NULL)",
    "CREATE TABLE Template (TemplateKey %KEY%, Name VARCHAR(50) NOT NULL DEFAULT '')",
    "CREATE TABLE TemplateField (TemplateFieldKey %KEY%,"
    " TemplateKey INTEGER NOT NULL REFERENCES Template (TemplateKey) ON DELETE CASCADE,"
    " Sequence SMALLINT NOT NULL DEFAULT 99, FieldLabel VARCHAR(20) NOT NULL DEFAULT '',"
    " FieldType SMALLINT NOT NULL DEFAULT 0, FieldLength SMALLINT NOT NULL DEFAULT 20,"
    " FieldDecimal SMALLINT NOT NULL DEFAULT 0, UseOn VARCHAR(1) NOT NULL DEFAULT 'B',"
    " ForceEntry SMALLINT NOT NULL DEFAULT 0, Footer SMALLINT NOT NULL DEFAULT 0,"
    " GroupField SMALLINT NOT NULL DEFAULT 0, Deleted SMALLINT NOT NULL DEFAULT 0)",
    "CREATE TABLE TemplateFieldValue (TemplateFieldValueKey %KEY%,"
    " TemplateFieldKey INTEGER NOT NULL REFERENCES TemplateField (TemplateFieldKey) ON DELETE CASCADE,"
    " FieldValue VARCHAR(20) NOT NULL DEFAULT '', Deleted SMALLINT NOT NULL DEFAULT 0)",
    "CREATE TABLE FileNameField (FileNameFieldKey %KEY%,"
    " TemplateFieldKey INTEGER NOT NULL REFERENCES TemplateField (TemplateFieldKey) ON DELETE CASCADE,"
    " Sequence SMALLINT NOT NULL DEFAULT 99)",
    "CREATE TABLE TemplateQuestion (TemplateQuestionKey %KEY%,"
    " TemplateKey INTEGER NOT NULL REFERENCES Template (TemplateKey) ON DELETE CASCADE,"
    " Question VARCHAR(100) NOT NULL DEFAULT '', Sequence SMALLINT NOT NULL DEFAULT 99,"
    " Deleted SMALLINT NOT NULL DEFAULT 0)",
    "CREATE TABLE TemplateAnswer (TemplateAnswerKey %KEY%,"
    " TemplateQuestionKey INTEGER NOT NULL REFERENCES TemplateQuestion (TemplateQuestionKey) ON DELETE CASCADE,"
    " Answer VARCHAR(50) NOT NULL DEFAULT '', Sequence SMALLINT NOT NULL DEFAULT 99,"
    " Deleted SMALLINT NOT NULL DEFAULT 0)",
    "CREATE TABLE TemplatePickList (TemplatePickListKey %KEY%,"
    " TemplateQuestionKey INTEGER NOT NULL REFERENCES TemplateQuestion (TemplateQuestionKey) ON DELETE CASCADE,"
    " Name VARCHAR(50) NOT NULL DEFAULT '', Sequence SMALLINT NOT NULL DEFAULT 99,"
    " Deleted SMALLINT NOT NULL DEFAULT 0)",
    // Evaluations refer to template items without cascading: a template that evaluations
    // use cannot be removed from under them.
    "CREATE TABLE Evaluation (EvaluationKey %KEY%,"
    " TemplateKey INTEGER NOT NULL REFERENCES Template (TemplateKey),"
    " EvaluationGroupKey INTEGER REFERENCES TemplateFieldValue (TemplateFieldValueKey),"
    " FileName VARCHAR(255) NOT NULL DEFAULT '', Downloaded %NOW%)",
    // TemplateFieldValueKey is 0 for text, number and date fields: no list value was chosen.
    "CREATE TABLE EvaluationField (EvaluationFieldKey %KEY%,"
    " EvaluationKey INTEGER NOT NULL {REFERENCES Evaluation (EvaluationKey) ON DELETE CASCADE},"
    " TemplateFieldKey INTEGER NOT NULL {REFERENCES TemplateField (TemplateFieldKey)},"
    " TemplateFieldValueKey INTEGER NOT NULL DEFAULT 0, EnteredValue VARCHAR(255))",
    "CREATE TABLE EvaluationQuestion (EvaluationQuestionKey %KEY%,"
    " EvaluationKey INTEGER NOT NULL {REFERENCES Evaluation (EvaluationKey) ON DELETE CASCADE},"
    " TemplateQuestionKey INTEGER NOT NULL {REFERENCES TemplateQuestion (TemplateQuestionKey)},"
    " Answer VARCHAR(50), TBCCheck SMALLINT NOT NULL DEFAULT 0)",
    "CREATE TABLE EvaluationPickList (EvaluationPickListKey %KEY%,"
    " EvaluationQuestionKey INTEGER NOT NULL {REFERENCES EvaluationQuestion (EvaluationQuestionKey) ON DELETE CASCADE},"
    " TemplatePickListKey INTEGER NOT NULL {REFERENCES TemplatePickList (TemplatePickListKey)})",
    "CREATE TABLE ReportDefinition (ReportDefinitionKey %KEY%, Name VARCHAR(50) NOT NULL DEFAULT '',"
    " objectName VARCHAR(50) NOT NULL DEFAULT '', reportType SMALLINT NOT NULL DEFAULT 0,"
    " columnsUsed SMALLINT NOT NULL DEFAULT 0, allowAllTemplates SMALLINT NOT NULL DEFAULT 0,"
    " allowAllGroups SMALLINT NOT NULL DEFAULT 0, multiSelectEvaluations SMALLINT NOT NULL DEFAULT 0)",
    "CREATE TABLE ReportColumnField (ReportColumnFieldKey %KEY%,"
    " ReportDefinitionKey INTEGER NOT NULL REFERENCES ReportDefinition (ReportDefinitionKey) ON DELETE CASCADE,"
    " TemplateKey INTEGER NOT NULL REFERENCES Template (TemplateKey) ON DELETE CASCADE,"
    " TemplateFieldKey INTEGER NOT NULL REFERENCES TemplateField (TemplateFieldKey) ON DELETE CASCADE)",
    "CREATE TABLE CompanyParameter (CompanyParameterKey %KEY%, Name VARCHAR(100) NOT NULL DEFAULT '',"
    " DeviceTemplatePath VARCHAR(255) NOT NULL DEFAULT '', DeviceEvaluationPath VARCHAR(255) NOT NULL DEFAULT '',"
    " ReportColumns SMALLINT NOT NULL DEFAULT 3)",
    // The head of the evaluation history's chain: its newest row and that row's digest.
    "CREATE TABLE Control (ControlKey %KEY%, EULA VARCHAR(100), %HISTORYHEAD%)",
    "CREATE TABLE Code (CodeKey %KEY%, Code1 INTEGER NOT NULL DEFAULT 0, Code2 INTEGER NOT NULL DEFAULT 0)",
    // One row per imported evaluation file: its content digest keeps a file from being
    // imported twice.
    "CREATE TABLE ImportedFile (ImportedFileKey %KEY%, Digest VARCHAR(64) NOT NULL UNIQUE,"
    " FileName VARCHAR(255) NOT NULL DEFAULT '',"
    " EvaluationKey INTEGER REFERENCES Evaluation (EvaluationKey) ON DELETE SET NULL, Imported %NOW%)",
    "CREATE INDEX I_TemplateField_Template ON TemplateField (TemplateKey)",
    "CREATE INDEX I_TemplateFieldValue_Field ON TemplateFieldValue (TemplateFieldKey)",
    "CREATE INDEX I_FileNameField_Field ON FileNameField (TemplateFieldKey)",
    "CREATE INDEX I_TemplateQuestion_Template ON TemplateQuestion (TemplateKey)",
    "CREATE INDEX I_TemplateAnswer_Question ON TemplateAnswer (TemplateQuestionKey)",
    "CREATE INDEX I_TemplatePickList_Question ON TemplatePickList (TemplateQuestionKey)",
    "CREATE INDEX I_Evaluation_Template ON Evaluation (TemplateKey, Downloaded)",
    "CREATE INDEX I_Evaluation_Group ON Evaluation (EvaluationGroupKey)",
    "CREATE INDEX I_EvaluationField_Evaluation ON EvaluationField (EvaluationKey)",
    "CREATE INDEX I_EvaluationQuestion_Evaluation ON EvaluationQuestion (EvaluationKey)",
    "CREATE INDEX I_EvaluationPickList_Question ON EvaluationPickList (EvaluationQuestionKey)",
    "CREATE INDEX I_ReportColumnField_Definition ON ReportColumnField (ReportDefinitionKey, TemplateKey)",
    "CREATE INDEX I_ImportedFile_Evaluation ON ImportedFile (EvaluationKey)",
};

// Every change to an evaluation after it arrived, one row per changed item. Rows are never
// changed: each carries a digest of its content and of the row before it. EvaluationKey names
// no evaluation by a foreign key, as a deleted evaluation keeps its history.
const char* const HistoryTables[] = {
    "CREATE TABLE EvaluationHistory (EvaluationHistoryKey %KEY%, EvaluationKey INTEGER NOT NULL,"
    " Item VARCHAR(20) NOT NULL DEFAULT '', ItemKey INTEGER NOT NULL DEFAULT 0,"
    " ItemName VARCHAR(255) NOT NULL DEFAULT '', OldValue TEXT NOT NULL DEFAULT '',"
    " NewValue TEXT NOT NULL DEFAULT '', Snapshot TEXT NOT NULL DEFAULT '', Changed VARCHAR(24) NOT NULL DEFAULT '',"
    " Login VARCHAR(64) NOT NULL DEFAULT '', Host VARCHAR(255) NOT NULL DEFAULT '',"
    " DatabaseRole VARCHAR(64) NOT NULL DEFAULT '', Means VARCHAR(20) NOT NULL DEFAULT '',"
    " ChainDigest VARCHAR(64) NOT NULL DEFAULT '')",
    "CREATE INDEX I_EvaluationHistory_Evaluation ON EvaluationHistory (EvaluationKey)",
    "CREATE INDEX I_EvaluationHistory_Item ON EvaluationHistory (Item, EvaluationKey)",
};
const char* const HistoryHead[] = {
    "HistoryLastKey INTEGER NOT NULL DEFAULT 0",
    "HistoryDigest VARCHAR(64) NOT NULL DEFAULT ''",
};

// On PostgreSQL no one but the catalog's owner changes or removes history rows, whatever
// rights someone was given on the table.
const char* const HistoryGuard[] = {
    "CREATE OR REPLACE FUNCTION kestrivo_history_stays() RETURNS trigger LANGUAGE plpgsql AS $$\n"
    "BEGIN\n"
    "  IF NOT pg_has_role((SELECT relowner FROM pg_class WHERE oid = TG_RELID), 'USAGE') THEN\n"
    "    RAISE EXCEPTION 'Only the owner of the catalog may change or remove its history.'"
    "      USING ERRCODE = 'insufficient_privilege';\n"
    "  END IF;\n"
    "  RETURN NULL;\n"
    "END $$",
    "CREATE TRIGGER EvaluationHistory_Stays BEFORE UPDATE OR DELETE OR TRUNCATE ON EvaluationHistory"
    " FOR EACH STATEMENT EXECUTE FUNCTION kestrivo_history_stays()",
};

// On PostgreSQL a foreign key checks every new evaluation row on its own and locks the row
// it names: most of the server's work on an import. These checks do it once per statement,
// over the statement's new rows, and lock only what the rows name: their evaluations (or
// answers), and the templates that own the named items (one, for an evaluation file).
// - A template item goes only after a lock on its template, which waits for every import that
//   names items of that template, and then only when no evaluation row names it.
// - An evaluation (or answer) takes its rows with it. Rows lock their evaluation, also those
//   of an answer, and an answer goes only after a lock on its evaluation: so a removal waits
//   for every statement that added rows to it, and a statement that comes after finds it gone.
// - Keys that rows name do not change.
// So with several PCs at once no row ever names a missing evaluation or template item.
const char* const RowChecks[] = {
    "CREATE OR REPLACE FUNCTION kestrivo_named_items_exist() RETURNS trigger LANGUAGE plpgsql AS $$\n"
    "DECLARE missing integer; wanted integer; locked integer;\n"
    "BEGIN\n"
    "  IF TG_TABLE_NAME = 'evaluationpicklist' THEN\n"
    "    PERFORM 1 FROM (SELECT DISTINCT (SELECT q.EvaluationKey FROM EvaluationQuestion q"
    "      WHERE q.EvaluationQuestionKey = n.k) AS k FROM (SELECT DISTINCT EvaluationQuestionKey AS k FROM named) n"
    "      ORDER BY 1) o, LATERAL (SELECT 1 FROM Evaluation e WHERE e.EvaluationKey = o.k FOR KEY SHARE) l;\n"
    "    SELECT n.k INTO missing FROM (SELECT DISTINCT EvaluationQuestionKey AS k FROM named) n"
    "      WHERE (SELECT p.EvaluationQuestionKey FROM EvaluationQuestion p WHERE p.EvaluationQuestionKey = n.k) IS NULL"
    "      LIMIT 1;\n"
    "    IF FOUND THEN RAISE EXCEPTION 'The evaluation answer % does not exist.', missing"
    "      USING ERRCODE = 'foreign_key_violation'; END IF;\n"
    "  ELSE\n"
    "    SELECT count(*), count(l.one) INTO wanted, locked FROM (SELECT DISTINCT EvaluationKey AS k FROM named"
    "      ORDER BY 1) o LEFT JOIN LATERAL (SELECT 1 AS one FROM Evaluation e WHERE e.EvaluationKey = o.k"
    "      FOR KEY SHARE) l ON true;\n"
    "    IF locked < wanted THEN\n"
    "      SELECT n.k INTO missing FROM (SELECT DISTINCT EvaluationKey AS k FROM named) n"
    "        WHERE (SELECT p.EvaluationKey FROM Evaluation p WHERE p.EvaluationKey = n.k) IS NULL LIMIT 1;\n"
    "      RAISE EXCEPTION 'The evaluation % does not exist.', missing USING ERRCODE = 'foreign_key_violation';\n"
    "    END IF;\n"
    "  END IF;\n"
    "  IF TG_TABLE_NAME = 'evaluationfield' THEN\n"
    "    PERFORM 1 FROM (SELECT DISTINCT (SELECT i.TemplateKey FROM TemplateField i WHERE i.TemplateFieldKey = n.k)"
    "      AS k FROM (SELECT DISTINCT TemplateFieldKey AS k FROM named) n ORDER BY 1) o,"
    "      LATERAL (SELECT 1 FROM Template t WHERE t.TemplateKey = o.k FOR KEY SHARE) l;\n"
    "    SELECT n.k INTO missing FROM (SELECT DISTINCT TemplateFieldKey AS k FROM named) n"
    "      WHERE (SELECT i.TemplateFieldKey FROM TemplateField i WHERE i.TemplateFieldKey = n.k) IS NULL LIMIT 1;\n"
    "    IF FOUND THEN RAISE EXCEPTION 'The entry field % named by an evaluation does not exist.', missing"
    "      USING ERRCODE = 'foreign_key_violation'; END IF;\n"
    "  ELSIF TG_TABLE_NAME = 'evaluationquestion' THEN\n"
    "    PERFORM 1 FROM (SELECT DISTINCT (SELECT i.TemplateKey FROM TemplateQuestion i"
    "      WHERE i.TemplateQuestionKey = n.k) AS k FROM (SELECT DISTINCT TemplateQuestionKey AS k FROM named) n"
    "      ORDER BY 1) o, LATERAL (SELECT 1 FROM Template t WHERE t.TemplateKey = o.k FOR KEY SHARE) l;\n"
    "    SELECT n.k INTO missing FROM (SELECT DISTINCT TemplateQuestionKey AS k FROM named) n"
    "      WHERE (SELECT i.TemplateQuestionKey FROM TemplateQuestion i WHERE i.TemplateQuestionKey = n.k) IS NULL"
    "      LIMIT 1;\n"
    "    IF FOUND THEN RAISE EXCEPTION 'The question % named by an evaluation does not exist.', missing"
    "      USING ERRCODE = 'foreign_key_violation'; END IF;\n"
    "  ELSE\n"
    "    PERFORM 1 FROM (SELECT DISTINCT (SELECT q.TemplateKey FROM TemplatePickList i INNER JOIN TemplateQuestion q"
    "      ON q.TemplateQuestionKey = i.TemplateQuestionKey WHERE i.TemplatePickListKey = n.k) AS k"
    "      FROM (SELECT DISTINCT TemplatePickListKey AS k FROM named) n ORDER BY 1) o,"
    "      LATERAL (SELECT 1 FROM Template t WHERE t.TemplateKey = o.k FOR KEY SHARE) l;\n"
    "    SELECT n.k INTO missing FROM (SELECT DISTINCT TemplatePickListKey AS k FROM named) n"
    "      WHERE (SELECT i.TemplatePickListKey FROM TemplatePickList i WHERE i.TemplatePickListKey = n.k) IS NULL"
    "      LIMIT 1;\n"
    "    IF FOUND THEN RAISE EXCEPTION 'The pick-list entry % named by an evaluation does not exist.', missing"
    "      USING ERRCODE = 'foreign_key_violation'; END IF;\n"
    "  END IF;\n"
    "  RETURN NULL;\n"
    "END $$",
    "CREATE OR REPLACE FUNCTION kestrivo_lock_item_template() RETURNS trigger LANGUAGE plpgsql AS $$\n"
    "BEGIN\n"
    "  IF TG_TABLE_NAME = 'templatepicklist' THEN\n"
    "    PERFORM 1 FROM Template WHERE TemplateKey = (SELECT q.TemplateKey FROM TemplateQuestion q"
    "      WHERE q.TemplateQuestionKey = OLD.TemplateQuestionKey) FOR UPDATE;\n"
    "  ELSE\n"
    "    PERFORM 1 FROM Template WHERE TemplateKey = OLD.TemplateKey FOR UPDATE;\n"
    "  END IF;\n"
    "  RETURN OLD;\n"
    "END $$",
    "CREATE OR REPLACE FUNCTION kestrivo_items_unused() RETURNS trigger LANGUAGE plpgsql AS $$\n"
    "DECLARE used integer;\n"
    "BEGIN\n"
    "  IF TG_TABLE_NAME = 'templatefield' THEN\n"
    "    SELECT e.TemplateFieldKey INTO used FROM EvaluationField e"
    "      WHERE e.TemplateFieldKey IN (SELECT o.TemplateFieldKey FROM gone o) LIMIT 1;\n"
    "    IF FOUND THEN RAISE EXCEPTION 'The entry field % cannot be removed: evaluations name it.', used"
    "      USING ERRCODE = 'foreign_key_violation'; END IF;\n"
    "  ELSIF TG_TABLE_NAME = 'templatequestion' THEN\n"
    "    SELECT e.TemplateQuestionKey INTO used FROM EvaluationQuestion e"
    "      WHERE e.TemplateQuestionKey IN (SELECT o.TemplateQuestionKey FROM gone o) LIMIT 1;\n"
    "    IF FOUND THEN RAISE EXCEPTION 'The question % cannot be removed: evaluations name it.', used"
    "      USING ERRCODE = 'foreign_key_violation'; END IF;\n"
    "  ELSE\n"
    "    SELECT e.TemplatePickListKey INTO used FROM EvaluationPickList e"
    "      WHERE e.TemplatePickListKey IN (SELECT o.TemplatePickListKey FROM gone o) LIMIT 1;\n"
    "    IF FOUND THEN RAISE EXCEPTION 'The pick-list entry % cannot be removed: evaluations name it.', used"
    "      USING ERRCODE = 'foreign_key_violation'; END IF;\n"
    "  END IF;\n"
    "  RETURN NULL;\n"
    "END $$",
    "CREATE OR REPLACE FUNCTION kestrivo_lock_evaluation() RETURNS trigger LANGUAGE plpgsql AS $$\n"
    "BEGIN\n"
    "  PERFORM 1 FROM Evaluation WHERE EvaluationKey = OLD.EvaluationKey FOR UPDATE;\n"
    "  RETURN OLD;\n"
    "END $$",
    "CREATE OR REPLACE FUNCTION kestrivo_remove_rows() RETURNS trigger LANGUAGE plpgsql AS $$\n"
    "BEGIN\n"
    "  IF TG_TABLE_NAME = 'evaluation' THEN\n"
    "    DELETE FROM EvaluationField WHERE EvaluationKey IN (SELECT o.EvaluationKey FROM gone o);\n"
    "    DELETE FROM EvaluationQuestion WHERE EvaluationKey IN (SELECT o.EvaluationKey FROM gone o);\n"
    "  ELSE\n"
    "    DELETE FROM EvaluationPickList WHERE EvaluationQuestionKey IN (SELECT o.EvaluationQuestionKey FROM gone o);\n"
    "  END IF;\n"
    "  RETURN NULL;\n"
    "END $$",
    "CREATE OR REPLACE FUNCTION kestrivo_key_stays() RETURNS trigger LANGUAGE plpgsql AS $$\n"
    "BEGIN\n"
    "  RAISE EXCEPTION 'The keys of the table % cannot change: evaluation rows may name them.', TG_TABLE_NAME"
    "    USING ERRCODE = 'foreign_key_violation';\n"
    "END $$",
};

// The evaluation tables whose rows name template items, each with the template table.
const char* const NamedItems[][2] = {
    {"EvaluationField", "TemplateField"},
    {"EvaluationQuestion", "TemplateQuestion"},
    {"EvaluationPickList", "TemplatePickList"},
};

// The evaluation tables whose rows belong to a row of another, each with that table.
const char* const Owners[][2] = {
    {"EvaluationField", "Evaluation"},
    {"EvaluationQuestion", "Evaluation"},
    {"EvaluationPickList", "EvaluationQuestion"},
};

void createRowFunctions(const Database& database) {
    for (const char* function : RowChecks)
        database.execute(QString::fromLatin1(function));
}

// The checks of the rows' evaluations ride on these, which run on every insert and update
// of an evaluation row.
void createItemChecks(const Database& database) {
    for (const auto& [rows, items] : NamedItems) {
        const QString evaluationTable = QString::fromLatin1(rows), itemTable = QString::fromLatin1(items);
        for (const char* event : {"INSERT", "UPDATE"})
            database.execute(QStringLiteral("CREATE TRIGGER %1_Items_%2 AFTER %2 ON %1 REFERENCING NEW TABLE AS named "
                                            "FOR EACH STATEMENT EXECUTE FUNCTION kestrivo_named_items_exist()")
                                 .arg(evaluationTable, QString::fromLatin1(event)));
        database.execute(QStringLiteral("CREATE TRIGGER %1_LockTemplate BEFORE DELETE ON %1 FOR EACH ROW EXECUTE "
                                        "FUNCTION kestrivo_lock_item_template()")
                             .arg(itemTable));
        database.execute(QStringLiteral("CREATE TRIGGER %1_Unused AFTER DELETE ON %1 REFERENCING OLD TABLE AS gone FOR "
                                        "EACH STATEMENT EXECUTE FUNCTION kestrivo_items_unused()")
                             .arg(itemTable));
    }
}

void createOwnerChecks(const Database& database) {
    database.execute(QStringLiteral("CREATE TRIGGER EvaluationQuestion_LockEvaluation BEFORE DELETE ON "
                                    "EvaluationQuestion FOR EACH ROW EXECUTE FUNCTION kestrivo_lock_evaluation()"));
    for (const char* owner : {"Evaluation", "EvaluationQuestion"})
        database.execute(QStringLiteral("CREATE TRIGGER %1_RemoveRows AFTER DELETE ON %1 REFERENCING OLD TABLE AS gone "
                                        "FOR EACH STATEMENT EXECUTE FUNCTION kestrivo_remove_rows()")
                             .arg(QString::fromLatin1(owner)));
    for (const char* table :
         {"Evaluation", "EvaluationQuestion", "TemplateField", "TemplateQuestion", "TemplatePickList"})
        database.execute(QStringLiteral("CREATE TRIGGER %1_KeyStays BEFORE UPDATE OF %1Key ON %1 FOR EACH ROW WHEN "
                                        "(NEW.%1Key IS DISTINCT FROM OLD.%1Key) EXECUTE FUNCTION kestrivo_key_stays()")
                             .arg(QString::fromLatin1(table)));
}

// Drops the foreign key of an evaluation table onto another table: a statement-level check
// takes its place.
void dropForeignKey(const Database& database, const char* table, const char* referenced) {
    const QString rows = QString::fromLatin1(table).toLower();
    const QString constraint =
        database
            .scalar(QStringLiteral("SELECT conname FROM pg_constraint WHERE contype = 'f' AND conrelid = "
                                   "to_regclass(?) AND confrelid = to_regclass(?)"),
                    {rows, QString::fromLatin1(referenced).toLower()})
            .toString();
    if (!constraint.isEmpty())
        database.execute(QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT \"%2\"")
                             .arg(rows, QString(constraint).replace('"', QStringLiteral("\"\""))));
}

// The text of a statement before it meets an engine: the columns of the history's head.
QString expanded(const char* text) {
    QStringList head;
    for (const char* column : HistoryHead)
        head << QString::fromLatin1(column);
    return QString::fromLatin1(text).replace(QStringLiteral("%HISTORYHEAD%"), head.join(QStringLiteral(", ")));
}

QString engineSql(const char* text, DatabaseEngine engine) {
    QString sql = expanded(text);
    static const QRegularExpression checkedReference(QStringLiteral(" \\{[^}]*\\}"));
    if (engine == DatabaseEngine::PostgreSQL)
        sql.remove(checkedReference);
    else
        sql.remove('{').remove('}');
    if (engine == DatabaseEngine::SQLite) {
        sql.replace(QStringLiteral("%KEY%"), QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"));
        sql.replace(QStringLiteral("%NOW%"),
                    QStringLiteral("TEXT NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%S', 'now', 'localtime'))"));
    } else {
        sql.replace(QStringLiteral("%KEY%"), QStringLiteral("INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
        sql.replace(QStringLiteral("%NOW%"), QStringLiteral("TIMESTAMP(0) NOT NULL DEFAULT LOCALTIMESTAMP(0)"));
    }
    return sql;
}

// Version 1 checked the named template items through foreign keys on PostgreSQL, version 2
// the rows' evaluations; SQLite keeps its foreign keys.
void upgradeChecks(int version, const Database& database) {
    if (database.engine() != DatabaseEngine::PostgreSQL)
        return;
    createRowFunctions(database);
    if (version == 1) {
        for (const auto& [rows, items] : NamedItems)
            dropForeignKey(database, rows, items);
        createItemChecks(database);
    }
    for (const auto& [rows, owner] : Owners)
        dropForeignKey(database, rows, owner);
    createOwnerChecks(database);
}

void createHistoryGuard(const Database& database) {
    for (const char* statement : HistoryGuard)
        database.execute(QString::fromLatin1(statement));
}

// Version 5 keeps the history of every evaluation: its table, and the head of its chain in the
// control row.
void addHistory(const Database& database) {
    for (const char* column : HistoryHead)
        database.execute(QStringLiteral("ALTER TABLE Control ADD COLUMN ") + QString::fromLatin1(column));
    for (const char* statement : HistoryTables)
        database.execute(engineSql(statement, database.engine()));
    if (database.engine() == DatabaseEngine::PostgreSQL)
        createHistoryGuard(database);
}

void upgradeFrom(int version, const Database& database) {
    Schema::addRowsSince(database, version);
    if (version < 3)
        upgradeChecks(version, database);
    if (version < Schema::HistoryVersion)
        addHistory(database);
}

bool hasVersionTable(const Database& database) {
    const QString sql = database.engine() == DatabaseEngine::SQLite
                            ? QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND "
                                             "lower(name)='schemaversion'")
                            : QStringLiteral("SELECT COUNT(*) FROM information_schema.tables WHERE "
                                             "table_schema=current_schema() AND table_name='schemaversion'");
    return database.scalar(sql).toInt() > 0;
}

void seed(const Database& database) {
    database.insert(QStringLiteral("CompanyParameter"),
                    {QStringLiteral("Name"), QStringLiteral("DeviceTemplatePath"),
                     QStringLiteral("DeviceEvaluationPath"), QStringLiteral("ReportColumns")},
                    {QString(QLatin1String("")), QStringLiteral("\\My Documents\\Nobrin\\Templates\\"),
                     QStringLiteral("\\My Documents\\Nobrin\\Evaluations\\"), 3});
    database.insert(QStringLiteral("Control"), {QStringLiteral("EULA")}, {QVariant(QMetaType(QMetaType::QString))});
    Schema::addRowsSince(database, 0);
    database.execute(QStringLiteral("INSERT INTO SchemaVersion (Version) VALUES (?)"), {Schema::CurrentVersion});
}

// The report definitions of every catalog, each with the version that brought it.
struct ReportDefinitionRow {
    const char* name;
    const char* objectName;
    int reportType;
    int columnsUsed;
    int allowAllTemplates;
    int allowAllGroups;
    int multiSelectEvaluations;
    int since;
};
const ReportDefinitionRow ReportDefinitions[] = {
    {"Evaluation Report", "frmReportEvaluation", 0, 0, -1, -1, -1, 1},
    {"Group Summary by Evaluation", "frmReportGroupSummary", 1, -1, 0, 0, -1, 1},
    {"Group Summary by Group", "frmReportGroupSummary", 2, -1, 0, -1, -1, 1},
    {"Answer Chart by Group", "frmReportAnswerChart", 2, 0, 0, -1, -1, 4},
};

} // namespace

namespace Schema {

void addRowsSince(const Database& database, int version) {
    const QStringList columns{QStringLiteral("Name"),
                              QStringLiteral("objectName"),
                              QStringLiteral("reportType"),
                              QStringLiteral("columnsUsed"),
                              QStringLiteral("allowAllTemplates"),
                              QStringLiteral("allowAllGroups"),
                              QStringLiteral("multiSelectEvaluations")};
    for (const ReportDefinitionRow& report : ReportDefinitions) {
        const QString name = QString::fromLatin1(report.name);
        if (report.since <= version ||
            !database.scalar(QStringLiteral("SELECT 1 FROM ReportDefinition WHERE Name=?"), {name}).isNull())
            continue;
        database.insert(QStringLiteral("ReportDefinition"), columns,
                        {name, QString::fromLatin1(report.objectName), report.reportType, report.columnsUsed,
                         report.allowAllTemplates, report.allowAllGroups, report.multiSelectEvaluations});
    }
}

int version(const Database& database) {
    if (!hasVersionTable(database))
        return 0;
    return database.scalar(QStringLiteral("SELECT MAX(Version) FROM SchemaVersion")).toInt();
}

void ensure(const Database& database) {
    int found = version(database);
    if (found == CurrentVersion)
        return;
    if (found > CurrentVersion)
        throw KestrivoError(ErrorNumber::Database,
                            QStringLiteral("The database was written by a newer version of Kestrivo (schema %1; this "
                                           "program knows %2).")
                                .arg(found)
                                .arg(CurrentVersion));
    Transaction transaction(database);
    if (found == 0) {
        for (const char* table : Tables)
            database.execute(engineSql(table, database.engine()));
        for (const char* table : HistoryTables)
            database.execute(engineSql(table, database.engine()));
        if (database.engine() == DatabaseEngine::PostgreSQL) {
            createRowFunctions(database);
            createItemChecks(database);
            createOwnerChecks(database);
            createHistoryGuard(database);
        }
        seed(database);
        transaction.commit();
        return;
    }
    try {
        // Several PCs may start the new program at once: the first upgrades, the others wait
        // for it and then find nothing left to do.
        if (database.engine() == DatabaseEngine::PostgreSQL) {
            database.execute(QStringLiteral("LOCK TABLE SchemaVersion IN EXCLUSIVE MODE"));
            found = version(database);
        }
        if (found == CurrentVersion)
            return;
        upgradeFrom(found, database);
        database.execute(QStringLiteral("UPDATE SchemaVersion SET Version=?"), {CurrentVersion});
    } catch (const KestrivoError& error) {
        // Only the owner of a catalog's tables can change them.
        if (error.number() == ErrorNumber::NoRights)
            throw KestrivoError(ErrorNumber::NoRights, CatalogRights::UpgradeRefusal, error.source());
        throw;
    }
    transaction.commit();
}

const QList<Table>& tables() {
    static const QList<Table> list = [] {
        // The CREATE TABLE texts above are the one description of every column.
        QStringList head;
        for (const char* column : HistoryHead)
            head << QString::fromLatin1(column).section(' ', 0, 0);
        QList<Table> result;
        const auto parse = [&head, &result](const char* text, int since) {
            const QString sql = expanded(text);
            if (!sql.startsWith(QStringLiteral("CREATE TABLE ")) || sql.contains(QStringLiteral("SchemaVersion")))
                return;
            const qsizetype open = sql.indexOf('(');
            Table table{sql.mid(13, open - 13).trimmed(), {}, since};
            int depth = 0;
            QString item;
            for (const QChar c : sql.mid(open + 1, sql.lastIndexOf(')') - open - 1) + ',') {
                depth += c == '(' ? 1 : c == ')' ? -1 : 0;
                if (c != ',' || depth > 0) {
                    item += c;
                    continue;
                }
                const QStringList words = item.simplified().split(' ');
                const QString type = words.value(1);
                const ColumnKind kind = type == QStringLiteral("%NOW%") ? ColumnKind::Timestamp
                                        : type.startsWith(QStringLiteral("VARCHAR")) || type == QStringLiteral("TEXT")
                                            ? ColumnKind::Text
                                            : ColumnKind::Integer;
                table.columns.append({words.first(), kind, head.contains(words.first()) ? HistoryVersion : since});
                item.clear();
            }
            result.append(table);
        };
        for (const char* text : Tables)
            parse(text, 1);
        for (const char* text : HistoryTables)
            parse(text, HistoryVersion);
        return result;
    }();
    return list;
}

} // namespace Schema
