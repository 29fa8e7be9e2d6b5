#include "DataEnvironment.h"
#include "Database.h"
#include "FieldText.h"
#include "KestrivoError.h"
#include "Schema.h"
#include "SqliteRows.h"
#include "TestDatabases.h"

#include <QDateTime>
#include <QFile>
#include <QTest>

class tst_Database : public QObject {
    Q_OBJECT

    Database openFresh() {
        QFETCH(QString, connection);
        return Database::open(connection, QStringLiteral("test"));
    }

    qint64 addTemplateWithGroup(const Database& db, qint64* fieldKey, qint64* valueKey) {
        const qint64 templateKey = db.insert("Template", {"Name"}, {"Audit"});
        *fieldKey = db.insert("TemplateField", {"TemplateKey", "FieldLabel", "FieldType", "GroupField"},
                              {templateKey, "Group", 2, -1});
        *valueKey = db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {*fieldKey, "North"});
        return templateKey;
    }

private Q_SLOTS:
    void cleanup() { QSqlDatabase::removeDatabase("test"); }

    void emptyDatabaseHasSeedRows_data() { TestDatabases::addEngineRows(); }
    void emptyDatabaseHasSeedRows() {
        Database db = openFresh();
        QCOMPARE(Schema::version(db), Schema::CurrentVersion);
        QSqlQuery company = db.query("SELECT CompanyParameterKey, Name, DeviceTemplatePath, DeviceEvaluationPath, "
                                     "ReportColumns FROM CompanyParameter");
        QVERIFY(company.next());
        QCOMPARE(company.value(0).toInt(), 1);
        QCOMPARE(FieldText(company.value(1)), QString());
        QCOMPARE(company.value(2).toString(), QString("\\My Documents\\Nobrin\\Templates\\"));
        QCOMPARE(company.value(3).toString(), QString("\\My Documents\\Nobrin\\Evaluations\\"));
        QCOMPARE(company.value(4).toInt(), 3);
        QVERIFY(!company.next());

        QSqlQuery control = db.query("SELECT ControlKey, EULA FROM Control");
        QVERIFY(control.next());
        QCOMPARE(control.value(0).toInt(), 1);
        QVERIFY(control.value(1).isNull());

        QSqlQuery reports = db.query("SELECT Name, objectName, reportType, columnsUsed, allowAllTemplates, "
                                     "allowAllGroups, multiSelectEvaluations FROM ReportDefinition ORDER BY "
                                     "ReportDefinitionKey");
        QStringList rows;
        while (reports.next()) {
            QStringList cells;
            for (int i = 0; i < 7; ++i)
                cells << reports.value(i).toString();
            rows << cells.join('|');
        }
        QCOMPARE(rows, QStringList({"Evaluation Report|frmReportEvaluation|0|0|-1|-1|-1",
                                    "Group Summary by Evaluation|frmReportGroupSummary|1|-1|0|0|-1",
                                    "Group Summary by Group|frmReportGroupSummary|2|-1|0|-1|-1",
                                    "Answer Chart by Group|frmReportAnswerChart|2|0|0|-1|-1"}));

        // Opening it again keeps the rows: the schema is created once.
        db.close();
        db = openFresh();
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM ReportDefinition").toInt(), 4);
        db.close();
    }

    void keysDefaultsAndCascade_data() { TestDatabases::addEngineRows(); }
    void keysDefaultsAndCascade() {
        Database db = openFresh();
        QVERIFY(db.query("SELECT * FROM Evaluation WHERE EvaluationKey=?", {0}).next() == false);
        qint64 fieldKey = 0, valueKey = 0;
        const qint64 templateKey = addTemplateWithGroup(db, &fieldKey, &valueKey);
        QCOMPARE(templateKey, 1);
        QSqlQuery field = db.query("SELECT Sequence, FieldLength, UseOn, ForceEntry, Deleted FROM TemplateField "
                                   "WHERE TemplateFieldKey=?",
                                   {fieldKey});
        QVERIFY(field.next());
        QCOMPARE(field.value(0).toInt(), 99);
        QCOMPARE(field.value(1).toInt(), 20);
        QCOMPARE(field.value(2).toString(), QString("B"));
        QCOMPARE(field.value(3).toInt(), 0);

        const qint64 questionKey = db.insert("TemplateQuestion", {"TemplateKey", "Question"}, {templateKey, "Clean?"});
        const qint64 pickKey = db.insert("TemplatePickList", {"TemplateQuestionKey", "Name"}, {questionKey, "Floor"});

        const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
        const qint64 evaluationKey = db.insert("Evaluation", {"TemplateKey", "EvaluationGroupKey", "FileName"},
                                               {templateKey, valueKey, "North_1"});
        const QDateTime downloaded = db.scalar("SELECT Downloaded FROM Evaluation").toDateTime();
        QVERIFY2(downloaded >= before && downloaded <= QDateTime::currentDateTime().addSecs(2),
                 qPrintable(downloaded.toString(Qt::ISODate)));
        db.insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey", "TemplateFieldValueKey", "EnteredValue"},
                  {evaluationKey, fieldKey, valueKey, "North"});
        const qint64 answerKey =
            db.insert("EvaluationQuestion", {"EvaluationKey", "TemplateQuestionKey", "Answer", "TBCCheck"},
                      {evaluationKey, questionKey, "3", -1});
        db.insert("EvaluationPickList", {"EvaluationQuestionKey", "TemplatePickListKey"}, {answerKey, pickKey});

        db.execute("DELETE FROM Evaluation WHERE EvaluationKey=?", {evaluationKey});
        for (const char* table : {"EvaluationField", "EvaluationQuestion", "EvaluationPickList"})
            QCOMPARE(db.scalar(QString("SELECT COUNT(*) FROM %1").arg(table)).toInt(), 0);
        db.close();
    }

    void keysNamingNothingFail_data() { TestDatabases::addEngineRows(); }
    void keysNamingNothingFail() {
        Database db = openFresh();
        qint64 fieldKey = 0, valueKey = 0;
        const qint64 templateKey = addTemplateWithGroup(db, &fieldKey, &valueKey);
        QVERIFY_THROWS_EXCEPTION(KestrivoError,
                                 db.insert("Evaluation", {"TemplateKey", "EvaluationGroupKey"}, {templateKey, 999}));
        const qint64 evaluationKey =
            db.insert("Evaluation", {"TemplateKey", "EvaluationGroupKey"}, {templateKey, valueKey});
        QVERIFY_THROWS_EXCEPTION(
            KestrivoError, db.insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey"}, {evaluationKey, 4242}));
        QVERIFY_THROWS_EXCEPTION(
            KestrivoError,
            db.insert("EvaluationQuestion", {"EvaluationKey", "TemplateQuestionKey"}, {evaluationKey, 4242}));
        // Nor may a row belong to an evaluation or an answer that does not exist.
        QVERIFY_THROWS_EXCEPTION(KestrivoError,
                                 db.insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey"}, {4242, fieldKey}));
        QVERIFY_THROWS_EXCEPTION(KestrivoError, db.execute("INSERT INTO EvaluationPickList (EvaluationQuestionKey, "
                                                           "TemplatePickListKey) VALUES (4242, 1)"));
        // Text fields carry 0 as their list value.
        db.insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey", "TemplateFieldValueKey"},
                  {evaluationKey, fieldKey, 0});
        // A template that evaluations use stays.
        QVERIFY_THROWS_EXCEPTION(KestrivoError, db.execute("DELETE FROM Template WHERE TemplateKey=?", {templateKey}));
        db.close();
    }

    // A catalog of an earlier version (row foreign keys on the named template items in 1, and
    // on the rows' evaluations in 2; no answer chart before 4, no history before 5) is brought up
    // to date when it is opened, its rows kept and its guarantees with them.
    void olderCatalogIsUpgradedInPlace_data() {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<int>("version");
        for (const int version : {1, 2, 3, 4}) {
            QTest::addRow("SQLite %d", version)
                << TestDatabases::freshConnectionString(DatabaseEngine::SQLite) << version;
            if (TestDatabases::postgresAvailable())
                QTest::addRow("PostgreSQL %d", version)
                    << TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL) << version;
        }
    }
    void olderCatalogIsUpgradedInPlace() {
        QFETCH(int, version);
        Database db = openFresh();
        qint64 fieldKey = 0, valueKey = 0;
        const qint64 templateKey = addTemplateWithGroup(db, &fieldKey, &valueKey);
        const qint64 evaluationKey =
            db.insert("Evaluation", {"TemplateKey", "EvaluationGroupKey"}, {templateKey, valueKey});
        db.insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey"}, {evaluationKey, fieldKey});
        const bool postgres = db.engine() == DatabaseEngine::PostgreSQL;
        const QString foreignKeys = "SELECT COUNT(*) FROM pg_constraint WHERE contype = 'f' AND conrelid IN "
                                    "('evaluationfield'::regclass, 'evaluationquestion'::regclass, "
                                    "'evaluationpicklist'::regclass)";
        // No version before 5 kept a history.
        db.execute("DROP TABLE EvaluationHistory");
        db.execute("ALTER TABLE Control DROP COLUMN HistoryLastKey");
        db.execute("ALTER TABLE Control DROP COLUMN HistoryDigest");
        if (postgres)
            db.execute("DROP FUNCTION kestrivo_history_stays()");
        if (postgres && version < 3) {
            for (const char* table :
                 {"Evaluation", "EvaluationQuestion", "TemplateField", "TemplateQuestion", "TemplatePickList"})
                db.execute(QString("DROP TRIGGER %1_KeyStays ON %1").arg(table));
            for (const char* table : {"Evaluation", "EvaluationQuestion"})
                db.execute(QString("DROP TRIGGER %1_RemoveRows ON %1").arg(table));
            db.execute("DROP TRIGGER EvaluationQuestion_LockEvaluation ON EvaluationQuestion");
            for (const char* function : {"kestrivo_remove_rows", "kestrivo_key_stays", "kestrivo_lock_evaluation"})
                db.execute(QString("DROP FUNCTION %1()").arg(function));
            db.execute("ALTER TABLE EvaluationField ADD FOREIGN KEY (EvaluationKey) REFERENCES Evaluation ON DELETE "
                       "CASCADE");
            db.execute("ALTER TABLE EvaluationQuestion ADD FOREIGN KEY (EvaluationKey) REFERENCES Evaluation ON "
                       "DELETE CASCADE");
            db.execute("ALTER TABLE EvaluationPickList ADD FOREIGN KEY (EvaluationQuestionKey) REFERENCES "
                       "EvaluationQuestion ON DELETE CASCADE");
        }
        if (postgres && version == 1) {
            for (const char* table : {"EvaluationField", "EvaluationQuestion", "EvaluationPickList"})
                for (const char* event : {"INSERT", "UPDATE"})
                    db.execute(QString("DROP TRIGGER %1_Items_%2 ON %1").arg(table, event));
            for (const char* table : {"TemplateField", "TemplateQuestion", "TemplatePickList"}) {
                db.execute(QString("DROP TRIGGER %1_LockTemplate ON %1").arg(table));
                db.execute(QString("DROP TRIGGER %1_Unused ON %1").arg(table));
            }
            for (const char* function :
                 {"kestrivo_named_items_exist", "kestrivo_lock_item_template", "kestrivo_items_unused"})
                db.execute(QString("DROP FUNCTION %1()").arg(function));
            db.execute("ALTER TABLE EvaluationField ADD FOREIGN KEY (TemplateFieldKey) REFERENCES TemplateField");
            db.execute("ALTER TABLE EvaluationQuestion ADD FOREIGN KEY (TemplateQuestionKey) REFERENCES "
                       "TemplateQuestion");
            db.execute("ALTER TABLE EvaluationPickList ADD FOREIGN KEY (TemplatePickListKey) REFERENCES "
                       "TemplatePickList");
        }
        if (postgres)
            QCOMPARE(db.scalar(foreignKeys).toInt(), version == 1 ? 6 : version == 2 ? 3 : 0);
        if (version < 4)
            db.execute("DELETE FROM ReportDefinition WHERE objectName='frmReportAnswerChart'");
        db.execute("UPDATE SchemaVersion SET Version=?", {version});
        db.close();

        db = openFresh();
        QCOMPARE(Schema::version(db), Schema::CurrentVersion);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM SchemaVersion").toInt(), 1);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM EvaluationField").toInt(), 1);
        QCOMPARE(db.scalar("SELECT reportType FROM ReportDefinition WHERE Name='Answer Chart by Group' AND "
                           "objectName='frmReportAnswerChart' AND allowAllGroups=-1")
                     .toInt(),
                 2);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM ReportDefinition").toInt(), 4);
        if (postgres)
            QCOMPARE(db.scalar(foreignKeys).toInt(), 0);
        QVERIFY_THROWS_EXCEPTION(
            KestrivoError, db.insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey"}, {evaluationKey, 4242}));
        QVERIFY_THROWS_EXCEPTION(KestrivoError,
                                 db.insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey"}, {4242, fieldKey}));
        QVERIFY_THROWS_EXCEPTION(KestrivoError,
                                 db.execute("DELETE FROM TemplateField WHERE TemplateFieldKey=?", {fieldKey}));
        db.execute("DELETE FROM Evaluation");
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM EvaluationField").toInt(), 0);
        // The history came with the upgrade, its chain empty and guarded.
        QCOMPARE(db.scalar("SELECT HistoryLastKey FROM Control").toInt(), 0);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM EvaluationHistory").toInt(), 0);
        if (postgres)
            QCOMPARE(db.scalar("SELECT COUNT(*) FROM pg_trigger WHERE tgname = 'evaluationhistory_stays'").toInt(), 1);
        db.close();
    }

    void transactionRollsBackUnlessCommitted_data() { TestDatabases::addEngineRows(); }
    void transactionRollsBackUnlessCommitted() {
        Database db = openFresh();
        try {
            Transaction transaction(db);
            db.insert("Template", {"Name"}, {"Half"});
            throw KestrivoError(5, "stop");
        } catch (const KestrivoError&) {
        }
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Template").toInt(), 0);
        {
            Transaction transaction(db);
            db.insert("Template", {"Name"}, {"Whole"});
            transaction.commit();
        }
        QCOMPARE(db.scalar("SELECT Name FROM Template").toString(), QString("Whole"));
        db.close();
    }

    // Fresh statistics come after rows are written: a server that refuses them (here, in a
    // transaction an error has spoilt) is logged, and what wrote the rows goes on.
    void refreshStatisticsNeverFails_data() { TestDatabases::addEngineRows(); }
    void refreshStatisticsNeverFails() {
        Database db = openFresh();
        Transaction transaction(db);
        QVERIFY_THROWS_EXCEPTION(KestrivoError, db.execute("SELECT Missing FROM Template"));
        db.refreshStatistics();
        db.close();
    }

    void unusableDatabasesGiveTheReason() {
        const QString garbage = TestDatabases::home() + "garbage.db";
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        try {
            Database::open("Provider=SQLite;Data Source=" + garbage, "test");
            QFAIL("a file that is not a database was opened");
        } catch (const KestrivoError& error) {
            QVERIFY2(error.description().contains("not a database"), qPrintable(error.description()));
            QVERIFY(!QSqlDatabase::contains("test"));
        }
        try {
            Database::open("Provider=SQLite;Data Source=/no/such/folder/k.db", "test");
            QFAIL("a database in a missing folder was opened");
        } catch (const KestrivoError& error) {
            QCOMPARE(error.description(), QString("The folder /no/such/folder does not exist."));
        }
        QVERIFY_THROWS_EXCEPTION(KestrivoError, Database::open("Provider=Jet;Data Source=x", "test"));
    }

    void companyParameterTakesEffectAtOnce() {
        DataEnvironment& environment = DataEnvironment::instance();
        environment.open(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        CompanyParameter values = environment.rsCompanyParameter();
        values.Name = "Halvane Care";
        values.ReportColumns = 5;
        environment.saveCompanyParameter(values);
        QCOMPARE(environment.rsCompanyParameter().ReportColumns, 5);
        environment.reloadCompanyParameter();
        QCOMPARE(environment.rsCompanyParameter().Name, QString("Halvane Care"));
        environment.close();
    }

    // The raw reader gives what QSqlQuery gives, binds text and numbers, and turns every
    // failure of the engine, at the start or on a row, into an error that says what it is.
    void sqliteRowsReadAsTheDriverDoes() {
        Database db = Database::open(TestDatabases::freshConnectionString(DatabaseEngine::SQLite), "test");
        const QString sql = "SELECT ?, ?, NULL, 2.5, x'00ff', 'Prüfung'";
        SqliteRows rows(db, sql, {QVariant(qint64(7)), QVariant("Größe")});
        QSqlQuery driver = db.query(sql, {QVariant(qint64(7)), QVariant("Größe")});
        QVERIFY(rows.next());
        QVERIFY(driver.next());
        QCOMPARE(rows.integer(0), 7);
        QVERIFY(rows.isText(1));
        QCOMPARE(QString::fromUtf8(rows.text(1).toByteArray()), QString("Größe"));
        QVERIFY(rows.text(2).isEmpty());
        for (int column = 0; column < 6; ++column)
            QCOMPARE(FieldText(rows.value(column)), FieldText(driver.value(column)));
        QVERIFY(!rows.next());

        try {
            SqliteRows wrong(db, "SELECT Missing FROM Template", {});
            QFAIL("a statement naming no column was prepared");
        } catch (const KestrivoError& error) {
            QVERIFY2(error.description().contains("no such column"), qPrintable(error.description()));
        }
        SqliteRows broken(db, "SELECT value FROM json_each(?)", {QVariant("[1,")});
        QVERIFY_THROWS_EXCEPTION(KestrivoError, broken.next());
        db.close();
    }

    void fieldText() {
        QCOMPARE(FieldText(QVariant()), QString());
        QCOMPARE(FieldText(QVariant(QMetaType(QMetaType::QString))), QString());
        QCOMPARE(FieldText(QVariant(42)), QString("42"));
        QCOMPARE(FieldText(QVariant(-7LL)), QString("-7"));
        QCOMPARE(FieldText(QVariant(" abcdef "), 4), QString(" abc"));
        QCOMPARE(FieldText(QVariant(" abcdef "), 4, true), QString("abc"));
        QCOMPARE(FieldText(QVariant(" x "), 0, true), QString("x"));
    }
};

QTEST_GUILESS_MAIN(tst_Database)
#include "tst_database.moc"
