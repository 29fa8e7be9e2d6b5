#include "Database.h"
#include "KestrivoError.h"
#include "TemplateDocument.h"
#include "TemplateDocumentParser.h"
#include "TemplateRows.h"
#include "TestDatabases.h"

#include <QTest>

// Templates as documents: what an export holds, that an import gives back the same bytes on
// either engine, and that a document the database or the program could not use is refused
// whole, with where and what.
class tst_TemplateDocument : public QObject {
    Q_OBJECT

    // A small valid document; the refusal cases each change one piece of its text.
    static QByteArray validText() {
        return R"({
  "format": "kestrivo-template",
  "version": 1,
  "name": "Kitchen",
  "fields": [
    {"label": "Unit", "type": "Dropdown", "length": 20, "decimals": 0, "useOn": "Both", "forced": true,
     "footer": false, "groupField": true, "order": 1, "values": ["A-Shift", "B-Shift"]},
    {"label": "Notes", "type": 0, "length": 30, "decimals": 2, "useOn": "R", "forced": false,
     "footer": true, "groupField": false, "order": 2, "values": []}
  ],
  "fileNameFields": [1, 0],
  "questions": [
    {"question": "Clean?", "order": 1, "answers": ["Yes", "No"], "pickList": ["Floor"]}
  ]
}
)";
    }

    static Database open(const QString& connection, const QString& name) { return Database::open(connection, name); }
    static int templateRows(const Database& db) {
        int rows = 0;
        for (const char* table : {"Template", "TemplateField", "TemplateFieldValue", "FileNameField",
                                  "TemplateQuestion", "TemplateAnswer", "TemplatePickList"})
            rows += db.scalar(QString("SELECT COUNT(*) FROM %1").arg(table)).toInt();
        return rows;
    }
    static qint64 field(const Database& db, qint64 templateKey, const QString& label, int sequence, int type,
                        const QString& useOn = "B", int deleted = 0) {
        return db.insert("TemplateField", {"TemplateKey", "FieldLabel", "Sequence", "FieldType", "UseOn", "Deleted"},
                         {templateKey, label, sequence, type, useOn, deleted});
    }
    // A template as years of editing leave it: deleted rows among live ones, orders with gaps
    // and ties, keys that do not follow the order, texts at their columns' limits.
    static qint64 buildWornTemplate(const Database& db) {
        const qint64 key = TemplateRows::addTemplate(db, QString::fromUtf8("Küche \"Nord\", Ebene 2 "));
        const qint64 group =
            db.scalar("SELECT TemplateFieldKey FROM TemplateField WHERE TemplateKey=?", {key}).toLongLong();
        for (const char* value : {"b-Shift", "A-Shift", "Zulu", "Ärger"})
            db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {group, QString::fromUtf8(value)});
        db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue", "Deleted"}, {group, "Gone", -1});
        const qint64 amount = db.insert(
            "TemplateField",
            {"TemplateKey", "FieldLabel", "Sequence", "FieldType", "FieldLength", "FieldDecimal", "UseOn", "Footer"},
            {key, QString::fromUtf8("Betrag in € \\ netto"), 5, 1, 8, 2, "R", -1});
        const qint64 gone = field(db, key, "Removed", 2, 0, "H", -1);
        const qint64 date = field(db, key, "Date", 3, 3, "H");
        const qint64 tie = field(db, key, QString::fromUtf8("1234567890123456789😀"), 3, 0);
        // File name: the report-only amount, a field since deleted, the date.
        db.insert("FileNameField", {"TemplateFieldKey", "Sequence"}, {date, 7});
        db.insert("FileNameField", {"TemplateFieldKey", "Sequence"}, {amount, 2});
        db.insert("FileNameField", {"TemplateFieldKey", "Sequence"}, {gone, 4});
        // Decimals held as a flag (true, -1), which the evaluation report reads as two places.
        db.execute("UPDATE TemplateField SET FieldDecimal=-1 WHERE TemplateFieldKey=?", {tie});

        const qint64 second = db.insert("TemplateQuestion", {"TemplateKey", "Question", "Sequence"},
                                        {key, QString(100, QChar(0x00e9)), 9});
        const qint64 first =
            db.insert("TemplateQuestion", {"TemplateKey", "Question", "Sequence"}, {key, "Floor, walls clean?", 4});
        db.insert("TemplateQuestion", {"TemplateKey", "Question", "Sequence", "Deleted"}, {key, "Old", 1, -1});
        int sequence = 10;
        for (const char* answer : {"No", "Yes", "N/A"})
            db.insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"}, {first, answer, sequence--});
        db.insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence", "Deleted"}, {first, "Maybe", 1, -1});
        db.insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"}, {second, QString(50, 'x'), 1});
        // Shown and uploaded by Sequence, not by name.
        db.insert("TemplatePickList", {"TemplateQuestionKey", "Name", "Sequence"}, {first, "Zone B", 1});
        db.insert("TemplatePickList", {"TemplateQuestionKey", "Name", "Sequence"}, {first, "Zone A", 2});
        db.insert("TemplatePickList", {"TemplateQuestionKey", "Name", "Sequence", "Deleted"}, {first, "X", 3, -1});
        return key;
    }

private Q_SLOTS:
    void newTemplateHasThisExactDocument() {
        Database db = open(TestDatabases::freshConnectionString(DatabaseEngine::SQLite), "golden");
        const qint64 key = TemplateRows::addTemplate(db, "Kitchen");
        QCOMPARE(QString::fromUtf8(TemplateDocument::read(db, key).toJson()), QString(R"({
  "format": "kestrivo-template",
  "version": 1,
  "name": "Kitchen",
  "fields": [
    {
      "label": "Group",
      "type": "Dropdown",
      "length": 20,
      "decimals": 0,
      "useOn": "Hand held only",
      "forced": true,
      "footer": false,
      "groupField": true,
      "order": 1,
      "values": [
        "New Entry"
      ]
    }
  ],
  "fileNameFields": [],
  "questions": []
}
)"));
        db.close();
    }

    // SQLite to PostgreSQL and back: the same bytes at every step. Without a server the
    // second database is SQLite too.
    void roundTripAcrossEngines() {
        Database source = open(TestDatabases::freshConnectionString(DatabaseEngine::SQLite), "source");
        const QByteArray exported = TemplateDocument::read(source, buildWornTemplate(source)).toJson();
        source.close();

        const QString text = QString::fromUtf8(exported);
        // Live rows only; values by their text; questions, answers and pick lists by order.
        QVERIFY(!text.contains("Gone") && !text.contains("Removed") && !text.contains("Maybe"));
        QVERIFY(!text.contains("\"Old\"") && !text.contains("\"X\""));
        QVERIFY(text.contains(R"("A-Shift",
        "b-Shift",
        "New Entry",
        "Zulu",
        "Ärger")"));
        QVERIFY(text.contains(R"("decimals": -1,)"));
        QVERIFY(text.contains(QString::fromUtf8("\"name\": \"Küche \\\"Nord\\\", Ebene 2 \"")));
        QVERIFY(text.contains(QString::fromUtf8("\"label\": \"Betrag in € \\\\ netto\"")));
        QVERIFY(text.indexOf("\"Date\"") < text.indexOf("1234567890123456789😀"));
        QVERIFY(text.indexOf("Floor, walls clean?") < text.indexOf(QString(100, QChar(0x00e9))));
        QVERIFY(text.contains(R"("answers": [
        "N/A",
        "Yes",
        "No"
      ],
      "pickList": [
        "Zone B",
        "Zone A"
      ])"));
        // Fields in order: Group, Date, the tie, the amount; the file name: amount, then date.
        QVERIFY(text.contains(R"("fileNameFields": [
    3,
    1
  ])"));

        const DatabaseEngine middle =
            TestDatabases::postgresAvailable() ? DatabaseEngine::PostgreSQL : DatabaseEngine::SQLite;
        QByteArray again = exported;
        for (const DatabaseEngine engine : {middle, DatabaseEngine::SQLite}) {
            Database target = open(TestDatabases::freshConnectionString(engine), "target");
            TemplateRows::addTemplate(target, "Already there"); // keys differ from the source's
            const TemplateDocumentParser::Result parsed = TemplateDocumentParser::parse(again);
            QVERIFY2(parsed.ok(), qPrintable(parsed.problems.join('\n')));
            const qint64 key = parsed.document.create(target);
            again = TemplateDocument::read(target, key).toJson();
            QCOMPARE(QString::fromUtf8(again), text);
            // Booleans as the program stores them; answers and file-name parts numbered 1, 2, ...
            QCOMPARE(target
                         .scalar("SELECT COUNT(*) FROM TemplateField WHERE TemplateKey=? AND Footer=-1 AND "
                                 "UseOn='R' AND FieldDecimal=2 AND FieldType=1",
                                 {key})
                         .toInt(),
                     1);
            QCOMPARE(target
                         .scalar("SELECT COUNT(*) FROM TemplateField WHERE TemplateKey=? AND GroupField=-1 AND "
                                 "ForceEntry=-1",
                                 {key})
                         .toInt(),
                     1);
            QCOMPARE(
                target
                    .scalar("SELECT SUM(TemplateAnswer.Sequence) FROM TemplateAnswer INNER JOIN TemplateQuestion ON "
                            "TemplateAnswer.TemplateQuestionKey = TemplateQuestion.TemplateQuestionKey "
                            "WHERE TemplateKey=?",
                            {key})
                    .toInt(),
                1 + 2 + 3 + 1);
            target.close();
        }
    }

    void refusals_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("problems");
        const auto row = [](const char* name, const char* from, const char* to, const QStringList& problems) {
            QTest::newRow(name) << QString::fromUtf8(from) << QString::fromUtf8(to) << problems;
        };
        row("not JSON", R"("Kitchen",)", R"("Kitchen")", {"line 5, column 4: not JSON: unterminated object"});
        row("not an object", "", "[]", {"document: not a JSON object"});
        row("format", "kestrivo-template", "kestrivo-report",
            {R"(format: "kestrivo-report" is not "kestrivo-template")"});
        row("version", R"("version": 1)", R"("version": 2)", {"version: 2 is not known; this program reads version 1"});
        row("version as text", R"("version": 1)", R"("version": "1")", {"version: not a whole number"});
        row("name missing", R"("name": "Kitchen",)", "", {"name: missing"});
        row("name empty", R"("name": "Kitchen")", R"("name": "")", {"name: empty"});
        row("name too long", R"("name": "Kitchen")", R"("name": "123456789012345678901234567890123456789012345678901")",
            {"name: longer than 50 characters"});
        row("label too long", R"("label": "Notes")", R"("label": "Notes and other remarks")",
            {"fields[1].label: longer than 20 characters"});
        row("label not a text", R"("label": "Notes")", R"("label": 7)", {"fields[1].label: not a text"});
        row("value too long", R"("B-Shift")", R"("B-Shift, late and night")",
            {"fields[0].values[1]: longer than 20 characters"});
        row("values not a list", R"("values": [])", R"("values": "none")", {"fields[1].values: not a list"});
        row("unknown type", R"("type": 0)", R"("type": "Checkbox")",
            {R"(fields[1].type: unknown type "Checkbox"; one of Text, Numeric, Dropdown, Date, or 0 to 3)"});
        row("type out of range", R"("type": 0)", R"("type": 4)",
            {"fields[1].type: unknown type 4; one of Text, Numeric, Dropdown, Date, or 0 to 3"});
        row("type of another kind", R"("type": 0)", R"("type": true)", {"fields[1].type: not a text or a number"});
        row("unknown use", R"("useOn": "R")", R"("useOn": "Desk")",
            {R"(fields[1].useOn: unknown use "Desk"; one of Hand held only, Report only, Both, or H, R, B)"});
        row("flag as number", R"("footer": true)", R"("footer": -1)", {"fields[1].footer: not true or false"});
        row("negative length", R"("length": 30)", R"("length": -1)", {"fields[1].length: must be from 0 to 32767"});
        row("fraction", R"("decimals": 2)", R"("decimals": 1.5)", {"fields[1].decimals: not a whole number"});
        row("order too large", R"("order": 2)", R"("order": 40000)", {"fields[1].order: must be from -32768 to 32767"});
        row("member missing", R"("footer": true, )", "", {"fields[1].footer: missing"});
        row("unknown member", R"("order": 2,)", R"("order": 2, "colour": "red",)",
            {"fields[1].colour: unknown member"});
        row("file-name field beyond the fields", "[1, 0]", "[1, 2]",
            {"fileNameFields[1]: names no entry field (fields[0] to fields[1])"});
        row("file-name field negative", "[1, 0]", "[-1, 0]",
            {"fileNameFields[0]: names no entry field (fields[0] to fields[1])"});
        row("no group field", R"("groupField": true)", R"("groupField": false)", {"fields: no group field"});
        row("two group fields", R"("type": 0, "length": 30, "decimals": 2, "useOn": "R", "forced": false,
     "footer": true, "groupField": false)",
            R"("type": 2, "length": 30, "decimals": 2, "useOn": "R", "forced": true,
     "footer": true, "groupField": true)",
            {"fields[1].groupField: a second group field (the first is fields[0])"});
        row("group field not a dropdown", R"("type": "Dropdown")", R"("type": "Date")",
            {"fields[0].type: the group field must be Dropdown"});
        row("group field not forced", R"("forced": true)", R"("forced": false)",
            {"fields[0].forced: the group field must be forced"});
        row("question too long", R"("Clean?")",
            R"("Is the floor clean, the walls wiped, the bins emptied, the sink free of dishes, and the fridge at four degrees?")",
            {"questions[0].question: longer than 100 characters"});
        row("answer too long", R"("Yes")", R"("Yes, everything was spotless and nothing at all needed follow-up")",
            {"questions[0].answers[0]: longer than 50 characters"});
        row("pick-list entry too long", R"("Floor")", R"("Floor near the back door, behind the old dishwasher")",
            {"questions[0].pickList[0]: longer than 50 characters"});
        row("line break", R"("No")", R"("N\r\no")", {"questions[0].answers[1]: contains the control character U+000D"});
        row("NUL", R"("Floor")", R"("Fl\u0000oor")",
            {"questions[0].pickList[0]: contains the control character U+0000"});
        row("question not an object",
            R"({"question": "Clean?", "order": 1, "answers": ["Yes", "No"], "pickList": ["Floor"]})", R"("Clean?")",
            {"questions[0]: not an object"});
        // Every problem of a document at once, in the order of the document.
        row("several", R"("order": 1, "answers")", R"("order": "first", "answer")",
            {"questions[0].order: not a whole number", "questions[0].answers: missing",
             "questions[0].answer: unknown member"});
    }
    void refusals() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, problems);
        QString text = QString::fromUtf8(validText());
        if (from.isEmpty()) {
            text = to;
        } else {
            QVERIFY2(text.contains(from), qPrintable(from));
            text.replace(text.indexOf(from), from.size(), to);
        }
        const TemplateDocumentParser::Result result = TemplateDocumentParser::parse(text.toUtf8());
        QCOMPARE(result.problems, problems);
        QVERIFY(result.document.fields.isEmpty() && result.document.name.isEmpty());
    }

    void acceptedSpellings() {
        QByteArray text = "\xEF\xBB\xBF" + validText(); // a byte-order mark from a Windows editor
        text.replace(R"("type": "Dropdown")", R"("type": 2)");
        text.replace(R"("type": 0)", R"("type": "numeric")");
        text.replace(R"("useOn": "R")", R"("useOn": "hand held only")");
        text.replace(R"("useOn": "Both")", R"("useOn": "b")");
        const TemplateDocumentParser::Result result = TemplateDocumentParser::parse(text);
        QVERIFY2(result.ok(), qPrintable(result.problems.join('\n')));
        QCOMPARE(int(result.document.fields.at(0).type), int(FieldType::Dropdown));
        QCOMPARE(int(result.document.fields.at(1).type), int(FieldType::Numeric));
        QCOMPARE(result.document.fields.at(1).useOn, QString("H"));
        QCOMPARE(result.document.fields.at(0).useOn, QString("B"));
        QCOMPARE(result.document.fileNameFields, QList<int>({1, 0}));
    }

    // Characters, not bytes or UTF-16 units, fill a column: the server counts them so.
    void textsAtTheirLimitFitBothEngines_data() { TestDatabases::addEngineRows(); }
    void textsAtTheirLimitFitBothEngines() {
        QFETCH(QString, connection);
        QString text = QString::fromUtf8(validText());
        const QString label = QString::fromUtf8("Größe 😀😀😀😀😀😀😀😀😀😀😀😀😀😀"); // 20 characters
        text.replace(R"("label": "Notes")", "\"label\": \"" + label + "\"");
        text.replace(R"("Clean?")", "\"" + QString(100, QChar(0x00fc)) + "\"");
        text.replace(R"("Floor")", "\"" + QString::fromUtf8("😀").repeated(50) + "\"");
        const TemplateDocumentParser::Result result = TemplateDocumentParser::parse(text.toUtf8());
        QVERIFY2(result.ok(), qPrintable(result.problems.join('\n')));
        Database db = open(connection, "limits");
        const qint64 key = result.document.create(db);
        const TemplateDocument back = TemplateDocument::read(db, key);
        QCOMPARE(back.fields.at(1).label, label);
        QCOMPARE(back.questions.at(0).question, QString(100, QChar(0x00fc)));
        QCOMPARE(back.questions.at(0).pickList.at(0), QString::fromUtf8("😀").repeated(50));
        db.close();

        text.replace(label, label + "x");
        QCOMPARE(TemplateDocumentParser::parse(text.toUtf8()).problems,
                 QStringList("fields[1].label: longer than 20 characters"));
    }

    // The database numbers answers by their place, in a column that holds up to 32767.
    void moreAnswersThanTheDatabaseNumbers() {
        QString text = QString::fromUtf8(validText());
        text.replace(R"("Yes", "No")", QStringList(32768, "\"a\"").join(','));
        QCOMPARE(TemplateDocumentParser::parse(text.toUtf8()).problems,
                 QStringList("questions[0].answers: more than 32767 entries"));
    }

    // The editor's limits only warn, with the editor's texts; report-only fields do not count.
    void limitsWarnButImport() {
        TemplateDocumentParser::Result result = TemplateDocumentParser::parse(validText());
        QVERIFY(result.ok());
        TemplateDocument& document = result.document;
        QVERIFY(document.limitWarnings().isEmpty());
        document.fields.resize(21); // Notes is report-only: 20 fields reach the unit
        for (int i = 2; i < 21; ++i)
            document.fields[i].useOn = i < 10 ? "H" : "B";
        QVERIFY(document.limitWarnings().isEmpty());
        document.fields[1].useOn = "B";
        document.questions.resize(51);
        document.questions[3].answers = QStringList(21, "a");
        document.questions[7].answers = QStringList(20, "a");
        document.questions[7].pickList = QStringList(31, "p");
        const QList<TemplateDocument::Warning> warnings = document.limitWarnings();
        QCOMPARE(warnings.size(), 4);
        const QString skipped = "\r\nExtra data will be skipped when uploaded to unit.";
        QCOMPARE(warnings[0].where, QString("fields"));
        QCOMPARE(warnings[0].text, "Only 20 fields can be added to template." + skipped);
        QCOMPARE(warnings[1].where, QString("questions"));
        QCOMPARE(warnings[1].text, "Only 50 questions can be added to template." + skipped);
        QCOMPARE(warnings[2].where, QString("questions[3].answers"));
        QCOMPARE(warnings[2].text, "Only 20 answers can be added to each question." + skipped);
        QCOMPARE(warnings[3].where, QString("questions[7].pickList"));
        QCOMPARE(warnings[3].text, "Only 30 picklist items can be added to each question." + skipped);
    }

    // A row the database refuses half-way undoes every row the import wrote before it.
    void failingImportLeavesNothing_data() { TestDatabases::addEngineRows(); }
    void failingImportLeavesNothing() {
        QFETCH(QString, connection);
        Database db = open(connection, "failing");
        TemplateRows::addTemplate(db, "Kept");
        const int before = templateRows(db);
        const TemplateDocumentParser::Result result = TemplateDocumentParser::parse(validText());
        QVERIFY(result.ok());
        // The pick list is written last, after every other row of the template.
        if (db.engine() == DatabaseEngine::SQLite) {
            db.execute("CREATE TRIGGER Refuse BEFORE INSERT ON TemplatePickList BEGIN SELECT RAISE(ABORT, 'no'); END");
        } else {
            db.execute("CREATE FUNCTION Refuse() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'no'; END $$ "
                       "LANGUAGE plpgsql");
            db.execute(
                "CREATE TRIGGER Refuse BEFORE INSERT ON TemplatePickList FOR EACH ROW EXECUTE FUNCTION Refuse()");
        }
        QVERIFY_THROWS_EXCEPTION(KestrivoError, result.document.create(db));
        db.execute(db.engine() == DatabaseEngine::SQLite ? "DROP TRIGGER Refuse"
                                                         : "DROP TRIGGER Refuse ON TemplatePickList");
        QCOMPARE(templateRows(db), before);
        QVERIFY(result.document.create(db) > 0);
        QCOMPARE(templateRows(db), before + 1 + 2 + 2 + 2 + 1 + 2 + 1);
        db.close();
    }
};

QTEST_GUILESS_MAIN(tst_TemplateDocument)
#include "tst_templatedocument.moc"
