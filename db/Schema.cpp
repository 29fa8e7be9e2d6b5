#include "Schema.h"

#include "Database.h"
#include "KestrivoError.h"

#include <QStringList>

namespace {

// "%KEY%" is the auto-numbered key column and "%NOW%" the local time of insertion; both
// differ between the engines, everything else is written once for both.
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
    " EvaluationKey INTEGER NOT NULL REFERENCES Evaluation (EvaluationKey) ON DELETE CASCADE,"
    " TemplateFieldKey INTEGER NOT NULL REFERENCES TemplateField (TemplateFieldKey),"
    " TemplateFieldValueKey INTEGER NOT NULL DEFAULT 0, EnteredValue VARCHAR(255))",
    "CREATE TABLE EvaluationQuestion (EvaluationQuestionKey %KEY%,"
    " EvaluationKey INTEGER NOT NULL REFERENCES Evaluation (EvaluationKey) ON DELETE CASCADE,"
    " TemplateQuestionKey INTEGER NOT NULL REFERENCES TemplateQuestion (TemplateQuestionKey),"
    " Answer VARCHAR(50), TBCCheck SMALLINT NOT NULL DEFAULT 0)",
    "CREATE TABLE EvaluationPickList (EvaluationPickListKey %KEY%,"
    " EvaluationQuestionKey INTEGER NOT NULL REFERENCES EvaluationQuestion (EvaluationQuestionKey) ON DELETE CASCADE,"
    " TemplatePickListKey INTEGER NOT NULL REFERENCES TemplatePickList (TemplatePickListKey))",
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
    "CREATE TABLE Control (ControlKey %KEY%, EULA VARCHAR(100))",
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

QString engineSql(const char* text, DatabaseEngine engine) {
    QString sql = QString::fromLatin1(text);
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
    const QStringList columns{QStringLiteral("Name"),
                              QStringLiteral("objectName"),
                              QStringLiteral("reportType"),
                              QStringLiteral("columnsUsed"),
                              QStringLiteral("allowAllTemplates"),
                              QStringLiteral("allowAllGroups"),
                              QStringLiteral("multiSelectEvaluations")};
    database.insert(QStringLiteral("ReportDefinition"), columns,
                    {QStringLiteral("Evaluation Report"), QStringLiteral("frmReportEvaluation"), 0, 0, -1, -1, -1});
    database.insert(
        QStringLiteral("ReportDefinition"), columns,
        {QStringLiteral("Group Summary by Evaluation"), QStringLiteral("frmReportGroupSummary"), 1, -1, 0, 0, -1});
    database.insert(
        QStringLiteral("ReportDefinition"), columns,
        {QStringLiteral("Group Summary by Group"), QStringLiteral("frmReportGroupSummary"), 2, -1, 0, -1, -1});
    database.execute(QStringLiteral("INSERT INTO SchemaVersion (Version) VALUES (?)"), {Schema::CurrentVersion});
}

} // namespace

namespace Schema {

int version(const Database& database) {
    if (!hasVersionTable(database))
        return 0;
    return database.scalar(QStringLiteral("SELECT MAX(Version) FROM SchemaVersion")).toInt();
}

void ensure(const Database& database) {
    const int found = version(database);
    if (found == CurrentVersion)
        return;
    if (found > CurrentVersion)
        throw KestrivoError(ErrorNumber::Database,
                            QStringLiteral("The database was written by a newer version of Kestrivo (schema %1; this "
                                           "program knows %2).")
                                .arg(found)
                                .arg(CurrentVersion));
    Transaction transaction(database);
    for (const char* table : Tables)
        database.execute(engineSql(table, database.engine()));
    seed(database);
    transaction.commit();
}

} // namespace Schema
