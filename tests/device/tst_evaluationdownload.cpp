#include "EvaluationDownload.h"
#include "HandheldFixture.h"
#include "RecordingStatus.h"
#include "ScriptedPrompter.h"
#include "TestDatabases.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

// Down and Add of the "Handheld" tab: what the user is told, what reaches the database, and
// what stays on the unit.
class tst_EvaluationDownload : public QObject {
    Q_OBJECT

    std::unique_ptr<HandheldFixture> m_fixture;
    HandheldFixture::Audit m_audit;
    RecordingStatus m_status;
    std::unique_ptr<EvaluationDownload> m_download;

    // Lists the unit and selects everything on it.
    void listAndSelectAll() {
        QVERIFY(m_download->ListUnitEvaluations());
        m_download->SelectAll();
    }
    void putFiles(const QStringList& names) {
        for (const QString& name : names)
            m_fixture->putOnUnit(name, HandheldFixture::auditFile(m_audit, name));
    }

private Q_SLOTS:
    void init() {
        m_fixture = std::make_unique<HandheldFixture>(TestDatabases::freshConnectionString(DatabaseEngine::SQLite));
        m_audit = m_fixture->addAudit();
        m_status = RecordingStatus();
        m_download = std::make_unique<EvaluationDownload>(m_fixture->session(), m_status);
    }
    void cleanup() {
        m_download.reset();
        m_fixture.reset();
    }

    void listing() {
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        QSignalSpy focus(m_download.get(), &EvaluationDownload::listFocusRequested);
        QVERIFY(m_download->ListUnitEvaluations());
        QCOMPARE(prompter.last().text, QString("No files found to download."));
        QCOMPARE(prompter.last().title, QString("Download"));
        QCOMPARE(prompter.last().icon, PromptIcon::Critical);
        QCOMPARE(m_download->fileNames(), QStringList());
        // The empty folder's 18 does not linger into the next outcome box.
        QCOMPARE(m_fixture->session().lastDeviceError(), 0u);
        QCOMPARE(focus.count(), 1);

        putFiles({"b.txt", "A.txt", "c.dat"});
        QVERIFY(m_download->ListUnitEvaluations());
        QCOMPARE(m_download->fileNames(), QStringList({"A.txt", "b.txt", "c.dat"}));
        QCOMPARE(m_status.texts.mid(m_status.texts.size() - 2),
                 QStringList({"Connecting to handheld device", "Searching for evaluation files"}));
        QCOMPARE(m_fixture->unit().connections, m_fixture->unit().disconnections);

        // A listing that breaks off shows what came and why the rest did not.
        m_fixture->unit().faults.listingBreaksAfter = 2;
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!m_download->ListUnitEvaluations());
        QCOMPARE(m_download->fileNames(), QStringList({"A.txt", "b.txt"}));
        QCOMPARE(prompter.last().text, QString("CE Error.\r\nError: 31\r\nSee documentation\r\n"));

        m_fixture->unit().faults.neverAnswers = true;
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!m_download->ListUnitEvaluations());
        // The message names the folder where the unit was looked for.
        QCOMPARE(prompter.last().text, "Unit is not connected to PC.  Try again.\r\nThe unit was looked for in " +
                                           m_fixture->unitRoot() + " (Tools > Options, Paths, Unit).");
        QCOMPARE(prompter.last().title, QString("Connection Error"));
        QCOMPARE(m_status.texts.last(), QString("Press Download to look for evaluations"));
        QCOMPARE(m_fixture->unit().connections, m_fixture->unit().disconnections);
    }

    void addNeedsASelectionAndAYes() {
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!m_download->AddSelectedEvaluations());
        QCOMPARE(prompter.last().text, QString("No files selected to add, please select files to download."));
        QCOMPARE(prompter.last().title, QString("Error"));
        QCOMPARE(prompter.last().icon, PromptIcon::Critical);

        putFiles({"A.txt"});
        listAndSelectAll();
        prompter.answer(PromptAnswer::No);
        QVERIFY(!m_download->AddSelectedEvaluations());
        QCOMPARE(prompter.last().text, QString("Add selected files to database and delete from unit?"));
        QCOMPARE(prompter.last().title, QString("Verificiation"));
        QCOMPARE(prompter.last().buttons, PromptButtons::YesNo);
        QCOMPARE(m_fixture->unit().connections, 1);
        QCOMPARE(m_fixture->unitFiles(), QStringList({"A.txt"}));
        QCOMPARE(m_download->fileNames(), QStringList({"A.txt"}));
    }

    void addImportsAndClearsTheUnit() {
        putFiles({"A.txt", "B.txt", "C.txt"});
        QVERIFY(m_download->ListUnitEvaluations());
        m_download->select({"A.txt", "C.txt"});
        m_status = RecordingStatus();
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        QVERIFY(m_download->AddSelectedEvaluations());
        QCOMPARE(prompter.last().text, QString("Selected files copied"));
        QCOMPARE(prompter.last().title, QString("Message"));
        QCOMPARE(prompter.last().icon, PromptIcon::Information);
        QCOMPARE(m_status.texts, QStringList({"Connecting to handheld device", "Adding A.txt", "Adding C.txt",
                                              "Press Download to look for evaluations"}));
        const QList<QPair<int, int>> progress{{1, 2}, {2, 2}, {0, 0}};
        QCOMPARE(m_status.progress, progress);
        QCOMPARE(m_fixture->unitFiles(), QStringList({"B.txt"}));
        QVERIFY(QFile::exists(m_fixture->pcEvaluationFolder() + "A.txt"));
        QCOMPARE(m_fixture->rows("Evaluation"), 2);
        QCOMPARE(m_download->fileNames(), QStringList());
        QCOMPARE(m_download->lastAddResult().added, QStringList({"A.txt", "C.txt"}));
        QCOMPARE(m_fixture->unit().connections, m_fixture->unit().disconnections);
    }

    void aFailingFileStopsTheRun() {
        putFiles({"A.txt", "C.txt"});
        m_fixture->putOnUnit("B.txt", "\"*H*\",x,999,999\r\n");
        listAndSelectAll();
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok).answer(PromptAnswer::Ok);
        QVERIFY(!m_download->AddSelectedEvaluations());
        QCOMPARE(prompter.shown().at(1).title, QString("Error"));
        QVERIFY(prompter.shown().at(1).text.contains("The evaluation file B.txt was not imported."));
        QCOMPARE(prompter.last().text, QString("Not all files added!"));
        // The earlier file is in and gone from the unit; the failing one and the rest stay. (The
        // files of a batch are copied to the PC before the batch goes in, the later one too.)
        QCOMPARE(m_fixture->rows("Evaluation"), 1);
        QCOMPARE(m_fixture->unitFiles(), QStringList({"B.txt", "C.txt"}));
        QVERIFY(QFile::exists(m_fixture->pcEvaluationFolder() + "B.txt"));
        QCOMPARE(m_download->lastAddResult().failed, QString("B.txt"));
    }

    void unitFaultsDuringAdd() {
        putFiles({"A.txt", "B.txt"});
        m_fixture->unit().faults.failRead = "B.txt";
        m_fixture->unit().faults.failReadAfter = 10;
        listAndSelectAll();
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok).answer(PromptAnswer::Ok);
        QVERIFY(!m_download->AddSelectedEvaluations());
        QCOMPARE(prompter.shown().at(1).text,
                 QString("CE Error.\r\nError: 31\r\nSee documentation\r\nError with copy"));
        QCOMPARE(prompter.last().text, QString("Not all files added!"));
        QCOMPARE(m_fixture->unitFiles(), QStringList({"B.txt"}));
        QVERIFY(!QFile::exists(m_fixture->pcEvaluationFolder() + "B.txt"));

        // Imported, but the unit refuses to let go of the file: the user is told, and adding
        // it again later removes it without a second evaluation.
        m_fixture->unit().faults = {};
        m_fixture->unit().faults.refuseDelete = "B.txt";
        listAndSelectAll();
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        QVERIFY(!m_download->AddSelectedEvaluations());
        QCOMPARE(prompter.last().text, QString("CE Error.\r\nError: 5\r\nSee documentation\r\nNot all files added!"));
        QCOMPARE(m_fixture->rows("Evaluation"), 2);

        m_fixture->unit().faults = {};
        listAndSelectAll();
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        QVERIFY(m_download->AddSelectedEvaluations());
        QCOMPARE(prompter.last().text,
                 QString("Selected files copied\r\nSkipped as already imported (removed from the unit): B.txt"));
        QCOMPARE(m_fixture->rows("Evaluation"), 2);
        QCOMPARE(m_fixture->unitFiles(), QStringList());
        QCOMPARE(m_download->lastAddResult().skipped, QStringList({"B.txt"}));
    }

    void listedNamesWithAPathAreRefused() {
        putFiles({"A.txt"});
        m_fixture->putOnPc("Victim.txt", "kept");
        m_fixture->unit().faults.extraNames = {"..\\..\\data\\Evaluations\\Victim.txt"};
        listAndSelectAll();
        QCOMPARE(m_download->fileNames().size(), 2);
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Ok).answer(PromptAnswer::Ok);
        QVERIFY(!m_download->AddSelectedEvaluations());
        QCOMPARE(prompter.shown().at(1).text,
                 QString("CE Error.\r\nError: 87\r\nInvalid parameter\r\nError with copy"));
        QCOMPARE(prompter.last().text, QString("Not all files added!"));
        QCOMPARE(m_fixture->unit().deleted.size(), 1);
        QVERIFY(m_fixture->unit().deleted.first().endsWith("\\A.txt"));
        QFile victim(m_fixture->pcEvaluationFolder() + "Victim.txt");
        QVERIFY(victim.open(QIODevice::ReadOnly));
        QCOMPARE(victim.readAll(), QByteArray("kept"));
    }
};

QTEST_GUILESS_MAIN(tst_EvaluationDownload)
#include "tst_evaluationdownload.moc"
