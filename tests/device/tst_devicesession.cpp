#include "DeviceSession.h"
#include "FaultInjectingTransport.h"
#include "KestrivoError.h"
#include "MountedFolderTransport.h"
#include "ScriptedPrompter.h"
#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The device operations over an emulated unit: their results, messages and session state.
class tst_DeviceSession : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    FaultInjectingTransport* m_unit = nullptr;
    std::unique_ptr<DeviceSession> m_session;

    QString root() const { return m_folder->path() + "/unit/"; }
    QString pc(const QString& name) const { return m_folder->path() + "/pc/" + name; }
    QString onUnit(const QString& name) const { return root() + "My Documents/Nobrin/Templates/" + name; }
    static QString unitPath(const QString& name) { return "\\My Documents\\Nobrin\\Templates\\" + name; }

    QString shownOutcome() {
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        m_session->ShowDeviceError();
        return prompter.last().text;
    }

private Q_SLOTS:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        QDir().mkpath(root() + "My Documents/Nobrin/Templates");
        QDir().mkpath(m_folder->path() + "/pc");
        m_unit = new FaultInjectingTransport(root());
        m_session = std::make_unique<DeviceSession>(std::unique_ptr<DeviceTransport>(m_unit));
        QVERIFY(m_session->DeviceConnect());
    }
    void cleanup() {
        m_session->DeviceDisconnect();
        m_session.reset();
        m_folder.reset();
    }

    void connectAndVersion() {
        QCOMPARE(m_session->GetDeviceVersion(), QString("1.0.0 Mounted folder"));
        m_unit->faults.neverAnswers = true;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!m_session->DeviceConnect());
        QVERIFY(clock.elapsed() >= DeviceSession::ConnectWaitMilliseconds);
        QCOMPARE(m_session->GetDeviceVersion(), QString());
        m_session->DeviceDisconnect();

        // A unit folder that is not there is a unit that is not docked.
        DeviceSession missing(std::make_unique<MountedFolderTransport>([this] { return root() + "absent"; }));
        QVERIFY(!missing.DeviceConnect());
        missing.DeviceDisconnect();
    }

    void copyToUnitInBlocks_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<qint64>>("blocks");
        QTest::newRow("empty") << 0 << QList<qint64>{};
        QTest::newRow("one block") << 2048 << QList<qint64>{2048};
        QTest::newRow("one byte more") << 2049 << QList<qint64>{2048, 1};
        QTest::newRow("three blocks") << 5000 << QList<qint64>{2048, 2048, 904};
    }
    void copyToUnitInBlocks() {
        QFETCH(int, size);
        QFETCH(QList<qint64>, blocks);
        QByteArray bytes(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i * 7);
        TestFiles::write(pc("A.evt"), bytes);
        TestFiles::write(onUnit("A.evt"), "an older and longer file that is replaced");
        m_session->CopyFileToDevice(pc("A.evt"), unitPath("A.evt"));
        QCOMPARE(m_unit->writeSizes, blocks);
        QCOMPARE(TestFiles::read(onUnit("A.evt"), "<missing>"), bytes);
        QCOMPARE(m_session->bytesTransferred(), quint32(size));
        QCOMPARE(m_session->lastDeviceMessage(), QString("Transfer Completed."));
        QCOMPARE(m_session->lastDeviceError(), 0u);
        QCOMPARE(shownOutcome(), QString("Transfer Completed."));
        QCOMPARE(m_session->bytesTransferred(), 0u);
        QCOMPARE(m_session->lastDeviceMessage(), QString());
    }

    void copyToUnitFailures() {
        TestFiles::write(pc("A.evt"), QByteArray(5000, 'x'));
        m_session->CopyFileToDevice(pc("A.evt"), "\\Missing\\A.evt");
        QCOMPARE(m_session->lastDeviceError(), 3u);
        QCOMPARE(m_session->bytesTransferred(), 0u);
        QCOMPARE(shownOutcome(), QString("CE Error.\r\nError: 3\r\nFolders do not exist on unit. Run Nobrin on unit "
                                         "to create folders, try again.\r\nError with copy"));

        // A unit that fills up in the middle keeps no cut file.
        m_unit->faults.diskFullAfter = 3000;
        m_session->CopyFileToDevice(pc("A.evt"), unitPath("A.evt"));
        QCOMPARE(m_session->lastDeviceError(), 112u);
        QCOMPARE(m_session->lastDeviceMessage(), QString("Error with copy"));
        QVERIFY(!QFile::exists(onUnit("A.evt")));
        QCOMPARE(shownOutcome(), QString("CE Error.\r\nError: 112\r\nDisk full\r\nError with copy"));

        // Paths that climb out of the unit are refused before anything is touched.
        m_session->CopyFileToDevice(pc("A.evt"), "\\My Documents\\..\\..\\escaped.evt");
        QCOMPARE(m_session->lastDeviceError(), 87u);
        QVERIFY(!QFile::exists(m_folder->path() + "/escaped.evt"));
        QCOMPARE(shownOutcome(), QString("CE Error.\r\nError: 87\r\nInvalid parameter\r\nError with copy"));

        try {
            m_session->CopyFileToDevice(pc("none.evt"), unitPath("none.evt"));
            QFAIL("a missing PC file was copied");
        } catch (const KestrivoError& error) {
            QCOMPARE(error.number(), 53);
        }
    }

    void copyFromUnit() {
        const QByteArray bytes(4100, 'e');
        TestFiles::write(onUnit("E.txt"), bytes);
        m_session->CopyFileFromDevice(unitPath("E.txt"), pc("E.txt"));
        QCOMPARE(TestFiles::read(pc("E.txt"), "<missing>"), bytes);
        QCOMPARE(m_session->bytesTransferred(), 4100u);
        QCOMPARE(shownOutcome(), QString("Transfer Completed"));

        m_session->CopyFileFromDevice(unitPath("none.txt"), pc("none.txt"));
        QCOMPARE(m_session->lastDeviceError(), 2u);
        QCOMPARE(m_session->lastDeviceMessage(), QString("Error with copy"));
        QVERIFY(!QFile::exists(pc("none.txt")));
        QCOMPARE(shownOutcome(), QString("CE Error.\r\nError: 2\r\nSee documentation\r\nError with copy"));

        // A read that fails half-way leaves the PC side as it was.
        TestFiles::write(pc("E.txt"), "the earlier copy");
        m_unit->faults.failRead = "E.txt";
        m_unit->faults.failReadAfter = 3000;
        m_session->CopyFileFromDevice(unitPath("E.txt"), pc("E.txt"));
        QCOMPARE(m_session->lastDeviceError(), 31u);
        QCOMPARE(m_session->lastDeviceMessage(), QString("Error with copy"));
        QCOMPARE(TestFiles::read(pc("E.txt"), "<missing>"), QByteArray("the earlier copy"));
        QCOMPARE(QDir(m_folder->path() + "/pc").entryList(QDir::Files | QDir::Hidden), QStringList{"E.txt"});
    }

    void deleteReportsRefusal() {
        TestFiles::write(onUnit("D.txt"), "d");
        QVERIFY(!m_session->DeleteDeviceFile(unitPath("D.txt")));
        QVERIFY(!QFile::exists(onUnit("D.txt")));
        QCOMPARE(m_session->lastDeviceError(), 0u);

        QVERIFY(m_session->DeleteDeviceFile(unitPath("D.txt")));
        QCOMPARE(m_session->lastDeviceError(), 2u);
        m_session->setLastDeviceError(0);

        TestFiles::write(onUnit("D.txt"), "d");
        m_unit->faults.refuseDelete = "D.txt";
        QVERIFY(m_session->DeleteDeviceFile(unitPath("D.txt")));
        QCOMPARE(m_session->lastDeviceError(), 5u);
        QVERIFY(QFile::exists(onUnit("D.txt")));
    }

    void searchLifecycle() {
        DeviceFileSearch none = m_session->FindDeviceFiles(unitPath("*"));
        QVERIFY(!none.isOpen());
        QCOMPARE(m_session->lastDeviceError(), 18u);
        QCOMPARE(shownOutcome(), QString("CE Error.\r\nError: 18\r\nNo files found\r\n"));

        for (const char* name : {"b.txt", "A.txt", "c.dat", ".hidden"})
            TestFiles::write(onUnit(name), "x");
        QDir().mkpath(onUnit("folder"));
        auto list = [this](const QString& pattern) {
            QStringList names;
            DeviceFileSearch search = m_session->FindDeviceFiles(unitPath(pattern));
            if (!search.isOpen())
                return names;
            names << search.firstName();
            QString name;
            while (search.nextName(name))
                names << name;
            return names;
        };
        m_session->setLastDeviceError(18);
        QCOMPARE(list("*"), QStringList({"A.txt", "b.txt", "c.dat"}));
        // The end of a listing clears the 18 that the unit reports.
        QCOMPARE(m_session->lastDeviceError(), 0u);
        QCOMPARE(list("*.TXT"), QStringList({"A.txt", "b.txt"}));

        m_unit->faults.listingBreaksAfter = 1;
        m_unit->faults.listingBreakCode = 1117;
        QCOMPARE(list("*"), QStringList({"A.txt"}));
        QCOMPARE(m_session->lastDeviceError(), 1117u);
        m_session->setLastDeviceError(0);

        QCOMPARE(list("..\\*"), QStringList());
        QCOMPARE(m_session->lastDeviceError(), 87u);
    }

    void outcomeBoxAndClearing() {
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok).answer(PromptAnswer::Ok);
        m_session->ShowDeviceError();
        QCOMPARE(prompter.last().text, QString());
        QCOMPARE(prompter.last().title, QString("Message"));
        QCOMPARE(prompter.last().icon, PromptIcon::Information);
        QCOMPARE(prompter.last().buttons, PromptButtons::Ok);

        m_session->setLastDeviceError(80);
        m_session->setLastDeviceMessage("Selected files copied");
        m_session->ShowDeviceError();
        QCOMPARE(prompter.last().text, QString("CE Error.\r\nError: 80\r\nFile exists\r\nSelected files copied"));
        QCOMPARE(m_session->lastDeviceError(), 0u);
        QCOMPARE(m_session->lastDeviceMessage(), QString());
    }

    void unitPathsMapBelowTheRoot() {
        QCOMPARE(MountedFolderTransport::localPath("/u/", "\\My Documents\\A.evt"), QString("/u/My Documents/A.evt"));
        QCOMPARE(MountedFolderTransport::localPath("/u", "\\a\\.\\b//c"), QString("/u/a/b/c"));
        QCOMPARE(MountedFolderTransport::localPath("/u/", "\\a\\..\\b"), QString());
        QCOMPARE(MountedFolderTransport::localPath("/u/", "\\"), QString());
        QCOMPARE(MountedFolderTransport::localPath("/u/", QString("a") + QChar(0) + "b"), QString());
    }
};

QTEST_GUILESS_MAIN(tst_DeviceSession)
#include "tst_devicesession.moc"
