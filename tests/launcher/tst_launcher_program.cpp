#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <poll.h>
#include <unistd.h>

namespace fs = std::filesystem;

// Runs the built Linux launcher from folders of its own, with an opener that records what it
// was asked to open.
class tst_LauncherProgram : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QByteArray m_base;
    QString m_opener;
    QString m_record;
    QString m_start;

    // Copies the launcher under name into folder (raw bytes below the temporary folder) beside
    // a "Nobrin.vb". Folders whose names are not UTF-8 cannot be named through QProcess, so the
    // copy is started through a link; the launcher sees its real path all the same.
    void installLauncher(const QByteArray& folder, const QByteArray& name) {
        const fs::path dir = (m_base + "/" + folder).toStdString();
        fs::create_directories(dir);
        fs::copy_file(NOBRIN_LAUNCHER_PROGRAM, dir / name.toStdString(), fs::copy_options::overwrite_existing);
        std::FILE* file = std::fopen((dir / "Nobrin.vb").c_str(), "w");
        QVERIFY(file);
        std::fclose(file);
        QFile::remove(m_start);
        fs::create_symlink(dir / name.toStdString(), m_start.toStdString());
        QFile::remove(m_record);
    }

    // Runs the launcher and waits until it and whatever it started have ended: each of them
    // holds the writing end of a pipe, which reads as ended once the last of them has exited.
    void runLauncherAndWhatItStarts(const QString& opener, int expectedExitCode) {
        int ends[2];
        QVERIFY(::pipe(ends) == 0);
        runLauncher(opener, expectedExitCode);
        ::close(ends[1]);
        if (QTest::currentTestFailed()) {
            ::close(ends[0]);
            return;
        }
        pollfd reading{ends[0], POLLIN, 0};
        char byte = 0;
        const bool ended = ::poll(&reading, 1, 10000) == 1 && ::read(ends[0], &byte, 1) == 0;
        ::close(ends[0]);
        QVERIFY2(ended, "something the launcher started did not end within 10 s");
    }

    void runLauncher(const QString& opener, int expectedExitCode) {
        QProcess launcher;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("NOBRIN_OPENER", opener);
        environment.insert("NOBRIN_TEST_RECORD", m_record);
        launcher.setProcessEnvironment(environment);
        launcher.start(m_start, {});
        QVERIFY(launcher.waitForFinished(10000));
        QCOMPARE(launcher.exitStatus(), QProcess::NormalExit);
        QCOMPARE(launcher.exitCode(), expectedExitCode);
        QCOMPARE(launcher.readAllStandardOutput(), QByteArray());
        QCOMPARE(launcher.readAllStandardError(), QByteArray());
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        m_base = QFile::encodeName(QDir(m_root.path()).canonicalPath());
        m_opener = m_root.filePath("opener.sh");
        m_record = m_root.filePath("opened");
        m_start = m_root.filePath("start");
        QFile opener(m_opener);
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\n"
                     "printf '%s\\0' \"$@\" > \"$NOBRIN_TEST_RECORD.part\"\n"
                     "mv \"$NOBRIN_TEST_RECORD.part\" \"$NOBRIN_TEST_RECORD\"\n");
        opener.close();
        QVERIFY(opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void opensApplicationFileBesideIt_data() {
        QTest::addColumn<QByteArray>("folder");
        QTest::newRow("plain") << QByteArray("Unit");
        QTest::newRow("utf-8") << QByteArray("\xc3\x89valuations \xf0\x9f\x98\x80");
        QTest::newRow("not utf-8") << QByteArray("\xe9t\xe9 \xff");
        QTest::newRow("folder named like the launcher") << QByteArray("NobrinLauncher");
    }
    void opensApplicationFileBesideIt() {
        QFETCH(QByteArray, folder);
        installLauncher(folder, "NobrinLauncher");

        runLauncher(m_opener, 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_record), 10000);
        QFile record(m_record);
        QVERIFY(record.open(QIODevice::ReadOnly));
        QCOMPARE(record.readAll(), m_base + "/" + folder + "/Nobrin.vb" + '\0');
    }

    void renamedLauncherStartsNothing() {
        installLauncher("Renamed", "nobrinlauncher");

        runLauncherAndWhatItStarts(m_opener, 1);
        QVERIFY(!QFile::exists(m_record));
    }

    void missingOpenerIsNotReported() {
        installLauncher("NoOpener", "NobrinLauncher");
        runLauncher(m_root.filePath("no-such-opener"), 0);
    }
};

QTEST_GUILESS_MAIN(tst_LauncherProgram)
#include "tst_launcher_program.moc"
