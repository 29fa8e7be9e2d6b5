#include "HandheldFixture.h"
#include "ProgramSettings.h"
#include "RecordingStatus.h"
#include "ScriptedPrompter.h"
#include "TemplateFileWriter.h"
#include "TestDatabases.h"
#include "UnitTemplateChoice.h"

#include <QDir>
#include <QFile>
#include <QTest>

using OnUnit = UnitTemplateChoice::OnUnit;

// The templates of the catalog beside what the unit holds of each, and the upload of the
// ticked ones in one session.
class tst_UnitTemplateChoice : public QObject {
    Q_OBJECT

    static void put(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // name -> what the unit holds of it, in the list's order.
    static QStringList shown(const UnitTemplateChoice& choice) {
        QStringList rows;
        for (const UnitTemplateChoice::Row& row : choice.rows())
            rows << row.name + ": " + UnitTemplateChoice::onUnitText(row.onUnit) + (row.ticked ? " [x]" : "");
        return rows;
    }

    static void tick(UnitTemplateChoice& choice, const QString& name, qint64 key = 0) {
        for (qsizetype i = 0; i < choice.rows().size(); ++i) {
            if (choice.rows().at(i).name == name && (key == 0 || choice.rows().at(i).key == key))
                choice.setTicked(i, true);
        }
    }

private Q_SLOTS:
    void whatTheUnitHolds_data() { TestDatabases::addEngineRows(); }
    void whatTheUnitHolds() {
        QFETCH(QString, connection);
        HandheldFixture fixture(connection);
        const Database& db = fixture.db();
        const qint64 audit = fixture.addAudit().templateKey;
        const qint64 kitchen = db.insert("Template", {"Name"}, {"kitchen"});
        const qint64 bakery = db.insert("Template", {"Name"}, {"Bakery"});
        const qint64 twin = db.insert("Template", {"Name"}, {"Bakery"});
        db.insert("Template", {"Name"}, {"../Audit"});
        db.insert("Template", {"Name"}, {"Garbled"});
        const QString folder = fixture.unitTemplateFolder();
        UnitTemplateChoice choice(folder, fixture.session());

        choice.load();
        QCOMPARE(shown(choice),
                 QStringList({"../Audit: Not on the unit", "Audit: Not on the unit", "Bakery: Not on the unit",
                              "Bakery: Not on the unit", "Garbled: Not on the unit", "kitchen: Not on the unit"}));

        // Exactly what an upload writes is current; once the catalog changes, the file differs.
        put(folder + "Audit.evt", TemplateFileWriter::write(db, audit));
        put(folder + "kitchen.evt", TemplateFileWriter::write(db, kitchen));
        db.insert("TemplateField", {"TemplateKey", "Sequence", "FieldLabel", "FieldType"}, {kitchen, 1, "Oven", 0});
        // The file of one of two templates of a name is that one's; the other's is not there.
        put(folder + "Bakery.evt", TemplateFileWriter::write(db, twin));
        // A file an upload did not write, and one with another name's file in a folder above.
        put(folder + "Garbled.evt", "not a template\r\n");
        put(folder + "../Audit.evt", TemplateFileWriter::write(db, audit));
        choice.load();
        QCOMPARE(shown(choice), QStringList({"../Audit: Not on the unit", "Audit: On the unit, as in the catalog",
                                             "Bakery: Another template of this name is on the unit",
                                             "Bakery: On the unit, as in the catalog",
                                             "Garbled: On the unit, differs from the catalog",
                                             "kitchen: On the unit, differs from the catalog"}));
        QCOMPARE(choice.rows().at(2).key, bakery);

        // The catalog's text changes behind a file that keeps the same size.
        db.execute("UPDATE TemplateQuestion SET Question='Tidy?' WHERE TemplateKey=?", {audit});
        choice.load();
        QCOMPARE(choice.rows().at(1).onUnit, OnUnit::Differs);

        // Ticks follow their templates across a new reading, also when a template goes.
        tick(choice, "Garbled");
        tick(choice, "kitchen");
        db.execute("DELETE FROM Template WHERE TemplateKey=?", {twin});
        choice.load();
        QCOMPARE(shown(choice).filter("[x]"), QStringList({"Garbled: On the unit, differs from the catalog [x]",
                                                           "kitchen: On the unit, differs from the catalog [x]"}));
        QFile::remove(folder + "Garbled.evt");
        choice.load();
        QCOMPARE(choice.rows().at(3).onUnit, OnUnit::Missing);
        QVERIFY(choice.rows().at(3).ticked);
    }

    void uploadsTheTickedOnesInOneSession() {
        HandheldFixture fixture(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        const Database& db = fixture.db();
        fixture.addAudit();
        const qint64 kitchen = db.insert("Template", {"Name"}, {"Kitchen"});
        db.insert("Template", {"Name"}, {"Yard"});
        UnitTemplateChoice choice(fixture.unitTemplateFolder(), fixture.session());
        choice.load();
        ScriptedPrompter prompter;
        RecordingStatus status;

        // Nothing ticked: nothing connects.
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!choice.upload(status));
        QCOMPARE(prompter.last().text,
                 QString("No templates selected to upload, please tick the templates to send to the unit."));
        QCOMPARE(prompter.last().icon, PromptIcon::Critical);
        QCOMPARE(fixture.unit().connections, 0);

        tick(choice, "Audit");
        tick(choice, "Kitchen");
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(choice.upload(status));
        QCOMPARE(prompter.pending(), 0);
        QCOMPARE(prompter.last().text, QString("Transfer Completed."));
        QCOMPARE(fixture.unit().connections, 1);
        QCOMPARE(fixture.unit().disconnections, 1);
        QCOMPARE(status.texts, QStringList({"Uploading Template", UnitTemplateChoice::IdleStatus}));
        QCOMPARE(status.progress, (QList<QPair<int, int>>{{1, 2}, {2, 2}, {0, 0}}));
        QCOMPARE(QDir(fixture.unitTemplateFolder()).entryList(QDir::Files), QStringList({"Audit.evt", "Kitchen.evt"}));
        QCOMPARE(shown(choice), QStringList({"Audit: On the unit, as in the catalog",
                                             "Kitchen: On the unit, as in the catalog", "Yard: Not on the unit"}));

        // Two ticked templates of one name would leave one file: nothing is sent.
        db.execute("UPDATE Template SET Name='Audit' WHERE TemplateKey=?", {kitchen});
        choice.load();
        tick(choice, "Audit");
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!choice.upload(status));
        QCOMPARE(prompter.last().text, QString("Two ticked templates are named \"Audit\", and the unit holds one file "
                                               "of a name. Tick one of them."));
        QCOMPARE(fixture.unit().connections, 1);
        QVERIFY(QFile::exists(fixture.unitTemplateFolder() + "Kitchen.evt"));
    }

    // The first copy that fails stops the upload; what did not reach the unit stays ticked.
    void aFailedCopyKeepsItsTick() {
        HandheldFixture fixture(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        const Database& db = fixture.db();
        fixture.addAudit();
        db.insert("Template", {"Name"}, {"Kitchen"});
        db.insert("Template", {"Name"}, {"Yard"});
        UnitTemplateChoice choice(fixture.unitTemplateFolder(), fixture.session());
        choice.load();
        for (qsizetype i = 0; i < 3; ++i)
            choice.setTicked(i, true);
        fixture.unit().faults.refuseOpen = "Kitchen";
        ScriptedPrompter prompter;
        RecordingStatus status;
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!choice.upload(status));
        QCOMPARE(prompter.last().text, QString("CE Error.\r\nError: 5\r\nSee documentation\r\nError with copy"));
        QCOMPARE(QDir(fixture.unitTemplateFolder()).entryList(QDir::Files), QStringList({"Audit.evt"}));
        QCOMPARE(shown(choice), QStringList({"Audit: On the unit, as in the catalog", "Kitchen: Not on the unit [x]",
                                             "Yard: Not on the unit [x]"}));
        // Every file was written on the PC before the first copy.
        QCOMPARE(QDir(programSettings().DataPath).entryList({"*.evt"}, QDir::Files),
                 QStringList({"Audit.evt", "Kitchen.evt", "Yard.evt"}));
        QCOMPARE(fixture.session().lastDeviceError(), 0u);
        QCOMPARE(fixture.unit().disconnections, 1);
    }
};

QTEST_GUILESS_MAIN(tst_UnitTemplateChoice)
#include "tst_unittemplatechoice.moc"
