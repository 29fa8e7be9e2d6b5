#include "FakeLauncherPlatform.h"
#include "GuardedPathBuffer.h"
#include "Launcher.h"

#include <QTest>

// Drives the launcher's core through a fake system: which file it asks the shell to open,
// with which request, and that it starts nothing and stays inside its buffer when it must not.
class tst_Launcher : public QObject {
    Q_OBJECT

    static QString folder(int length) { return QString(length, QLatin1Char('a')); }

private Q_SLOTS:
    void opensApplicationFileBesideLauncher_data() {
        QTest::addColumn<QString>("ownName");
        QTest::addColumn<QString>("application");
        QTest::addColumn<QString>("ownPath");
        QTest::addColumn<QString>("expected");
        const QString exe = "NobrinLauncher.exe";
        const QString vb = "Nobrin.vb";
        QTest::newRow("handheld") << exe << vb << "\\Program Files\\Nobrin\\NobrinLauncher.exe"
                                  << "\\Program Files\\Nobrin\\Nobrin.vb";
        QTest::newRow("linux") << "NobrinLauncher" << vb << "/opt/kestrivo/bin/NobrinLauncher"
                               << "/opt/kestrivo/bin/Nobrin.vb";
        QTest::newRow("folder named like the launcher")
            << "NobrinLauncher" << vb << "/home/u/NobrinLauncher/NobrinLauncher"
            << "/home/u/NobrinLauncher/Nobrin.vb";
        QTest::newRow("name in folder and file") << exe << vb << "\\NobrinLauncher.exe\\NobrinLauncher.exe"
                                                 << "\\NobrinLauncher.exe\\Nobrin.vb";
        QTest::newRow("own path of 127 characters") << exe << vb << "\\" + folder(107) + "\\NobrinLauncher.exe"
                                                    << "\\" + folder(107) + "\\Nobrin.vb";
        QTest::newRow("longer application name just fits") << "L.exe"
                                                           << "LongerApplicationName.vb"
                                                           << "\\" + folder(101) + "\\L.exe"
                                                           << "\\" + folder(101) + "\\LongerApplicationName.vb";
    }
    void opensApplicationFileBesideLauncher() {
        QFETCH(QString, ownName);
        QFETCH(QString, application);
        QFETCH(QString, ownPath);
        QFETCH(QString, expected);
        FakeLauncherPlatform platform;
        platform.setOwnPath(ownPath.toStdU16String());
        GuardedPathBuffer path;

        const int exitCode = Launcher::launchApplication(platform, ownName.toStdU16String().c_str(),
                                                         application.toStdU16String().c_str(), path.data());
        QVERIFY(path.guardIntact());
        QCOMPARE(exitCode, 0);
        QCOMPARE(platform.requests().size(), std::size_t(1));
        QCOMPARE(QString::fromStdU16String(platform.requestedFiles().front()), expected);
        const ShellRequest& request = platform.requests().front();
        QCOMPARE(request.size, 60u);
        QCOMPARE(request.mask, 0x40u);
        QCOMPARE(QString::fromStdU16String(request.verb), QString("open"));
        QCOMPARE(request.file, path.data());
        QCOMPARE(request.show, 1);
        QVERIFY(!request.window && !request.parameters && !request.directory && !request.instance);
        QVERIFY(!request.idList && !request.className && !request.classKey && !request.hotKey && !request.icon);
        QVERIFY(!request.process);
    }

    void ownNameNotFoundStartsNothing_data() {
        QTest::addColumn<QString>("ownPath");
        QTest::newRow("lower case") << "\\Apps\\nobrinlauncher.exe";
        QTest::newRow("upper case") << "\\Apps\\NOBRINLAUNCHER.EXE";
        QTest::newRow("longer file name") << "\\Apps\\MyNobrinLauncher.exe";
        QTest::newRow("name only in the folder") << "\\NobrinLauncher.exe\\Other.exe";
        QTest::newRow("name followed by more") << "\\Apps\\NobrinLauncher.exe.old";
    }
    void ownNameNotFoundStartsNothing() {
        QFETCH(QString, ownPath);
        FakeLauncherPlatform platform;
        platform.setOwnPath(ownPath.toStdU16String());
        GuardedPathBuffer path;

        const int exitCode = Launcher::launchApplication(platform, u"NobrinLauncher.exe", u"Nobrin.vb", path.data());
        QVERIFY(path.guardIntact());
        QCOMPARE(exitCode, 1);
        QVERIFY(platform.requests().empty());
        QCOMPARE(QString::fromStdU16String(path.text()), ownPath);
    }

    void unreadableOwnPathStartsNothing() {
        FakeLauncherPlatform platform;
        platform.setOwnPathUnreadable();
        GuardedPathBuffer path;

        const int exitCode = Launcher::launchApplication(platform, u"NobrinLauncher.exe", u"Nobrin.vb", path.data());
        QVERIFY(path.guardIntact());
        QCOMPARE(exitCode, -1);
        QVERIFY(platform.requests().empty());
    }

    void pathTooLongStartsNothing_data() {
        QTest::addColumn<QString>("ownName");
        QTest::addColumn<QString>("application");
        QTest::addColumn<QString>("ownPath");
        QTest::addColumn<bool>("withNul");
        const bool withNul = true;
        QTest::newRow("application name one too long") << "L.exe"
                                                       << "LongerApplicationName.vb"
                                                       << "\\" + folder(102) + "\\L.exe" << withNul;
        QTest::newRow("application name far too long") << "L.exe"
                                                       << "LongerApplicationName.vb"
                                                       << "\\" + folder(120) + "\\L.exe" << withNul;
        const QString longPath = "\\" + folder(200) + "\\NobrinLauncher.exe";
        QTest::newRow("own path cut") << "NobrinLauncher.exe"
                                      << "Nobrin.vb" << longPath << withNul;
        QTest::newRow("own path cut without NUL") << "NobrinLauncher.exe"
                                                  << "Nobrin.vb" << longPath << false;
        QTest::newRow("own path of 128 characters") << "NobrinLauncher.exe"
                                                    << "Nobrin.vb"
                                                    << "\\" + folder(108) + "\\NobrinLauncher.exe" << withNul;
    }
    void pathTooLongStartsNothing() {
        QFETCH(QString, ownName);
        QFETCH(QString, application);
        QFETCH(QString, ownPath);
        QFETCH(bool, withNul);
        FakeLauncherPlatform platform;
        platform.setOwnPath(ownPath.toStdU16String(),
                            withNul ? FakeLauncherPlatform::Cut::WithNul : FakeLauncherPlatform::Cut::WithoutNul);
        GuardedPathBuffer path;

        const int exitCode = Launcher::launchApplication(platform, ownName.toStdU16String().c_str(),
                                                         application.toStdU16String().c_str(), path.data());
        QVERIFY(path.guardIntact());
        QCOMPARE(exitCode, 2);
        QVERIFY(platform.requests().empty());
    }
};

QTEST_GUILESS_MAIN(tst_Launcher)
#include "tst_launcher.moc"
