#include "DataEnvironment.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "ProgramSettings.h"
#include "Registry.h"
#include "ScriptedPrompter.h"
#include "Settings.h"
#include "Startup.h"
#include "TestDatabases.h"
#include "UnitFolders.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// Settings, the registry over the INI file, and the error log.
class tst_Settings : public QObject {
    Q_OBJECT

    const QString Key = QStringLiteral("Software\\Halvane\\Kestrivo");

    static QString readLog() {
        QFile log(programSettings().LogPath + "ErrorLog.txt");
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString("<missing>");
    }

private Q_SLOTS:
    void init() {
        QFile::remove(registryFilePath());
        programSettings() = ProgramSettings();
    }

    void registryKeepsValueTypes() {
        CreateRegistryKey(Key, RegistryRoot::HKEY_LOCAL_MACHINE);
        SetRegistryValue(Key, "Text", "42", RegistryRoot::HKEY_LOCAL_MACHINE, RegistryType::REG_SZ);
        SetRegistryValue(Key, "Number", 42, RegistryRoot::HKEY_LOCAL_MACHINE, RegistryType::REG_DWORD);
        SetRegistryValue(Key, "Negative", -1, RegistryRoot::HKEY_LOCAL_MACHINE, RegistryType::REG_DWORD);
        SetRegistryValue(Key, "Tricky", "dword:00000001", RegistryRoot::HKEY_LOCAL_MACHINE, RegistryType::REG_SZ);
        SetRegistryValue(Key, "Binary", "x", RegistryRoot::HKEY_LOCAL_MACHINE, 3);

        const QVariant text = GetRegistryValue(Key, "Text", RegistryRoot::HKEY_LOCAL_MACHINE);
        QCOMPARE(text.typeId(), QMetaType::QString);
        QCOMPARE(text.toString(), QString("42"));
        const QVariant number = GetRegistryValue(Key, "Number", RegistryRoot::HKEY_LOCAL_MACHINE);
        QCOMPARE(number.typeId(), QMetaType::Int);
        QCOMPARE(number.toInt(), 42);
        QCOMPARE(GetRegistryValue(Key, "Negative", RegistryRoot::HKEY_LOCAL_MACHINE).toInt(), -1);
        QCOMPARE(GetRegistryValue(Key, "Tricky", RegistryRoot::HKEY_LOCAL_MACHINE).toString(),
                 QString("dword:00000001"));
        QVERIFY(!GetRegistryValue(Key, "Binary", RegistryRoot::HKEY_LOCAL_MACHINE).isValid());
        QVERIFY(!GetRegistryValue(Key, "Missing", RegistryRoot::HKEY_LOCAL_MACHINE).isValid());
        QVERIFY(!GetRegistryValue(Key, "Text", RegistryRoot::HKEY_CURRENT_USER).isValid());

        // A value of another type (written by hand as .reg binary) reads as empty.
        QSettings raw(registryFilePath(), QSettings::IniFormat);
        raw.setValue("HKEY_LOCAL_MACHINE/Software/Halvane/Kestrivo/Raw", "hex:01,02");
        raw.sync();
        QVERIFY(!GetRegistryValue(Key, "Raw", RegistryRoot::HKEY_LOCAL_MACHINE).isValid());
    }

    void firstRunWritesDefaultsAndConnectionString() {
        Settings::LoadSettings(programSettings(), "/ignored/");
        const QString home = TestDatabases::home();
        const ProgramSettings& s = programSettings();
        QCOMPARE(s.AppPath, home);
        QCOMPARE(s.RegistryKeyPath, Key);
        QCOMPARE(s.DatabaseConnectionString,
                 "Provider=SQLite;Data Source=" + home + "data/kestrivo.db;Persist Security Info=False");
        QCOMPARE(s.LogPath, home + "logs/");
        QCOMPARE(s.ReportDataPath, home + "data/Report.db");
        QCOMPARE(s.UnitPath, home + "unit/");
        QCOMPARE(Settings::valueNames().size(), 10);
        for (const auto& [name, value] : Settings::firstRunDefaults(home))
            QCOMPARE(Settings::readSetting(name), value);
        QVERIFY(QDir(home + "logs").exists());
        QVERIFY(!s.UserName.isEmpty() && s.UserName.size() <= 24);

        // A later start reads what is there, it does not write the defaults again.
        Settings::writeSetting("LogPath", "/var/tmp/");
        Settings::LoadSettings(programSettings(), "/ignored/");
        QCOMPARE(programSettings().LogPath, QString("/var/tmp/"));
    }

    void serverConnectionString() {
        QCOMPARE(Settings::buildConnectionString("PostgreSQL", "kestrivo", "db.example:5432",
                                                 ";Persist Security Info=False;"),
                 QString("Provider=PostgreSQL;Initial Catalog=kestrivo;Data Source=db.example:5432;Persist Security "
                         "Info=False;"));
    }

    void developmentFoldersUseTheInstalledPaths() {
        const QByteArray saved = qgetenv("KESTRIVO_HOME");
        qunsetenv("KESTRIVO_HOME");
        QCOMPARE(Settings::resolveAppPath("/home/ann/Development/kestrivo/build/bin"), QString("/opt/kestrivo/"));
        QCOMPARE(Settings::resolveAppPath("/home/ann/development/bin"), QString("/home/ann/development/bin/"));
        QCOMPARE(Settings::resolveAppPath("/usr/lib/kestrivo/"), QString("/usr/lib/kestrivo/"));

        // Installed under a prefix: the data is the user's, the program folder stays untouched.
        QTemporaryDir prefix;
        QVERIFY(QDir().mkpath(prefix.path() + "/bin") && QDir().mkpath(prefix.path() + "/share/kestrivo"));
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(prefix.path() + "/user data"));
        QCOMPARE(Settings::resolveAppPath(prefix.path() + "/bin"), prefix.path() + "/user data/kestrivo/");
        QCOMPARE(Settings::resolveAppPath(prefix.path() + "/share"), prefix.path() + "/share/");
        if (dataHome.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", dataHome);
        qputenv("KESTRIVO_HOME", saved);
    }

    void unusableSettingsNameTheirFault() {
        Settings::LoadSettings(programSettings(), "/ignored/");
        Settings::writeSetting("Provider", "Microsoft.Jet.OLEDB.4.0");
        try {
            Settings::LoadSettings(programSettings(), "/ignored/");
            QFAIL("an unknown provider was accepted");
        } catch (const KestrivoError& error) {
            QCOMPARE(error.description(), QString("The setting Provider holds \"Microsoft.Jet.OLEDB.4.0\"; it must be "
                                                  "\"SQLite\" or \"PostgreSQL\"."));
        }
        QFile file(registryFilePath());
        QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
        if (QFile(registryFilePath()).open(QIODevice::ReadOnly))
            QSKIP("running as a user who reads every file");
        QVERIFY_THROWS_EXCEPTION(KestrivoError, Settings::LoadSettings(programSettings(), "/ignored/"));
    }

    void startupStopsInOrderOnAnUnusableDatabase() {
        Settings::LoadSettings(programSettings(), "/ignored/");
        const QString file = TestDatabases::home() + "data/broken.db";
        QFile broken(file);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("This is not a database, it is a letter.");
        broken.close();
        Settings::writeSetting("DataSource", file);
        QFile::remove(programSettings().LogPath + "ErrorLog.txt");

        ScriptedPrompter prompter;
        int optionsShown = 0;
        const auto options = [&optionsShown] { ++optionsShown; };
        prompter.answer(PromptAnswer::No);
        QCOMPARE(Startup::prepareProgram("/ignored/", options), 1);
        QCOMPARE(prompter.last().icon, PromptIcon::Critical);
        QVERIFY2(prompter.last().text.startsWith("The database " + file + " cannot be opened.\n"),
                 qPrintable(prompter.last().text));
        QVERIFY(prompter.last().text.contains("not a database"));
        QVERIFY(prompter.last().text.endsWith("\n\nChoose Options to point Kestrivo to another database, or Quit."));
        QCOMPARE(prompter.last().captions, QStringList({"&Options\u2026", "&Quit"}));
        QCOMPARE(optionsShown, 0);
        QVERIFY(!DataEnvironment::instance().isOpen());
        QVERIFY(readLog().contains("cannot be opened. file is not a database\r\nForm_Load \r\n"));

        // Options, left unchanged, brings the question back; pointed at a sound database, the
        // program goes on, with its shipped files in place.
        prompter.answer(PromptAnswer::Yes).answer(PromptAnswer::Yes);
        int turns = 0;
        const auto pointElsewhere = [&turns] {
            if (++turns == 2)
                Settings::writeSetting("DataSource", TestDatabases::home() + "data/kestrivo.db");
        };
        QCOMPARE(Startup::prepareProgram("/ignored/", pointElsewhere), 0);
        QCOMPARE(turns, 2);
        QCOMPARE(prompter.pending(), 0);
        QVERIFY(QFile::exists(TestDatabases::home() + "eula.txt"));
        QVERIFY(QFile::exists(TestDatabases::home() + "help/index.html"));
        DataEnvironment::instance().close();

        Settings::writeSetting("Provider", "Jet");
        prompter.answer(PromptAnswer::Ok);
        QCOMPARE(Startup::prepareProgram("/ignored/", options), 1);
        QVERIFY(prompter.last().text.startsWith("Kestrivo cannot start.\nThe setting Provider holds \"Jet\""));
    }

    // A PC without a handheld uploads to the unit below its program folder, so that unit gets
    // its folders at every start that finds them missing; a unit mounted elsewhere never does.
    void startupGivesTheEmulatedUnitItsFolders() {
        const QString home = TestDatabases::home();
        QDir(home + "unit").removeRecursively();
        const auto start = [] {
            Startup::loadProgramSettings("/ignored/");
            Startup::openDatabase();
            const CompanyParameter company = DataEnvironment::instance().rsCompanyParameter();
            DataEnvironment::instance().close();
            return QStringList({UnitFolders::below(programSettings().UnitPath, company.DeviceTemplatePath),
                                UnitFolders::below(programSettings().UnitPath, company.DeviceEvaluationPath)});
        };
        const auto allThere = [](const QStringList& folders) {
            return std::all_of(folders.begin(), folders.end(), [](const QString& f) { return QDir(f).exists(); });
        };
        QStringList folders = start();
        QCOMPARE(folders.first(), home + "unit/My Documents/Nobrin/Templates/");
        QVERIFY(allThere(folders));
        QVERIFY(QDir(folders.last()).removeRecursively());
        QVERIFY(allThere(start()));

        // The same folder spelt another way is still the emulated unit.
        QVERIFY(QDir(home + "unit").removeRecursively());
        Settings::writeSetting("UnitPath", home + "data/../unit");
        QVERIFY(allThere(start()));
        QVERIFY(UnitFolders::isEmulated(home + "unit", home));
        QVERIFY(!UnitFolders::isEmulated(home + "unit2/", home));
        QVERIFY(!UnitFolders::isEmulated(QString(), home));

        // A real unit: its own application makes its folders.
        QTemporaryDir elsewhere;
        Settings::writeSetting("UnitPath", elsewhere.path() + "/");
        QVERIFY(QDir(home + "unit").removeRecursively());
        folders = start();
        QVERIFY(folders.first().startsWith(elsewhere.path()));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(!QDir(home + "unit").exists());

        // A unit folder that cannot be made is logged; the program starts all the same.
        Settings::writeSetting("UnitPath", home + "unit/");
        QFile blocker(home + "unit");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QFile::remove(programSettings().LogPath + "ErrorLog.txt");
        ScriptedPrompter prompter;
        QCOMPARE(Startup::prepareProgram("/ignored/", [] {}), 0);
        DataEnvironment::instance().close();
        QVERIFY2(readLog().contains("The unit folder " + home +
                                    "unit/My Documents/Nobrin/Templates/ cannot be "
                                    "created.\r\nPrepareEmulatedUnit"),
                 qPrintable(readLog()));
        QCOMPARE(prompter.pending(), 0);
        QVERIFY(blocker.remove());
    }

    void startupOnAPostgreSQLServer() {
        if (!TestDatabases::postgresAvailable()) {
            if (!qEnvironmentVariable("CI").isEmpty())
                QFAIL("no PostgreSQL server for the database tests");
            QSKIP("no PostgreSQL server");
        }
        Settings::LoadSettings(programSettings(), "/ignored/");
        const QString server =
            qEnvironmentVariable("KESTRIVO_TEST_PGHOST") + ":" + qEnvironmentVariable("KESTRIVO_TEST_PGPORT");
        Settings::writeSetting("Provider", "PostgreSQL");
        Settings::writeSetting("DataSource", "kestrivo_startup");
        Settings::writeSetting("DataServer", server);
        Settings::writeSetting("ConnectionMisc", ";Persist Security Info=False;");
        Startup::loadProgramSettings("/ignored/");
        QCOMPARE(programSettings().DatabaseConnectionString,
                 "Provider=PostgreSQL;Initial Catalog=kestrivo_startup;Data Source=" + server +
                     ";Persist Security Info=False;");
        Startup::openDatabase();
        QCOMPARE(DataEnvironment::instance().rsCompanyParameter().ReportColumns, 3);
        DataEnvironment::instance().close();

        // A server that does not answer stops the start-up with its reason.
        Settings::writeSetting("DataServer", "/nonexistent-socket-folder:5999");
        Startup::loadProgramSettings("/ignored/");
        try {
            Startup::openDatabase();
            QFAIL("a missing server was reached");
        } catch (const KestrivoError& error) {
            QVERIFY2(error.description().startsWith(
                         "The database kestrivo_startup on /nonexistent-socket-folder:5999 cannot be opened.\n"),
                     qPrintable(error.description()));
        }
    }

    void logErrorAppendsRecordsAndShowsTheBox() {
        Settings::LoadSettings(programSettings(), "/ignored/");
        QFile::remove(programSettings().LogPath + "ErrorLog.txt");
        programSettings().UserName = "clerk";
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok).answer(PromptAnswer::Ok).answer(PromptAnswer::Ok);

        LogError(KestrivoError(13, "Type mismatch"));
        QCOMPARE(prompter.last().text, QString("Error #  13 was generated by kestrivo\r\nType mismatch"));
        QCOMPARE(prompter.last().title, QString("Error"));
        QCOMPARE(prompter.last().icon, PromptIcon::None);
        LogError(KestrivoError(-2147467259, "Disk I/O", "SQLite"), "cmdOK_Click");
        QCOMPARE(prompter.last().text, QString("Error # -2147467259 was generated by SQLite\r\nDisk I/O"));
        LogError(KestrivoError(5, ""));
        AppendErrorRecord(KestrivoError(7, "first\nsecond\r\nthird"), "Form_Load");

        const QString log = readLog();
        const QStringList lines = log.split("\r\n");
        QCOMPARE(lines.size(), 13); // four records and the empty text after the last CR LF
        const QRegularExpression header("^User:clerk Date:\\d\\d/\\d\\d/\\d{4} @ \\d\\d:\\d\\d$");
        QVERIFY2(header.match(lines[0]).hasMatch(), qPrintable(lines[0]));
        QVERIFY(lines[0].contains(QDate::currentDate().toString("MM/dd/yyyy")));
        QCOMPARE(lines[1], QString("Error= 13  - Type mismatch"));
        QCOMPARE(lines[2], QString(" "));
        QCOMPARE(lines[4], QString("Error=-2147467259  - Disk I/O"));
        QCOMPARE(lines[5], QString("cmdOK_Click "));
        QCOMPARE(lines[7], QString("Error= 5  - "));
        QCOMPARE(lines[10], QString("Error= 7  - first second third"));
        QVERIFY(!log.contains(QRegularExpression("[^\\r]\\n")));
    }

    void fileNotFoundAndUnwritableLog() {
        Settings::LoadSettings(programSettings(), "/ignored/");
        QFile::remove(programSettings().LogPath + "ErrorLog.txt");
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        LogError(KestrivoError(53, "File not found"));
        QCOMPARE(prompter.last().text, QString("File not found to process request!"));
        QCOMPARE(prompter.last().title, QString("Error!"));
        QCOMPARE(prompter.last().icon, PromptIcon::Critical);
        QCOMPARE(readLog(), QString("<missing>"));

        programSettings().LogPath = "/no/such/folder/";
        prompter.answer(PromptAnswer::Ok);
        LogError(KestrivoError(13, "Type mismatch"));
        QCOMPARE(prompter.shown().size(), 2);
        QVERIFY(!QDir("/no/such/folder").exists());
    }

    void guardHandsEveryFailureToTheLog() {
        Settings::LoadSettings(programSettings(), "/ignored/");
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok).answer(PromptAnswer::Ok);
        QVERIFY(guarded("ok", [] {}));
        QVERIFY(!guarded("Form_Load", [] { throw KestrivoError(91, "Object variable not set"); }));
        QVERIFY(!guarded("Form_Load", [] { throw std::runtime_error("bad"); }));
        QCOMPARE(prompter.shown().size(), 2);
        QVERIFY(readLog().contains("Form_Load \r\n"));
    }
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
