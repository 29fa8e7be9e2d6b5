#include "EvaluationEditor.h"
#include "EvaluationEditorCommands.h"
#include "EvaluationHistory.h"
#include "EvaluationImporter.h"
#include "EvaluationSetter.h"
#include "EvaluationWriter.h"
#include "HandheldFixture.h"
#include "HistoryChain.h"
#include "ImportHistory.h"
#include "KestrivoError.h"
#include "ReceivedRecordLine.h"
#include "ScriptedPrompter.h"
#include "SiteVisit.h"
#include "TestDatabases.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTest>

// What the history of an evaluation records, on both engines: the editor's saves against the
// opened evaluation, changes made where the evaluation stands through the tab's entry rules,
// a deletion that a restore undoes exactly, and one row for each imported evaluation.
class tst_EvaluationHistory : public QObject {
    Q_OBJECT

    std::unique_ptr<HandheldFixture> m_fixture;
    std::unique_ptr<EvaluationEditor> m_editor;
    std::unique_ptr<EvaluationEditorCommands> m_commands;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    SiteVisit m_visit;

    const Database& db() { return m_fixture->db(); }
    EvaluationEditor& editor() { return *m_editor; }
    EvaluationEditorCommands& commands() { return *m_commands; }
    ScriptedPrompter& prompter() { return *m_prompter; }

    void save(std::initializer_list<PromptAnswer> answers) {
        for (PromptAnswer answer : answers)
            prompter().answer(answer);
        commands().lstMenuItemsClick("Save");
        QCOMPARE(prompter().pending(), 0);
    }
    qint64 newestKey() { return db().scalar("SELECT MAX(EvaluationKey) FROM Evaluation").toLongLong(); }
    // The history as "what: old -> new" lines, newest first, the means and items checked apart.
    QStringList changesOf(qint64 key) {
        QStringList lines;
        for (const EvaluationHistory::Record& record : EvaluationHistory::of(db(), key))
            lines << QString("%1 %2: %3 -> %4").arg(record.item, record.what, record.oldValue, record.newValue);
        return lines;
    }
    EvaluationSetter::Result set(qint64 key, const EvaluationSetter::Request& request) {
        return EvaluationSetter(db(), EvaluationHistory::Means::CommandLine).apply(key, request);
    }
    void verifyChain() {
        const HistoryChain::Verification check = HistoryChain::verify(db());
        QVERIFY2(check.intact(), qPrintable(check.problems.join('\n')));
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        m_fixture = std::make_unique<HandheldFixture>(TestDatabases::freshConnectionString(engine));
        m_editor = std::make_unique<EvaluationEditor>(db());
        m_commands = std::make_unique<EvaluationEditorCommands>(*m_editor, db());
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_visit = SiteVisit::create(db(), 5);
    }
    void cleanup() {
        m_prompter.reset();
        m_commands.reset();
        m_editor.reset();
        m_fixture.reset();
    }

    // Each save records what changed against the evaluation as it was opened, under the new
    // key; the history of the newest key reads back through every key the evaluation had.
    void editorSavesRecordTheirChanges() {
        const qint64 first = m_visit.store(db(), "Yes", true, true);
        QVERIFY(commands().openEvaluationKey(first));
        editor().editField(3, "Bob");
        editor().leaveTextField(3);
        editor().editAnswer(1, "No");
        editor().tickPickEntry(1, 0, false);
        editor().tickPickEntry(2, 1, true);
        save({PromptAnswer::Yes, PromptAnswer::Yes});
        const qint64 second = newestKey();
        QVERIFY(second > first);

        QVERIFY(commands().openEvaluationKey(second));
        editor().editField(4, "5");
        editor().leaveTextField(4);
        save({PromptAnswer::Yes, PromptAnswer::Yes});
        const qint64 third = newestKey();

        QCOMPARE(changesOf(third),
                 QStringList(
                     {"Field Staff: 0 -> 5", QString("Saved Saved under a new key: %1 -> %2").arg(second).arg(third),
                      "Tick Pick list: Question 2? / Wall: No -> Yes", "Tick Pick list: Question 1? / Floor: Yes -> No",
                      "Answer Answer: Question 1?: Yes -> No", "Field Inspector: Ann -> Bob",
                      QString("Saved Saved under a new key: %1 -> %2").arg(first).arg(second)}));
        const EvaluationHistory::Record newest = EvaluationHistory::of(db(), third).first();
        QCOMPARE(newest.means, QString("editor"));
        QCOMPARE(EvaluationHistory::summaries(db(), {first, third}).value(third).changes, 5);
        QVERIFY(!EvaluationHistory::summaries(db(), {first, third}).contains(first));

        // Saved beside the opened one: a new evaluation, made from it, with what differs.
        QVERIFY(commands().openEvaluationKey(third));
        editor().clickTBC(2, true);
        save({PromptAnswer::Yes, PromptAnswer::No, PromptAnswer::Yes});
        QCOMPARE(changesOf(newestKey()),
                 QStringList({"TBC TBC: Question 2?: No -> Yes",
                              QString("Made Made on the PC from evaluation %1:  -> North060503").arg(third)}));
        verifyChain();
    }

    // Another PC changed the opened evaluation where it stands: the update is refused and
    // nothing is lost on either side.
    void aChangeMeanwhileStopsTheUpdate() {
        const qint64 key = m_visit.store(db(), "Yes", false, false);
        QVERIFY(commands().openEvaluationKey(key));
        editor().editField(3, "Bob");
        editor().leaveTextField(3);
        EvaluationSetter::Request request;
        request.fields = {{"Inspector", "Cy"}};
        QVERIFY(set(key, request).applied);
        save({PromptAnswer::Yes, PromptAnswer::Yes, PromptAnswer::Ok});
        QVERIFY(prompter().last().text.startsWith("This evaluation was changed on another PC after you opened it"));
        QCOMPARE(newestKey(), key);
        QVERIFY(SiteVisit::contents(db(), key).contains(QString("field %1 Cy 0").arg(m_visit.inspector)));
        QVERIFY(editor().inProgress());
    }

    // A deleted evaluation comes back with its key and every row as it was, and its history
    // shows both steps.
    void deleteThenRestore() {
        const qint64 key = m_visit.store(db(), "Yes", true, true);
        db().execute("INSERT INTO ImportedFile (Digest, FileName, EvaluationKey) VALUES ('d1', 'North.txt', ?)", {key});
        const QStringList before = SiteVisit::contents(db(), key);
        QCOMPARE(EvaluationWriter::remove(db(), key, EvaluationHistory::Means::CommandLine), true);
        QCOMPARE(EvaluationWriter::remove(db(), key, EvaluationHistory::Means::CommandLine), false);
        QCOMPARE(m_fixture->rows("EvaluationPickList"), 0);
        QVERIFY(db().scalar("SELECT EvaluationKey FROM ImportedFile").isNull());
        const QList<EvaluationHistory::DeletedEvaluation> deleted = EvaluationHistory::deleted(db());
        QCOMPARE(deleted.size(), 1);
        QCOMPARE(deleted.first().evaluationKey, key);
        QCOMPARE(deleted.first().fileName, QString("North060503"));
        QCOMPARE(deleted.first().templateName, QString("Site Visit"));

        EvaluationWriter::restore(db(), key);
        QCOMPARE(SiteVisit::contents(db(), key), before);
        QCOMPARE(db().scalar("SELECT EvaluationKey FROM ImportedFile").toLongLong(), key);
        QVERIFY(EvaluationHistory::deleted(db()).isEmpty());
        QCOMPARE(changesOf(key), QStringList({"Restored Evaluation restored:  -> North060503",
                                              "Deleted Evaluation deleted: North060503 -> "}));
        QVERIFY_THROWS_EXCEPTION(KestrivoError, EvaluationWriter::restore(db(), key));
        QVERIFY_THROWS_EXCEPTION(KestrivoError, EvaluationWriter::restore(db(), key + 100));
        // New evaluations still get new keys after it.
        QVERIFY(m_visit.store(db(), "No", false, false) > key);

        // Deleted from the editor, the history says so.
        QVERIFY(commands().openEvaluationKey(key));
        prompter().answer(PromptAnswer::Yes);
        commands().lstMenuItemsClick("Delete");
        QCOMPARE(EvaluationHistory::of(db(), key).first().means, QString("editor"));
        QCOMPARE(EvaluationHistory::deleted(db()).size(), 1);
        verifyChain();
    }

    // Changes where the evaluation stands pass the tab's own rules: one refused entry and
    // nothing is written.
    void setAppliesTheEntryRules() {
        const qint64 key = m_visit.store(db(), "Yes", false, true);
        const QStringList before = SiteVisit::contents(db(), key);
        const auto refused = [&](const EvaluationSetter::Request& request, const QString& message) {
            const EvaluationSetter::Result result = set(key, request);
            QVERIFY(!result.applied);
            QCOMPARE(result.refusal, message);
            QCOMPARE(SiteVisit::contents(db(), key), before);
        };
        EvaluationSetter::Request request;
        request.fields = {{"Inspector", "Bob"}, {"Staff", "many"}};
        prompter().answer(PromptAnswer::Ok);
        refused(request, "The entry for Staff was refused.");
        QCOMPARE(prompter().last().text, QString("Invalid entry, must be numeric."));
        request.fields = {{"Visited", "13/45/03"}};
        prompter().answer(PromptAnswer::Ok);
        refused(request, "The entry for Visited was refused.");
        QCOMPARE(prompter().last().text, QString("Invalid date entered."));
        request.fields = {{"Inspector", ""}};
        prompter().answer(PromptAnswer::Ok);
        refused(request, "The entry for Inspector was refused.");
        QCOMPARE(prompter().last().text, QString("Entry manditory into the Inspector field."));
        request.fields = {{"Colour", "red"}};
        refused(request, "The evaluation has no field \"Colour\"; its fields are \"Site\", \"Visited\", "
                         "\"Inspector\", \"Staff\".");
        request.fields = {{"Site", "East"}};
        refused(request, "\"East\" is not a value of Site; its values are \"North\", \"South\".");
        request.fields = {{"Inspector", QString(21, 'x')}};
        refused(request, "Inspector takes at most 20 characters.");
        request = {};
        request.answers = {{6, "Yes"}};
        refused(request, "The evaluation has no question 6; it has 5 questions.");
        request.answers = {{1, QString(51, 'y')}};
        refused(request, "An answer takes at most 50 characters.");
        request.answers.clear();
        request.ticks = {{2, "Door"}};
        refused(request, "\"Door\" is not in the pick list of question 2; it holds \"Floor\", \"Wall\", \"Roof\".");
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM EvaluationHistory").toInt(), 0);

        request = {};
        request.fields = {{"Site", "South"}, {"Staff", "3"}};
        request.answers = {{5, "No"}};
        request.tbc = {{1, false}};
        request.ticks = {{5, "Roof"}};
        request.unticks = {{1, "Floor"}};
        const EvaluationSetter::Result result = set(key, request);
        QVERIFY(result.applied);
        QCOMPARE(changesOf(key),
                 QStringList({"Tick Pick list: Question 5? / Roof: No -> Yes", "Answer Answer: Question 5?:  -> No",
                              "Tick Pick list: Question 1? / Floor: Yes -> No", "Field Staff: 0 -> 3",
                              "Field Site: North -> South", "FileName File Name: North060503 -> South060503"}));
        QCOMPARE(db().scalar("SELECT FileName FROM Evaluation WHERE EvaluationKey=?", {key}).toString(),
                 QString("South060503"));
        QCOMPARE(db().scalar("SELECT EvaluationGroupKey FROM Evaluation WHERE EvaluationKey=?", {key}).toLongLong(),
                 m_visit.south);
        const QStringList after = SiteVisit::contents(db(), key);
        QVERIFY(after.contains(QString("field %1 3 0").arg(m_visit.staff)));
        QVERIFY(after.contains(QString("question %1 No 0 %2").arg(m_visit.questions[4]).arg(m_visit.entries[4][2])));
        QVERIFY(after.contains(QString("question %1 Yes 0 ").arg(m_visit.questions[0])));
        QCOMPARE(EvaluationHistory::of(db(), key).first().means, QString("command line"));
        verifyChain();
    }

    // One row of history for each evaluation an import adds, naming its file and the phone
    // that sent it, whichever way the files go in.
    void importsRecordEachEvaluation() {
        const HandheldFixture::Audit audit = m_fixture->addAudit();
        const QByteArray first = HandheldFixture::auditFile(audit, "first");
        const QByteArray phone = HandheldFixture::auditFile(audit, "from a phone");
        const QByteArray third = HandheldFixture::auditFile(audit, "third") + HandheldFixture::auditFile(audit, "4");
        m_fixture->putOnPc("A.txt", first);
        m_fixture->putOnPc("B.txt", phone);
        m_fixture->putOnPc("C.txt", third);
        QDir().mkpath(m_fixture->unitRoot() + ".kestrivo-webunit");
        QFile record(m_fixture->unitRoot() + ".kestrivo-webunit/received.txt");
        QVERIFY(record.open(QIODevice::WriteOnly));
        // The web unit's own line for B; for A a line whose check fails, and for C one that a
        // server is still writing: neither names a phone.
        const auto digestOf = [](const QByteArray& bytes) {
            return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
        };
        record.write(ReceivedRecordLine{"p-7f3a", digestOf(phone), "B.txt", "B.staged"}.text());
        QByteArray forged = ReceivedRecordLine{"p-0000", digestOf(first), "A.txt", ""}.text();
        forged[0] = 'q';
        record.write(forged + "broken line\n");
        record.write(ReceivedRecordLine{"p-1111", digestOf(third), "C.txt", ""}.text().chopped(1));
        record.close();

        EvaluationImporter importer(db());
        QVERIFY(m_fixture->session().DeviceConnect());
        importer.setPhoneIds(ImportHistory::phoneIds(m_fixture->session().transport()));
        m_fixture->session().DeviceDisconnect();
        QVERIFY(importer.add("A.txt"));
        QVERIFY(importer.add("B.txt"));
        QCOMPARE(importer.finish().size(), 2);
        QCOMPARE(HandheldFixture::importOne(importer, "C.txt"), EvaluationImporter::Outcome::Imported);
        QCOMPARE(HandheldFixture::importOne(importer, "A.txt"), EvaluationImporter::Outcome::AlreadyImported);

        QSqlQuery rows = db().query("SELECT EvaluationKey, Item, ItemName, NewValue, Means FROM EvaluationHistory "
                                    "ORDER BY EvaluationHistoryKey");
        QStringList found;
        while (rows.next())
            found << QString("%1|%2|%3|%4")
                         .arg(rows.value(1).toString(), rows.value(2).toString(), rows.value(3).toString(),
                              rows.value(4).toString());
        QCOMPARE(found, QStringList({"Imported|Imported from A.txt||import",
                                     "Imported|Imported from B.txt|sent by phone p-7f3a|import",
                                     "Imported|Imported from C.txt||import", "Imported|Imported from C.txt||import"}));
        QCOMPARE(db().scalar("SELECT COUNT(DISTINCT EvaluationKey) FROM EvaluationHistory").toInt(), 4);
        QVERIFY(!EvaluationHistory::summaries(db(), {newestKey()}).contains(newestKey()));
        verifyChain();
    }
};

QTEST_GUILESS_MAIN(tst_EvaluationHistory)
#include "tst_evaluationhistory.moc"
