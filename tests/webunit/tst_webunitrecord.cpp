#include "KestrivoError.h"
#include "ReceivedEvaluations.h"
#include "Settings.h"
#include "UnitEvaluationFolder.h"
#include "WebUnitSettings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <latch>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

// What phones send reaches the unit once and whole: two servers on one unit, a full disk, a unit
// folder moved away, a server killed at any point, two servers making the pairing token at once.
class tst_WebUnitRecord : public QObject {
    Q_OBJECT

    using Outcome = ReceivedEvaluations::Outcome;
    using Result = ReceivedEvaluations::Result;

    // An emulated unit: its evaluation folder and the web unit's record.
    struct Unit {
        QTemporaryDir dir;
        QString root = dir.path() + QStringLiteral("/unit/");
        QString evaluations = root + QStringLiteral("Nobrin/Evaluations/");
        QString record = root + QStringLiteral(".kestrivo-webunit/received.txt");

        Unit() { QDir().mkpath(evaluations); }
        // The files Down lists.
        QStringList files() const { return QDir(evaluations).entryList(QDir::Files, QDir::Name); }
        QStringList hidden() const {
            return QDir(evaluations).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
        }
        QByteArray file(const QString& name) const { return contents(evaluations + name); }
        static QByteArray contents(const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }
        static QList<QByteArray> lines(const QString& record) {
            QList<QByteArray> lines = contents(record).split('\n');
            lines.removeLast();
            return lines;
        }
    };

    // The disk is full once a file would grow past this size (the signal that would end the
    // program is ignored, so the write is cut short instead).
    class FileSizeLimit {
    public:
        explicit FileSizeLimit(qint64 bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN)) {
            ::getrlimit(RLIMIT_FSIZE, &m_before);
            rlimit limited = m_before;
            limited.rlim_cur = rlim_t(bytes);
            ::setrlimit(RLIMIT_FSIZE, &limited);
        }
        ~FileSizeLimit() {
            ::setrlimit(RLIMIT_FSIZE, &m_before);
            std::signal(SIGXFSZ, m_handler);
        }

    private:
        rlimit m_before{};
        void (*m_handler)(int);
    };

    static QByteArray bytesOf(const QString& id) {
        return "\"*H*\",\"2024-05-06 14:03:11 #" + id.toLatin1() + "\",12,7\r\n\"*F*\",40,\"Site\",7\r\n";
    }

    static Result send(ReceivedEvaluations& server, const QString& id) {
        return server.receive(id, QStringLiteral("Site"), QStringLiteral(".txt"), bytesOf(id));
    }

    // send, for another thread: a refusal is an outcome the test looks at, not an exception.
    static std::optional<Result> tried(ReceivedEvaluations& server, const QString& id) {
        try {
            return send(server, id);
        } catch (const KestrivoError&) {
            return std::nullopt;
        }
    }

    static int mode(const QString& path) {
        struct stat status {};
        return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
    }

    static void backdate(const QString& path) {
        const timespec times[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }

private Q_SLOTS:
    void twoServersNeverShareAFile() {
        Unit unit;
        // Many files of the name already there make choosing the next one slow.
        for (int number = 1; number <= 200; ++number) {
            QFile earlier(unit.evaluations +
                          (number == 1 ? QStringLiteral("Site.txt") : QStringLiteral("Site_%1.txt").arg(number)));
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier");
        }
        ReceivedEvaluations first(unit.record, unit.evaluations), second(unit.record, unit.evaluations);
        constexpr int Phones = 8, Each = 25;
        std::vector<std::vector<std::pair<QString, std::optional<Result>>>> sent(Phones);
        std::vector<std::thread> phones;
        for (int phone = 0; phone < Phones; ++phone) {
            phones.emplace_back([&, phone] {
                for (int serial = 0; serial < Each; ++serial) {
                    const QString id = QStringLiteral("phone%1-%2").arg(phone).arg(serial, 4, 10, QLatin1Char('0'));
                    sent[size_t(phone)].emplace_back(id, tried(phone % 2 ? second : first, id));
                }
            });
        }
        for (std::thread& phone : phones)
            phone.join();
        QSet<QString> names;
        for (const auto& phone : sent) {
            for (const auto& [id, result] : phone) {
                QVERIFY2(result, qPrintable(id));
                QCOMPARE(result->outcome, Outcome::Stored);
                QCOMPARE(unit.file(result->fileName), bytesOf(id));
                names.insert(result->fileName.toLower());
            }
        }
        QCOMPARE(names.size(), Phones * Each);
        QCOMPARE(unit.files().size(), 200 + Phones * Each);
        QCOMPARE(unit.hidden(), QStringList());
        QCOMPARE(Unit::lines(unit.record).size(), Phones * Each);
    }

    void oneIdSentToBothServersIsStoredOnce() {
        Unit unit;
        ReceivedEvaluations first(unit.record, unit.evaluations), second(unit.record, unit.evaluations);
        constexpr int Rounds = 60;
        for (int round = 0; round < Rounds; ++round) {
            const QString id = QStringLiteral("resent-%1").arg(round, 3, 10, QLatin1Char('0'));
            std::optional<Result> one, two;
            std::latch start(2);
            std::thread toFirst([&] {
                start.arrive_and_wait();
                one = tried(first, id);
            });
            std::thread toSecond([&] {
                start.arrive_and_wait();
                two = tried(second, id);
            });
            toFirst.join();
            toSecond.join();
            QVERIFY(one && two);
            QCOMPARE(QSet<Outcome>({one->outcome, two->outcome}),
                     QSet<Outcome>({Outcome::Stored, Outcome::AlreadyReceived}));
            QCOMPARE(one->fileName, two->fileName);
        }
        QCOMPARE(unit.files().size(), Rounds);
        QCOMPARE(Unit::lines(unit.record).size(), Rounds);
    }

    void aNameTakenMeanwhileByAWriterWithoutTheLock() {
        // A handheld or the unit simulator writes the name just chosen, right after it is recorded.
        class Overtaken : public ReceivedEvaluations {
        public:
            using ReceivedEvaluations::ReceivedEvaluations;
            QString folder;

        protected:
            void reached(Step step) override {
                QFile handheld(folder + QStringLiteral("Site.txt"));
                if (step == Step::Recorded && handheld.open(QIODevice::WriteOnly))
                    handheld.write("handheld");
            }
        };
        Unit unit;
        Overtaken received(unit.record, unit.evaluations);
        received.folder = unit.evaluations;
        const Result stored = send(received, QStringLiteral("overtaken-1"));
        QCOMPARE(stored.outcome, Outcome::Stored);
        QCOMPARE(stored.fileName, QStringLiteral("Site_2.txt"));
        QCOMPARE(unit.file(QStringLiteral("Site.txt")), QByteArray("handheld"));
        QCOMPARE(unit.file(stored.fileName), bytesOf(QStringLiteral("overtaken-1")));
        ReceivedEvaluations restarted(unit.record, unit.evaluations);
        const Result again = send(restarted, QStringLiteral("overtaken-1"));
        QCOMPARE(again.outcome, Outcome::AlreadyReceived);
        QCOMPARE(again.fileName, QStringLiteral("Site_2.txt"));
    }

    void aRecordedFileStaysUntilItHasItsName() {
        Unit unit;
        ReceivedEvaluations received(unit.record, unit.evaluations);
        // Recorded, but no file system takes a name this long: the rename fails after the commit.
        const QString tooLong(300, QLatin1Char('x'));
        const QByteArray bytes = bytesOf(QStringLiteral("long-name-1"));
        for (int attempt = 0; attempt < 2; ++attempt)
            QVERIFY_THROWS_EXCEPTION(
                KestrivoError, received.receive(QStringLiteral("long-name-1"), tooLong, QStringLiteral(".txt"), bytes));
        QCOMPARE(unit.hidden().size(), 1);
        // Its bytes are never taken for what a dead writer left, by this server or another one.
        backdate(unit.evaluations + unit.hidden().first());
        QCOMPARE(send(received, QStringLiteral("later-1")).outcome, Outcome::Stored);
        ReceivedEvaluations other(unit.record, unit.evaluations);
        QCOMPARE(send(other, QStringLiteral("later-2")).outcome, Outcome::Stored);
        QCOMPARE(unit.hidden().size(), 1);
        QCOMPARE(unit.file(unit.hidden().first()), bytes);
        QCOMPARE(Unit::lines(unit.record).size(), 3);
    }

    void aRefusedWriteLeavesNothingBehind() {
        Unit unit;
        ReceivedEvaluations received(unit.record, unit.evaluations);
        QStringList ids;
        for (int serial = 0; serial < 10; ++serial) {
            ids << QStringLiteral("before-%1").arg(serial);
            send(received, ids.last());
        }
        const qint64 recordSize = QFileInfo(unit.record).size();
        // The disk fills up in the middle of the record's line, then in the middle of the file.
        for (const qint64 room : {recordSize + 20, qint64(30)}) {
            bool refused = false;
            {
                const FileSizeLimit full(room);
                try {
                    send(received, QStringLiteral("refused-1"));
                } catch (const KestrivoError&) {
                    refused = true;
                }
            }
            QVERIFY(refused);
            QCOMPARE(QFileInfo(unit.record).size(), recordSize);
            QCOMPARE(unit.files().size(), 10);
            QCOMPARE(unit.hidden(), QStringList());
        }
        // With room again, the phone's retry is stored once, and the next id gets a line of its own.
        ids << QStringLiteral("refused-1") << QStringLiteral("after-1");
        QCOMPARE(send(received, ids.at(10)).outcome, Outcome::Stored);
        QCOMPARE(send(received, ids.at(11)).outcome, Outcome::Stored);
        ReceivedEvaluations restarted(unit.record, unit.evaluations);
        for (const QString& id : ids)
            QCOMPARE(send(restarted, id).outcome, Outcome::AlreadyReceived);
        QCOMPARE(unit.files().size(), 12);
    }

    void aRecordCutShortTakesTheNextIdOnALineOfItsOwn() {
        Unit unit;
        // As an earlier version left it on a full disk: whole lines without a check, the last one cut.
        QDir().mkpath(QFileInfo(unit.record).absolutePath());
        QFile record(unit.record);
        QVERIFY(record.open(QIODevice::WriteOnly));
        const QByteArray digest = QCryptographicHash::hash(bytesOf("earlier-1"), QCryptographicHash::Sha256).toHex();
        record.write("earlier-1\t" + digest + "\tSite.txt\nearlier-2\t01234");
        record.close();
        QFile earlier(unit.evaluations + QStringLiteral("Site.txt"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write(bytesOf("earlier-1"));
        earlier.close();
        {
            ReceivedEvaluations received(unit.record, unit.evaluations);
            const Result again = send(received, QStringLiteral("earlier-1"));
            QCOMPARE(again.outcome, Outcome::AlreadyReceived);
            QCOMPARE(again.fileName, QStringLiteral("Site.txt"));
            QCOMPARE(received
                         .receive(QStringLiteral("earlier-1"), QStringLiteral("Site"), QStringLiteral(".txt"),
                                  "other answers")
                         .outcome,
                     Outcome::Changed);
            QCOMPARE(send(received, QStringLiteral("later-1")).outcome, Outcome::Stored);
        }
        ReceivedEvaluations restarted(unit.record, unit.evaluations);
        QCOMPARE(send(restarted, QStringLiteral("later-1")).outcome, Outcome::AlreadyReceived);
        QCOMPARE(unit.files(), QStringList({"Site.txt", "Site_2.txt"}));
        const QList<QByteArray> lines = Unit::lines(unit.record);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(1).startsWith("later-1\t"));
    }

    void theRecordFollowsTheUnitFolder() {
        Unit unit;
        ReceivedEvaluations received(unit.record, unit.evaluations);
        QCOMPARE(send(received, QStringLiteral("first-unit-1")).outcome, Outcome::Stored);
        // Another unit takes the folder's place.
        const QString moved = unit.dir.path() + QStringLiteral("/moved/");
        QVERIFY(QDir().rename(unit.root, moved));
        QVERIFY(QDir().mkpath(unit.evaluations));
        const Result second = send(received, QStringLiteral("second-unit-1"));
        QCOMPARE(second.outcome, Outcome::Stored);
        QCOMPARE(unit.files(), QStringList({"Site.txt"}));
        QCOMPARE(unit.file(second.fileName), bytesOf(QStringLiteral("second-unit-1")));
        const QList<QByteArray> lines = Unit::lines(unit.record);
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().startsWith("second-unit-1\t"));
        QCOMPARE(Unit::lines(moved + QStringLiteral(".kestrivo-webunit/received.txt")).size(), 1);

        // A unit that is not there (not mounted) is refused: nothing is written on the PC's own disk.
        QVERIFY(QDir(unit.root).removeRecursively());
        QVERIFY_THROWS_EXCEPTION(KestrivoError, send(received, QStringLiteral("no-unit-1")));
        QVERIFY(!QFileInfo::exists(unit.root));
    }

    void aServerKilledAtAnyStepLosesAndDoublesNothing_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<Outcome>("resent");
        QTest::newRow("file written, not recorded") << QStringLiteral("staged") << Outcome::Stored;
        QTest::newRow("recorded, not in place") << QStringLiteral("recorded") << Outcome::AlreadyReceived;
        QTest::newRow("in place, not answered") << QStringLiteral("placed") << Outcome::AlreadyReceived;
    }

    void aServerKilledAtAnyStepLosesAndDoublesNothing() {
        QFETCH(QString, step);
        QFETCH(Outcome, resent);
        Unit unit;
        const QString id = QStringLiteral("killed-1");
        QProcess killed;
        killed.start(QStringLiteral(RECORD_HELPER),
                     {QStringLiteral("receive"), unit.record, unit.evaluations, id, step});
        QVERIFY(killed.waitForStarted());
        killed.write(bytesOf(id));
        killed.closeWriteChannel();
        QVERIFY(killed.waitForFinished(30000));
        QCOMPARE(killed.exitStatus(), QProcess::CrashExit);

        // The phone heard nothing, so it sends the evaluation again.
        ReceivedEvaluations restarted(unit.record, unit.evaluations);
        const Result again = send(restarted, id);
        QCOMPARE(again.outcome, resent);
        QCOMPARE(unit.files(), QStringList({"Site.txt"}));
        QCOMPARE(unit.file(again.fileName), bytesOf(id));

        // What a dead writer wrote goes at the next write (the resend's); a live writer's file
        // stays, and so does an empty one that a writer may be about to lock, until it is a minute old.
        QCOMPARE(unit.hidden(), QStringList());
        UnitEvaluationFolder folder(unit.evaluations);
        const UnitEvaluationFolder::Staged live = folder.stage(bytesOf(QStringLiteral("live-1")), false);
        const QString creating = QStringLiteral(".kestrivo-0000000000000000.partial");
        QFile empty(unit.evaluations + creating);
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QCOMPARE(send(restarted, QStringLiteral("later-1")).outcome, Outcome::Stored);
        QStringList left{live.name(), creating};
        left.sort();
        QCOMPARE(unit.hidden(), left);
        backdate(empty.fileName());
        QCOMPARE(send(restarted, QStringLiteral("later-2")).outcome, Outcome::Stored);
        QCOMPARE(unit.hidden(), QStringList({live.name()}));
        QCOMPARE(unit.files(), QStringList({"Site.txt", "Site_2.txt", "Site_3.txt"}));
    }

    void serversStartingTogetherMakeOneToken() {
        QTemporaryDir folder;
        for (int round = 0; round < 5; ++round) {
            // A new settings file, in a folder not made yet.
            const QString settings = folder.path() + QStringLiteral("/round%1/Halvane/Kestrivo.ini").arg(round);
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("KESTRIVO_SETTINGS"), settings);
            std::vector<std::unique_ptr<QProcess>> servers;
            for (int server = 0; server < 6; ++server) {
                servers.push_back(std::make_unique<QProcess>());
                servers.back()->setProcessEnvironment(environment);
                servers.back()->start(QStringLiteral(RECORD_HELPER), {QStringLiteral("token")});
            }
            for (const auto& server : servers) {
                QVERIFY(server->waitForReadyRead(30000));
                QCOMPARE(server->readLine(), QByteArray("ready\n"));
            }
            for (const auto& server : servers) {
                server->write("go\n");
                QVERIFY(server->waitForBytesWritten(30000));
            }
            QSet<QByteArray> tokens;
            for (const auto& server : servers) {
                QVERIFY(server->waitForFinished(30000));
                QCOMPARE(server->exitCode(), 0);
                tokens.insert(server->readAllStandardOutput().trimmed());
            }
            QCOMPARE(tokens.size(), 1);
            QCOMPARE(tokens.begin()->size(), 32);
            QCOMPARE(mode(settings), 0600);
        }
    }

    void theTokenIsReadableByItsOwnerOnly() {
        // A settings file of an earlier version, readable by everyone, with a token in it.
        Settings::writeSetting(QStringLiteral("Provider"), QStringLiteral("SQLite"));
        Settings::writeSetting(WebUnitSettings::Token, QStringLiteral("00112233445566778899aabbccddeeff"));
        const QString path = qEnvironmentVariable("KESTRIVO_SETTINGS");
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        QCOMPARE(WebUnitSettings::token(), QStringLiteral("00112233445566778899aabbccddeeff"));
        QCOMPARE(mode(path), 0600);
        const QString renewed = WebUnitSettings::newToken();
        QCOMPARE(WebUnitSettings::token(), renewed);
        QCOMPARE(mode(path), 0600);
        QCOMPARE(Settings::readSetting(QStringLiteral("Provider")), QStringLiteral("SQLite"));
    }
};

QTEST_GUILESS_MAIN(tst_WebUnitRecord)
#include "tst_webunitrecord.moc"
