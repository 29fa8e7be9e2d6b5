#include "Database.h"
#include "KestrivoCli.h"
#include "TemplateRows.h"
#include "TestDatabases.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// kestrivo-cli's template commands as a user runs them, in a program folder of their own.
class tst_TemplateCli : public QObject, private KestrivoCli::Home {
    Q_OBJECT

    using Run = KestrivoCli::Run;

    int templates(const QString& connection) const {
        Database db = Database::open(connection, "probe");
        const int rows = db.scalar("SELECT COUNT(*) FROM Template").toInt() +
                         db.scalar("SELECT COUNT(*) FROM TemplateAnswer").toInt();
        db.close();
        return rows;
    }

    // The example template of the handheld's file format, as a document.
    static QByteArray unitExample() {
        return R"({
  "format": "kestrivo-template",
  "version": 1,
  "name": "Cleaning",
  "fields": [
    {"label": "Unit", "type": "Dropdown", "length": 20, "decimals": 0, "useOn": "Both", "forced": true,
     "footer": false, "groupField": true, "order": 1, "values": ["B-Shift", "A-Shift"]},
    {"label": "Notes", "type": "Text", "length": 30, "decimals": 0, "useOn": "Both", "forced": false,
     "footer": false, "groupField": false, "order": 2, "values": []}
  ],
  "fileNameFields": [0],
  "questions": [{"question": "Clean?", "order": 1, "answers": ["Yes", "No"], "pickList": ["Floor"]}]
}
)";
    }

private Q_SLOTS:
    void init() { QVERIFY(cli({"init"}).exitCode == 0); }
    void cleanup() {
        QDir(home()).removeRecursively();
        QFile::remove(settings());
    }

    void listExportImportAndNames() {
        {
            Database db = Database::open(connection(), "setup");
            const qint64 kitchen = TemplateRows::addTemplate(db, "Kitchen");
            TemplateRows::addTemplate(db, "Bakery");
            db.insert("TemplateField", {"TemplateKey", "FieldLabel", "Deleted"}, {kitchen, "Gone", -1});
            db.insert("TemplateField", {"TemplateKey", "FieldLabel", "UseOn"}, {kitchen, "Cost", "R"});
            db.insert("TemplateQuestion", {"TemplateKey", "Question"}, {kitchen, "Clean?"});
            db.insert("TemplateQuestion", {"TemplateKey", "Question", "Deleted"}, {kitchen, "Old", -1});
            db.close();
        }
        QCOMPARE(cli({"template", "list"}).out, QString("2\tBakery\t1\t0\n1\tKitchen\t2\t1\n"));

        const Run byName = cli({"template", "export", "Kitchen"});
        QCOMPARE(byName.exitCode, 0);
        QCOMPARE(byName.err, QString());
        QVERIFY(byName.out.startsWith("{\n  \"format\": \"kestrivo-template\",\n  \"version\": 1,\n"));
        QVERIFY(byName.out.endsWith("}\n"));
        QVERIFY(!byName.out.contains("Gone") && !byName.out.contains("Old"));
        const Run toFile = cli({"template", "export", "1", "--out", path("kitchen.json")});
        QCOMPARE(toFile.exitCode, 0);
        QCOMPARE(toFile.out, QString());
        QCOMPARE(TestFiles::read(path("kitchen.json")), byName.out.toUtf8());

        const Run imported = cli({"template", "import", path("kitchen.json")});
        QCOMPARE(imported.exitCode, 0);
        QCOMPARE(imported.out, QString("3\n"));
        QCOMPARE(imported.err, QString("kestrivo-cli: note: templates 1, 3 share the name Kitchen; other commands "
                                       "must name them by key\n"));
        QCOMPARE(cli({"template", "export", "3"}).out, byName.out);
        const Run fromInput = cli({"template", "import", "-"}, byName.out.toUtf8());
        QCOMPARE(fromInput.out, QString("4\n"));
        QCOMPARE(cli({"template", "list"}).out,
                 QString("2\tBakery\t1\t0\n1\tKitchen\t2\t1\n3\tKitchen\t2\t1\n4\tKitchen\t2\t1\n"));

        for (const char* command : {"template export", "upload"}) {
            const Run shared = cli(QString(command).split(' ') << "Kitchen");
            QCOMPARE(shared.exitCode, 1);
            QCOMPARE(shared.err,
                     QString("kestrivo-cli: 3 templates are named Kitchen (keys 1, 3, 4); give the key instead\n"));
        }
        const Run unknown = cli({"template", "export", "Nothing"});
        QCOMPARE(unknown.exitCode, 1);
        QCOMPARE(unknown.err, QString("kestrivo-cli: no template has the name or key Nothing\n"));
        // A template without its group field exports, with the reason it will not import.
        {
            Database db = Database::open(connection(), "loose");
            db.insert("Template", {"Name"}, {"Loose"});
            db.close();
        }
        const Run loose = cli({"template", "export", "Loose"});
        QCOMPARE(loose.exitCode, 0);
        QVERIFY(loose.out.contains("\"fields\": []"));
        QCOMPARE(loose.err, QString("kestrivo-cli: warning: template 5 will not import as it stands:\n"
                                    "  fields: no group field\n"));
        const Run unwritable = cli({"template", "export", "2", "--out", path("no/such/folder.json")});
        QCOMPARE(unwritable.exitCode, 1);
        QVERIFY2(unwritable.err.startsWith("kestrivo-cli: " + path("no/such/folder.json") + " cannot be written: "),
                 qPrintable(unwritable.err));
    }

    // An imported template is one the unit can use: its upload gives the handheld's file.
    void importedTemplateUploads() {
        TestFiles::write(path("cleaning.json"), unitExample());
        const Run imported = cli({"template", "import", path("cleaning.json")});
        QCOMPARE(imported.exitCode, 0);
        const qint64 key = imported.out.trimmed().toLongLong();
        // No handheld program has run: the unit below the program folder has its folders all the same.
        QCOMPARE(cli({"upload", "Cleaning"}).exitCode, 0);
        QCOMPARE(TestFiles::read(home() + "/unit/My Documents/Nobrin/Templates/Cleaning.evt"),
                 TestFiles::read(home() + "/data/Cleaning.evt"));

        Database db = Database::open(connection(), "keys");
        const auto keyOf = [&](const QString& sql) { return db.scalar(sql, {key}).toString(); };
        const QString unit = keyOf("SELECT TemplateFieldKey FROM TemplateField WHERE TemplateKey=? AND GroupField=-1");
        const QString notes = keyOf("SELECT TemplateFieldKey FROM TemplateField WHERE TemplateKey=? AND GroupField=0");
        const QString question = keyOf("SELECT TemplateQuestionKey FROM TemplateQuestion WHERE TemplateKey=?");
        const QString floor = keyOf("SELECT TemplatePickListKey FROM TemplatePickList INNER JOIN TemplateQuestion ON "
                                    "TemplatePickList.TemplateQuestionKey = TemplateQuestion.TemplateQuestionKey "
                                    "WHERE TemplateKey=?");
        QSqlQuery values = db.query("SELECT TemplateFieldValueKey FROM TemplateFieldValue WHERE TemplateFieldKey=? "
                                    "ORDER BY FieldValue",
                                    {unit});
        QStringList valueKeys;
        while (values.next())
            valueKeys << values.value(0).toString();
        db.close();
        QCOMPARE(valueKeys.size(), 2);
        const QString expected =
            QStringList({"\"H\"," + QString::number(key), "\"N\"," + unit, "\"F\"," + unit + ",\"Unit\",2,20,2,-1,-1",
                         "\"V\",\"A-Shift\"," + valueKeys[0], "\"V\",\"B-Shift\"," + valueKeys[1],
                         "\"F\"," + notes + ",\"Notes\",0,30,0,0,0", "\"Q\"," + question + ",\"Clean?\"",
                         "\"A\",\"Yes\"", "\"A\",\"No\"", "\"P\"," + floor + ",\"Floor\"", ""})
                .join("\r\n");
        QCOMPARE(QString::fromLatin1(TestFiles::read(home() + "/data/Cleaning.evt")), expected);

        // A unit mounted elsewhere is a handheld's, whose own program makes its folders.
        QTemporaryDir mounted;
        QCOMPARE(cli({"settings", "set", "UnitPath", mounted.path()}).exitCode, 0);
        const Run refused = cli({"upload", "Cleaning"});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains("Error: 3\nFolders do not exist on unit. Run Nobrin on unit to create folders, "
                                      "try again.\nError with copy"),
                 qPrintable(refused.err));
        QCOMPARE(QDir(mounted.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void badDocumentsWriteNothing() {
        QByteArray bad = unitExample();
        bad.replace(R"("label": "Notes")", R"("label": "Notes on anything else")");
        bad.replace("[0]", "[2]");
        TestFiles::write(path("bad.json"), bad);
        const Run refused = cli({"template", "import", path("bad.json")});
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.out, QString());
        QCOMPARE(refused.err, "kestrivo-cli: " + path("bad.json") +
                                  " was not imported:\n  fields[1].label: longer than 20 characters\n"
                                  "  fileNameFields[0]: names no entry field (fields[0] to fields[1])\n");
        QCOMPARE(cli({"template", "import", "-"}, "{").err,
                 QString("kestrivo-cli: standard input was not imported:\n"
                         "  line 1, column 2: not JSON: unterminated object\n"));
        const Run missing = cli({"template", "import", path("none.json")});
        QCOMPARE(missing.exitCode, 1);
        QCOMPARE(missing.err, "kestrivo-cli: " + path("none.json") + " cannot be read: No such file or directory\n");
        QCOMPARE(templates(connection()), 0);

        // Over the editor's limits: warned with the editor's texts, and imported.
        QByteArray many = unitExample();
        many.replace(R"(["Yes", "No"])", '[' + QByteArrayList(21, "\"a\"").join(',') + ']');
        const Run warned = cli({"template", "import", "-"}, many);
        QCOMPARE(warned.exitCode, 0);
        QCOMPARE(warned.err, QString("kestrivo-cli: warning: questions[0].answers: Only 20 answers can be added to "
                                     "each question. Extra data will be skipped when uploaded to unit.\n"));
        QCOMPARE(templates(connection()), 1 + 21);

        const QString usage = "kestrivo-cli: usage: template list | template export TEMPLATE [--out FILE] | "
                              "template import FILE\n";
        for (const QStringList& wrong :
             {QStringList{"template"}, QStringList{"template", "export"},
              QStringList{"template", "export", "1", "--out"}, QStringList{"template", "import", "a", "b"},
              QStringList{"template", "list", "x"}}) {
            const Run run = cli(wrong);
            QCOMPARE(run.exitCode, 2);
            QCOMPARE(run.err, usage);
        }
    }

    void killedImportLeavesNothing_data() { TestDatabases::addEngineRows(); }
    void killedImportLeavesNothing() {
        QFETCH(QString, connection);
        connection = useCatalog(connection);
        const QByteArray question = R"({"question": "Q", "order": 1, "answers": [)" +
                                    QByteArrayList(30000, "\"answer\"").join(',') + R"(], "pickList": []})";
        QByteArray big = unitExample();
        big.replace(big.mid(big.indexOf("[{\"question\""), big.lastIndexOf(']') - big.indexOf("[{\"question\"") + 1),
                    '[' + QByteArrayList(40, question).join(",\n") + ']');
        TestFiles::write(path("big.json"), big);

        QProcess process;
        process.start(KestrivoCli::program(), withHome({"template", "import", path("big.json")}));
        QVERIFY(process.waitForStarted());
        QVERIFY2(TestDatabases::caughtRunning(
                     process, [&] { return TestDatabases::anotherIsWriting(connection, "TemplateAnswer"); }),
                 qPrintable("the import ended before it could be killed in the middle: " +
                            QString::fromUtf8(process.readAllStandardError())));
        process.kill();
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        QCOMPARE(templates(connection), 0);
    }
};

QTEST_GUILESS_MAIN(tst_TemplateCli)
#include "tst_templatecli.moc"
