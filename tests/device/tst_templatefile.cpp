#include "DataEnvironment.h"
#include "HandheldFixture.h"
#include "KestrivoError.h"
#include "ProgramSettings.h"
#include "RecordingStatus.h"
#include "ScriptedPrompter.h"
#include "TemplateFileWriter.h"
#include "TemplateUpload.h"
#include "TestDatabases.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTest>

// The template file written from the database, and the Upload that carries it to the unit.
class tst_TemplateFile : public QObject {
    Q_OBJECT

    static QStringList linesOf(const QByteArray& bytes) {
        QStringList lines = QString::fromLatin1(bytes).split("\r\n");
        if (lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    static int countOf(const QStringList& lines, const QString& type) {
        return int(std::count_if(lines.begin(), lines.end(),
                                 [&](const QString& line) { return line.startsWith('"' + type + '"'); }));
    }

    // The template of the file format's example, with its own keys.
    static void addExample(const Database& db) {
        db.insert("Template", {"TemplateKey", "Name"}, {12, "Shift check"});
        db.insert("TemplateField",
                  {"TemplateFieldKey", "TemplateKey", "Sequence", "FieldLabel", "FieldType", "FieldLength",
                   "ForceEntry", "GroupField"},
                  {40, 12, 1, "Unit", 2, 20, -1, -1});
        db.insert("TemplateField",
                  {"TemplateFieldKey", "TemplateKey", "Sequence", "FieldLabel", "FieldType", "FieldLength"},
                  {41, 12, 2, "Notes", 0, 30});
        db.insert("TemplateFieldValue", {"TemplateFieldValueKey", "TemplateFieldKey", "FieldValue"},
                  {8, 40, "B-Shift"});
        db.insert("TemplateFieldValue", {"TemplateFieldValueKey", "TemplateFieldKey", "FieldValue"},
                  {7, 40, "A-Shift"});
        db.insert("FileNameField", {"FileNameFieldKey", "TemplateFieldKey", "Sequence"}, {1, 40, 1});
        db.insert("TemplateQuestion", {"TemplateQuestionKey", "TemplateKey", "Question", "Sequence"},
                  {90, 12, "Clean?", 1});
        db.insert("TemplateAnswer", {"TemplateAnswerKey", "TemplateQuestionKey", "Answer", "Sequence"},
                  {1, 90, "Yes", 1});
        db.insert("TemplateAnswer", {"TemplateAnswerKey", "TemplateQuestionKey", "Answer", "Sequence"},
                  {2, 90, "No", 2});
        db.insert("TemplatePickList", {"TemplatePickListKey", "TemplateQuestionKey", "Name", "Sequence"},
                  {300, 90, "Floor", 1});
    }

    static const QByteArray& exampleBytes() {
        static const QByteArray bytes = "\"H\",12\r\n"
                                        "\"N\",40\r\n"
                                        "\"F\",40,\"Unit\",2,20,2,-1,-1\r\n"
                                        "\"V\",\"A-Shift\",7\r\n"
                                        "\"V\",\"B-Shift\",8\r\n"
                                        "\"F\",41,\"Notes\",0,30,0,0,0\r\n"
                                        "\"Q\",90,\"Clean?\"\r\n"
                                        "\"A\",\"Yes\"\r\n"
                                        "\"A\",\"No\"\r\n"
                                        "\"P\",300,\"Floor\"\r\n";
        return bytes;
    }

private Q_SLOTS:
    void exampleIsWrittenByteForByte_data() { TestDatabases::addEngineRows(); }
    void exampleIsWrittenByteForByte() {
        QFETCH(QString, connection);
        HandheldFixture fixture(connection);
        addExample(fixture.db());
        QCOMPARE(TemplateFileWriter::write(fixture.db(), 12), exampleBytes());
    }

    void whatReachesTheUnit_data() { TestDatabases::addEngineRows(); }
    void whatReachesTheUnit() {
        QFETCH(QString, connection);
        HandheldFixture fixture(connection);
        const Database& db = fixture.db();
        const qint64 key = db.insert("Template", {"Name"}, {"Edge"});
        QCOMPARE(TemplateFileWriter::write(db, key), QByteArray("\"H\",") + QByteArray::number(key) + "\r\n");

        auto field = [&](int sequence, const QString& label, int type, const QString& useOn, int deleted) {
            return db.insert("TemplateField",
                             {"TemplateKey", "Sequence", "FieldLabel", "FieldType", "UseOn", "Deleted"},
                             {key, sequence, label, type, useOn, deleted});
        };
        const qint64 reportOnly = field(1, "Cost", 1, "R", 0);
        const qint64 emptyList = field(2, "Area", 2, "B", 0);
        const qint64 text = field(3, "Say \"hi\", ok", 0, "H", 0);
        field(4, "Gone", 0, "B", -1);
        const qint64 list = field(5, "Caf\u00e9 \u20ac", 2, "B", 0);
        db.insert("FileNameField", {"TemplateFieldKey", "Sequence"}, {reportOnly, 1});
        db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue", "Deleted"}, {emptyList, "Old", -1});
        db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {text, "Kept from a dropdown"});
        const qint64 b = db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {list, "b"});
        const qint64 a = db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {list, "A"});
        const qint64 c = db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {list, "C"});

        const QByteArray bytes = TemplateFileWriter::write(db, key);
        QVERIFY(bytes.endsWith("\r\n"));
        QVERIFY(!bytes.contains("\r\n\r\n"));
        QVERIFY(bytes.contains(QByteArray("\"Caf\xe9 \x80\"")));
        QCOMPARE(linesOf(bytes), QStringList({QString("\"H\",%1").arg(key), QString("\"N\",%1").arg(reportOnly),
                                              QString("\"F\",%1,\"Area\",2,20,0,0,0").arg(emptyList),
                                              QString("\"F\",%1,\"Say \"hi\", ok\",0,20,0,0,0").arg(text),
                                              QString("\"F\",%1,\"Caf\u00e9 \u0080\",2,20,3,0,0").arg(list),
                                              QString("\"V\",\"A\",%1").arg(a), QString("\"V\",\"b\",%1").arg(b),
                                              QString("\"V\",\"C\",%1").arg(c)}));
    }

    void limitsOfTheUnit() {
        HandheldFixture fixture(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        const Database& db = fixture.db();
        const qint64 key = db.insert("Template", {"Name"}, {"Big"});
        for (int i = 1; i <= 22; ++i)
            db.insert("TemplateField", {"TemplateKey", "Sequence", "FieldLabel"}, {key, i, QString("F%1").arg(i)});
        qint64 first = 0;
        for (int i = 1; i <= 52; ++i) {
            const qint64 question =
                db.insert("TemplateQuestion", {"TemplateKey", "Sequence", "Question"}, {key, i, QString("Q%1").arg(i)});
            first = first ? first : question;
        }
        // Deleted answers do not count towards the 20.
        for (int i = 1; i <= 3; ++i)
            db.insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence", "Deleted"},
                      {first, "deleted", 0, -1});
        for (int i = 1; i <= 22; ++i)
            db.insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"}, {first, QString::number(i), i});
        for (int i = 1; i <= 32; ++i)
            db.insert("TemplatePickList", {"TemplateQuestionKey", "Name", "Sequence"},
                      {first, QString("P%1").arg(i), i});

        const QStringList lines = linesOf(TemplateFileWriter::write(db, key));
        QCOMPARE(countOf(lines, "F"), 20);
        QCOMPARE(countOf(lines, "Q"), 50);
        QCOMPARE(countOf(lines, "A"), 20);
        QCOMPARE(countOf(lines, "P"), 30);
        QVERIFY(lines.contains("\"A\",\"20\""));
        QVERIFY(!lines.contains("\"A\",\"deleted\""));
        QVERIFY(lines.at(20).endsWith("\"F20\",0,20,0,0,0"));
        QVERIFY(lines.last().startsWith("\"Q\",") && lines.last().endsWith("\"Q50\""));
    }

    void uploadCarriesTheFileToTheUnit() {
        HandheldFixture fixture(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        addExample(fixture.db());
        RecordingStatus status;
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(TemplateUpload(fixture.session(), status).UploadTemplate(12, "Shift check"));
        QCOMPARE(prompter.last().text, QString("Transfer Completed."));
        QCOMPARE(prompter.last().title, QString("Message"));
        QCOMPARE(TestFiles::read(programSettings().DataPath + "Shift check.evt"), exampleBytes());
        QCOMPARE(TestFiles::read(fixture.unitTemplateFolder() + "Shift check.evt"), exampleBytes());
        QCOMPARE(status.texts,
                 QStringList({"Uploading Template", "Select template to maintain / press add to add new"}));
        QCOMPARE(status.busy, QList<bool>({true, false}));
        QCOMPARE(fixture.unit().connections, 1);
        QCOMPARE(fixture.unit().disconnections, 1);
    }

    void uploadFailures() {
        HandheldFixture fixture(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        addExample(fixture.db());
        const QString pcFile = programSettings().DataPath + "Shift check.evt";
        RecordingStatus status;
        ScriptedPrompter prompter;
        TemplateUpload upload(fixture.session(), status);

        fixture.unit().faults.neverAnswers = true;
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!upload.UploadTemplate(12, "Shift check"));
        QCOMPARE(prompter.last().text, "Unit is not connected to PC.  Try again.\r\nThe unit was looked for in " +
                                           fixture.unitRoot() + " (Tools > Options, Paths, Unit).");
        QCOMPARE(prompter.last().title, QString("Connection Error"));
        QCOMPARE(prompter.last().icon, PromptIcon::Critical);
        QVERIFY(!QFile::exists(pcFile));
        QCOMPARE(fixture.unit().disconnections, 1);
        QCOMPARE(status.texts, QStringList({"Select template to maintain / press add to add new"}));

        fixture.unit().faults.neverAnswers = false;
        QVERIFY(QDir(fixture.unitTemplateFolder()).removeRecursively());
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!upload.UploadTemplate(12, "Shift check"));
        QCOMPARE(prompter.last().text, QString("CE Error.\r\nError: 3\r\nFolders do not exist on unit. Run Nobrin on "
                                               "unit to create folders, try again.\r\nError with copy"));
        QCOMPARE(TestFiles::read(pcFile), exampleBytes());
        QCOMPARE(fixture.unit().disconnections, 2);

        // A text the unit cannot hold stops the upload before the file is written.
        QDir().mkpath(fixture.unitTemplateFolder());
        QFile::remove(pcFile);
        fixture.db().execute("UPDATE TemplateQuestion SET Question=? WHERE TemplateQuestionKey=90", {"\u6e29\u5ea6?"});
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!upload.UploadTemplate(12, "Shift check"));
        QCOMPARE(prompter.last().title, QString("Error"));
        QVERIFY2(
            prompter.last().text.contains("The template \"Shift check\" was not uploaded. The text \"\u6e29\u5ea6?\""),
            qPrintable(prompter.last().text));
        QVERIFY(fixture.errorLog().contains("was not uploaded"));
        QVERIFY(!QFile::exists(pcFile));
        QVERIFY(!QFile::exists(fixture.unitTemplateFolder() + "Shift check.evt"));
        QCOMPARE(fixture.unit().disconnections, 3);
        QCOMPARE(status.busy.last(), false);
    }

    void namesThatCannotBeFileNames_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"", ".", "..", "a/b", "a\\b", "..\\..\\x", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b",
                                 "a|b", "tab\tname", "line\nbreak"})
            QTest::newRow(*name ? QByteArray(name).toPercentEncoding().constData() : "empty")
                << QString::fromLatin1(name);
    }
    void namesThatCannotBeFileNames() {
        QFETCH(QString, name);
        HandheldFixture fixture(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        addExample(fixture.db());
        RecordingStatus status;
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!TemplateUpload(fixture.session(), status).UploadTemplate(12, name));
        QCOMPARE(prompter.last().title, QString("Template Name"));
        QCOMPARE(prompter.last().icon, PromptIcon::Critical);
        QVERIFY(prompter.last().text.startsWith("The template \"" + name + "\" cannot be uploaded"));
        QCOMPARE(fixture.unit().connections, 0);
        QCOMPARE(QDir(programSettings().DataPath).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(QDir(fixture.folder()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(QDir(fixture.unitTemplateFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_TemplateFile)
#include "tst_templatefile.moc"
