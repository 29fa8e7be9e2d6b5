// A field day: 5 PCs (kestrivo-cli homes) on one PostgreSQL catalog, each serving its unit over
// HTTPS with its own certificate authority, 50 phones that trust their PC's authority sending
// 20 evaluations each, and every PC importing every 2 s meanwhile. One server is killed (-9)
// in the middle and started again on its port; imports are killed (-9) in the middle of their
// batches. Afterwards every evaluation must be in the catalog exactly once, every unit empty,
// and the group summary and the CSV export must count them all. Prints the total time, the
// answers' p95, the connection errors survived, the imports killed, and what was LOST or
// DOUBLED (in the catalog, or as a second file on a unit); exits 1 when anything was, or when
// any other check fails. Needs the server of scripts/with-postgres.sh.
//
// Options: --pcs N, --phones N, --each N (evaluations per phone), --server-kills N (the same
// server killed and started again N times), --seed N (repeats a run's random choices).
#include "BenchCli.h"
#include "Database.h"
#include "FieldDayCheck.h"
#include "FieldDayPc.h"
#include "FieldDayPhone.h"
#include "KestrivoError.h"
#include "TemplateFileWriter.h"
#include "TestDatabases.h"
#include "UnitSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <random>
#include <thread>

namespace {

constexpr int RoundMs = 2000;
constexpr int ImportKillsWanted = 8;
constexpr double ImportKillChance = 0.3;
constexpr int ImportKillWindowMs = 80;
constexpr int ServerDownMs = 1000;
constexpr int KillWaitMs = 5000;
constexpr int RequestStrikeMs = 60;
constexpr qint64 SendingLimitMs = 10 * 60 * 1000;
constexpr int FinalRounds = 5;

struct Options {
    int pcs = 5;
    int phones = 50;
    int each = 20;
    int serverKills = 1;
    unsigned seed = std::random_device()();
};

// Kills a PC's server (-9) while phones wait for its answers, at evenly spaced points of the
// day, and starts it again on its port a moment later.
class ServerKiller {
public:
    ServerKiller(FieldDayPc& victim, int kills, int evaluations, std::mt19937& random)
        : m_victim(victim), m_kills(kills), m_evaluations(evaluations), m_random(random) {}

    void poll(int acknowledged, int inFlight) {
        if (m_down.isValid()) {
            if (!m_restarted && m_down.elapsed() >= ServerDownMs) {
                m_victim.startServer(m_victim.port());
                m_restarted = true;
            } else if (m_restarted && m_victim.serving()) {
                longestDownSeconds = std::max(longestDownSeconds, double(m_down.elapsed()) / 1000);
                ++back;
                m_down.invalidate();
                m_restarted = false;
            }
            return;
        }
        if (killed >= m_kills)
            return;
        if (!m_due.isValid() && acknowledged >= m_evaluations * 2 * (killed + 1) / (2 * m_kills + 3))
            m_due.start();
        // A random moment into a request under way, when one comes within a few seconds: the
        // server may be reading it, storing it or answering.
        if (m_due.isValid() && m_strikeAt < 0 && (inFlight > 0 || m_due.elapsed() > KillWaitMs))
            m_strikeAt = m_due.elapsed() + std::uniform_int_distribution<int>(0, RequestStrikeMs)(m_random);
        if (m_strikeAt >= 0 && m_due.elapsed() >= m_strikeAt) {
            m_strikeAt = -1;
            requestsCut += inFlight;
            m_victim.killServer();
            ++killed;
            m_due.invalidate();
            m_down.start();
        }
    }

    int killed = 0;
    int back = 0; // serving again after a kill
    int requestsCut = 0;
    double longestDownSeconds = 0;

private:
    FieldDayPc& m_victim;
    const int m_kills;
    const int m_evaluations;
    std::mt19937& m_random;
    QElapsedTimer m_due;
    qint64 m_strikeAt = -1;
    QElapsedTimer m_down;
    bool m_restarted = false;
};

struct Day {
    std::vector<PhoneTally> tallies;
    double sendingSeconds = 0;
    double finalSeconds = 0;
    int serverKilled = -1; // the PC whose server was killed
    int serverKills = 0;
    int serverBack = 0;
    int requestsCut = 0; // requests under way to it at those moments
    double serverDownSeconds = 0;
    bool serversStopped = true;
    bool timedOut = false;
};

const QString TemplateFile = QStringLiteral("Field Day.evt");

// The field day's template in the catalog; the file the PCs put on their units.
FieldDayForm createTemplate(const Database& db, QByteArray& file) {
    FieldDayForm form;
    form.file = TemplateFile.toStdString();
    Transaction transaction(db);
    const qint64 key = db.insert(QStringLiteral("Template"), {QStringLiteral("Name")}, {QStringLiteral("Field Day")});
    const QStringList columns{QStringLiteral("TemplateKey"), QStringLiteral("Sequence"),
                              QStringLiteral("FieldLabel"),  QStringLiteral("FieldType"),
                              QStringLiteral("FieldLength"), QStringLiteral("ForceEntry"),
                              QStringLiteral("GroupField")};
    form.site = db.insert(QStringLiteral("TemplateField"), columns, {key, 1, QStringLiteral("Site"), 2, 20, -1, -1});
    form.tag = db.insert(QStringLiteral("TemplateField"), columns, {key, 2, QStringLiteral("Tag"), 0, 10, -1, 0});
    form.visited = db.insert(QStringLiteral("TemplateField"), columns, {key, 3, QStringLiteral("Visited"), 3, 8, 0, 0});
    for (int site = 0; site < 2; ++site)
        form.sites[site] = db.insert(
            QStringLiteral("TemplateFieldValue"), {QStringLiteral("TemplateFieldKey"), QStringLiteral("FieldValue")},
            {form.site, site == 0 ? QStringLiteral("North Field") : QStringLiteral("South Field")});
    // Named by site and day, as a team names them: many evaluations share a name.
    for (const auto& [field, sequence] : {std::pair{form.site, 1}, std::pair{form.visited, 2}})
        db.insert(QStringLiteral("FileNameField"), {QStringLiteral("TemplateFieldKey"), QStringLiteral("Sequence")},
                  {field, sequence});
    form.counted = db.insert(QStringLiteral("TemplateQuestion"),
                             {QStringLiteral("TemplateKey"), QStringLiteral("Sequence"), QStringLiteral("Question")},
                             {key, 1, QStringLiteral("Counted")});
    db.insert(QStringLiteral("TemplateAnswer"),
              {QStringLiteral("TemplateQuestionKey"), QStringLiteral("Sequence"), QStringLiteral("Answer")},
              {form.counted, 1, QStringLiteral("1")});
    transaction.commit();
    file = TemplateFileWriter::write(db, key);
    return form;
}

// A PC's home on the catalog, its unit with the template, the authority file its phones
// install, and its server started.
std::unique_ptr<FieldDayPc> setUpPc(int number, const QString& root, const QString& connection,
                                    const QByteArray& templateBytes) {
    const QString home = root + QStringLiteral("pc%1").arg(number);
    const UnitSimulator unit(root + QStringLiteral("unit%1/").arg(number));
    if (!BenchCli::initHome(home, connection, root + QStringLiteral("unit%1/").arg(number)))
        return nullptr;
    unit.init();
    QFile file(unit.templateFolderPath() + TemplateFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(templateBytes) != templateBytes.size())
        return nullptr;
    file.close();
    if (!BenchCli::run(home, {QStringLiteral("unit"), QStringLiteral("certificate"), QStringLiteral("--out"),
                              home + QStringLiteral("/authority.pem")}))
        return nullptr;
    auto pc = std::make_unique<FieldDayPc>(number, home, unit.evaluationFolderPath());
    pc->startServer(0);
    return pc;
}

PhoneTarget targetOf(const FieldDayPc& pc) {
    return {pc.port(), pc.token(), (pc.home() + QStringLiteral("/authority.pem")).toStdString()};
}

double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(double(values.size()) * share))];
}

// Each PC imports every RoundMs while the phones send; some imports are killed a random moment
// after they have begun to copy files, until enough have been. The middle PC's server is killed
// (first when two fifths of the evaluations have been acknowledged) and started again.
void sendAndImport(std::vector<std::unique_ptr<FieldDayPc>>& pcs, const FieldDayForm& form, const Options& options,
                   std::mt19937& random, Day& day) {
    std::atomic<bool> stop{false};
    std::atomic<int> acknowledged{0}, phonesDone{0}, victimInFlight{0};
    FieldDayPc& victim = *pcs[pcs.size() / 2];
    day.tallies.resize(size_t(options.phones));
    std::vector<std::thread> phones;
    for (int phone = 0; phone < options.phones; ++phone) {
        PhoneTarget target = targetOf(*pcs[size_t(phone % options.pcs)]);
        if (phone % options.pcs == victim.number())
            target.inFlight = &victimInFlight;
        const unsigned seed = options.seed + unsigned(phone) * 7919u;
        phones.emplace_back([&, phone, target, seed] {
            FieldDayPhone::send(target, form, phone, options.each, seed, stop, acknowledged,
                                day.tallies[size_t(phone)]);
            ++phonesDone;
        });
    }
    std::uniform_real_distribution<double> chance(0, 1);
    std::uniform_int_distribution<int> killDelay(0, ImportKillWindowMs);
    std::vector<qint64> lastRound;
    for (size_t pc = 0; pc < pcs.size(); ++pc)
        lastRound.push_back(qint64(pc) * RoundMs / qint64(pcs.size()) - RoundMs); // the PCs' rounds apart
    ServerKiller killer(victim, options.serverKills, options.phones * options.each, random);
    QElapsedTimer clock;
    clock.start();
    while (phonesDone < options.phones) {
        day.timedOut = clock.elapsed() > SendingLimitMs;
        if (day.timedOut)
            break;
        QCoreApplication::processEvents();
        for (size_t pc = 0; pc < pcs.size(); ++pc) {
            pcs[pc]->poll();
            if (pcs[pc]->importing() || clock.elapsed() - lastRound[pc] < RoundMs)
                continue;
            lastRound[pc] = clock.elapsed();
            int killed = 0;
            for (const auto& each : pcs)
                killed += each->imports().killed;
            const bool kill = killed < ImportKillsWanted && chance(random) < ImportKillChance;
            pcs[pc]->startImport(kill ? killDelay(random) : -1);
        }
        killer.poll(acknowledged, victimInFlight);
        QThread::msleep(2);
    }
    stop = day.timedOut;
    for (std::thread& phone : phones)
        phone.join();
    // The files of the last acknowledgements, before the imports of the day's end take them.
    for (auto& pc : pcs)
        pc->poll();
    day.sendingSeconds = double(clock.elapsed()) / 1000;
    day.serverKilled = victim.number();
    day.serverKills = killer.killed;
    day.serverBack = killer.back;
    day.requestsCut = killer.requestsCut;
    day.serverDownSeconds = killer.longestDownSeconds;
}

// The end of the day: the imports under way finish, the servers stop as Ctrl+C stops them, and
// each PC imports what is left until its unit is empty.
void finishDay(std::vector<std::unique_ptr<FieldDayPc>>& pcs, Day& day) {
    QElapsedTimer clock;
    clock.start();
    for (auto& pc : pcs)
        pc->finishImport();
    for (auto& pc : pcs)
        day.serversStopped = pc->stopServer() && day.serversStopped;
    for (int round = 0; round < FinalRounds; ++round) {
        bool left = false;
        for (auto& pc : pcs) {
            if (pc->unitFiles().isEmpty())
                continue;
            left = true;
            pc->startImport(-1);
            pc->finishImport();
        }
        if (!left)
            break;
    }
    day.finalSeconds = double(clock.elapsed()) / 1000;
}

struct Verdict {
    int inCatalog = 0;      // evaluations found, each counted once
    int lost = 0;           // acknowledged to a phone, not in the catalog
    int doubled = 0;        // rows beyond the first of an evaluation
    int unacknowledged = 0; // never acknowledged and not in the catalog either
    int unknown = 0;        // rows that no phone sent
    QStringList notes;
};

// Where the file of an evaluation that the catalog lacks is: on its unit, or copied to its PC.
QString whereIs(const FieldDayPc& pc, const UnitSimulator& unit, const QString& tag) {
    const QByteArray quoted = '"' + tag.toLatin1() + '"';
    const auto holds = [&quoted](const QString& folder) {
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
            QFile file(folder + name);
            if (file.open(QIODevice::ReadOnly) && file.readAll().contains(quoted))
                return name;
        }
        return QString();
    };
    const QString onUnit = holds(unit.evaluationFolderPath());
    if (!onUnit.isEmpty())
        return QStringLiteral("still on the unit of PC %1 as %2").arg(pc.number()).arg(onUnit);
    const QString copied = holds(pc.home() + QStringLiteral("/data/Evaluations/"));
    if (!copied.isEmpty())
        return QStringLiteral("copied to PC %1 as %2 but not in the catalog").arg(pc.number()).arg(copied);
    return QStringLiteral("in no file of PC %1's unit or import folder").arg(pc.number());
}

Verdict verify(QHash<QString, int> tags, const std::vector<std::unique_ptr<FieldDayPc>>& pcs, const QString& root,
               const Options& options, const Day& day) {
    Verdict verdict;
    for (int phone = 0; phone < options.phones; ++phone) {
        const std::vector<int>& unacknowledged = day.tallies[size_t(phone)].unacknowledged;
        const FieldDayPc& pc = *pcs[size_t(phone % options.pcs)];
        for (int number = 0; number < options.each; ++number) {
            const QString tag = FieldDayPhone::tag(phone, number);
            const int rows = tags.take(tag);
            const bool acknowledged =
                std::find(unacknowledged.begin(), unacknowledged.end(), number) == unacknowledged.end();
            verdict.inCatalog += rows > 0 ? 1 : 0;
            verdict.doubled += std::max(0, rows - 1);
            if (rows > 1)
                verdict.notes << QStringLiteral("DOUBLED %1: %2 rows in the catalog").arg(tag).arg(rows);
            if (rows == 0 && acknowledged) {
                ++verdict.lost;
                const UnitSimulator unit(root + QStringLiteral("unit%1/").arg(pc.number()));
                verdict.notes << QStringLiteral("LOST %1 (acknowledged): %2").arg(tag, whereIs(pc, unit, tag));
            }
            verdict.unacknowledged += rows == 0 && !acknowledged ? 1 : 0;
        }
    }
    for (auto left = tags.cbegin(); left != tags.cend(); ++left) {
        verdict.unknown += left.value();
        verdict.notes << QStringLiteral("UNKNOWN %1 row(s) tagged \"%2\"").arg(left.value()).arg(left.key());
    }
    return verdict;
}

// Prints what the phones met: answers, errors survived, refusals.
void printPhones(const Day& day) {
    std::vector<double> answers, acknowledged;
    int connectionErrors = 0, serverErrors = 0, alreadyReceived = 0;
    for (const PhoneTally& tally : day.tallies) {
        answers.insert(answers.end(), tally.answerMs.begin(), tally.answerMs.end());
        acknowledged.insert(acknowledged.end(), tally.acknowledgedMs.begin(), tally.acknowledgedMs.end());
        connectionErrors += tally.connectionErrors;
        serverErrors += tally.serverErrors;
        alreadyReceived += tally.alreadyReceived;
        for (const std::string& refusal : tally.refusals)
            std::printf("REFUSED: %s\n", refusal.c_str());
    }
    std::printf("Answers over HTTPS: %zu, median %.1f ms, p95 %.1f ms, slowest %.1f ms; acknowledged within "
                "%.1f ms (p95, resends included)\n",
                answers.size(), percentile(answers, 0.5), percentile(answers, 0.95), percentile(answers, 1.0),
                percentile(acknowledged, 0.95));
    std::printf("Connection errors survived: %d (5xx answers: %d); resends answered \"already received\": %d\n",
                connectionErrors, serverErrors, alreadyReceived);
}

// Prints the imports' figures; false when one failed on its own.
bool printImports(const std::vector<std::unique_ptr<FieldDayPc>>& pcs) {
    FieldDayPc::Imports all;
    for (const auto& pc : pcs) {
        const FieldDayPc::Imports& one = pc->imports();
        all.rounds += one.rounds, all.empty += one.empty, all.killed += one.killed, all.failed += one.failed;
        all.added += one.added, all.skipped += one.skipped;
        if (one.failed > 0)
            std::printf("FAILED imports on PC %d: %d, the last: %s\n", pc->number(), one.failed,
                        qPrintable(one.lastFailure));
    }
    std::printf("Imports: %d rounds (%d on an empty unit), %d killed (-9) mid-batch, %d failed; %d files added, "
                "%d skipped as already imported (left on the unit by a killed import, or stored twice)\n",
                all.rounds, all.empty, all.killed, all.failed, all.added, all.skipped);
    return all.failed == 0;
}

// Prints what came to the units; false when one of them stored an evaluation twice.
bool printUnits(const std::vector<std::unique_ptr<FieldDayPc>>& pcs) {
    FieldDayPc::Watch all;
    for (const auto& pc : pcs)
        all.files += pc->watch().files, all.unread += pc->watch().unread, all.twice += pc->watch().twice;
    // The import keeps the catalog right regardless (it knows the bytes); the unit should not
    // have stored them twice.
    std::printf("Files that came to the units: %d (%d gone before the watch could read them); stored twice: "
                "%lld%s%s\n",
                all.files, all.unread, static_cast<long long>(all.twice.size()), all.twice.isEmpty() ? "" : ", e.g. ",
                qPrintable(all.twice.mid(0, 5).join(QStringLiteral(", "))));
    return all.twice.isEmpty();
}

// Every unit empty; false, saying what is left, when one is not.
bool unitsEmpty(const std::vector<std::unique_ptr<FieldDayPc>>& pcs) {
    bool empty = true;
    for (const auto& pc : pcs) {
        const QStringList files = pc->unitFiles(), leftovers = pc->unitLeftovers();
        if (!files.isEmpty())
            std::printf("NOT EMPTY: the unit of PC %d holds %lld evaluation file(s), e.g. %s\n", pc->number(),
                        static_cast<long long>(files.size()), qPrintable(files.first()));
        if (!leftovers.isEmpty())
            std::printf("NOT EMPTY: the unit of PC %d holds %s\n", pc->number(), qPrintable(leftovers.join(", ")));
        empty = empty && files.isEmpty() && leftovers.isEmpty();
    }
    return empty;
}

// Counts what the day left in the catalog, the report and the export; true when all agree.
bool checkDay(const std::vector<std::unique_ptr<FieldDayPc>>& pcs, const QString& connection, const QString& root,
              qint64 templateKey, const FieldDayForm& form, const Options& options, const Day& day) {
    Database db = Database::open(connection, QStringLiteral("fieldday"));
    const QHash<QString, int> tags = FieldDayCheck::tagsInCatalog(db, templateKey, form.tag);
    db.close();
    int rows = 0;
    for (const int count : tags)
        rows += count;
    const Verdict verdict = verify(tags, pcs, root, options, day);
    for (const QString& note : verdict.notes.mid(0, 40))
        std::printf("%s\n", qPrintable(note));
    const int sent = options.phones * options.each;
    std::printf("Catalog: %d evaluation rows for %d evaluations sent; %d found: LOST %d, DOUBLED %d, "
                "never acknowledged %d, unknown %d\n",
                rows, sent, verdict.inCatalog, verdict.lost, verdict.doubled, verdict.unacknowledged, verdict.unknown);
    const bool empty = unitsEmpty(pcs);
    std::printf("Every unit's evaluation folder empty: %s\n", empty ? "yes" : "NO");

    const QString home = pcs.front()->home();
    const double summary = FieldDayCheck::summaryCount(home, templateKey, root + QStringLiteral("summary.pdf"));
    const QHash<QString, int> exported =
        FieldDayCheck::tagsInExport(home, templateKey, root + QStringLiteral("evaluations.csv"));
    int exportedRows = 0;
    bool exportedOnce = exported.size() == verdict.inCatalog;
    for (auto row = exported.cbegin(); row != exported.cend(); ++row) {
        exportedRows += row.value();
        exportedOnce = exportedOnce && row.value() == 1 && tags.value(row.key()) > 0;
    }
    std::printf("Group summary counts %.0f; the CSV export holds %d rows (each evaluation once: %s)\n", summary,
                exportedRows, exportedOnce ? "yes" : "NO");
    return verdict.lost == 0 && verdict.doubled == 0 && verdict.unacknowledged == 0 && verdict.unknown == 0 &&
           verdict.inCatalog == sent && empty && int(summary) == rows && exportedRows == rows && exportedOnce;
}

int fieldDay(const Options& options) {
    QTemporaryDir folder;
    const QString root = folder.path() + QLatin1Char('/');
    const QString connection = TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL);
    QByteArray templateBytes;
    FieldDayForm form;
    qint64 templateKey = 0;
    {
        Database db = Database::open(connection, QStringLiteral("fieldday"));
        form = createTemplate(db, templateBytes);
        templateKey =
            db.scalar(QStringLiteral("SELECT TemplateKey FROM TemplateField WHERE TemplateFieldKey = ?"), {form.tag})
                .toLongLong();
        db.close();
    }
    std::vector<std::unique_ptr<FieldDayPc>> pcs;
    for (int number = 0; number < options.pcs; ++number) {
        pcs.push_back(setUpPc(number, root, connection, templateBytes));
        if (!pcs.back() || !pcs.back()->waitServing(60000))
            return 1;
    }
    // Verification is on: a phone that trusts another PC's authority cannot reach this one.
    PhoneTarget stranger = targetOf(*pcs.back());
    stranger.authorityFile = targetOf(*pcs.front()).authorityFile;
    const bool ownOnly = FieldDayPhone::templatesStatus(targetOf(*pcs.back())) == 200 &&
                         (options.pcs < 2 || FieldDayPhone::templatesStatus(stranger) == 0);
    std::printf("Field day: %d PCs on one PostgreSQL catalog, %d phones x %d evaluations over HTTPS (seed %u); "
                "a phone reaches only the PC whose authority it trusts: %s\n",
                options.pcs, options.phones, options.each, options.seed, ownOnly ? "yes" : "NO");

    std::mt19937 random(options.seed);
    Day day;
    sendAndImport(pcs, form, options, random, day);
    finishDay(pcs, day);
    std::printf("Total time: %.1f s (phones sending and PCs importing %.1f s, final imports %.1f s)%s\n",
                day.sendingSeconds + day.finalSeconds, day.sendingSeconds, day.finalSeconds,
                day.timedOut ? "; TIMED OUT" : "");
    printPhones(day);
    std::printf("Server of PC %d killed (-9) mid-run %d time(s) with %d requests under way, and started again on its "
                "port: %d time(s), serving again within %.1f s\n",
                day.serverKilled, day.serverKills, day.requestsCut, day.serverBack, day.serverDownSeconds);
    std::printf("Servers stopped cleanly at the end: %s\n", day.serversStopped ? "yes" : "NO");
    const bool imported = printImports(pcs) && printUnits(pcs);
    const bool sound = checkDay(pcs, connection, root, templateKey, form, options, day);
    return sound && imported && ownOnly && !day.timedOut && day.serversStopped &&
                   day.serverKills == options.serverKills && day.serverBack == day.serverKills
               ? 0
               : 1;
}

int optionValue(const QStringList& arguments, const QString& name, int fallback) {
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? qMax(1, arguments.at(at + 1).toInt()) : fallback;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    // A server killed mid-answer must not take the benchmark with it.
    std::signal(SIGPIPE, SIG_IGN);
    const QStringList arguments = application.arguments().mid(1);
    Options options;
    options.pcs = optionValue(arguments, QStringLiteral("--pcs"), options.pcs);
    options.phones = optionValue(arguments, QStringLiteral("--phones"), options.phones);
    options.each = optionValue(arguments, QStringLiteral("--each"), options.each);
    options.serverKills = optionValue(arguments, QStringLiteral("--server-kills"), options.serverKills);
    const qsizetype seedAt = arguments.indexOf(QStringLiteral("--seed"));
    if (seedAt >= 0 && seedAt + 1 < arguments.size())
        options.seed = arguments.at(seedAt + 1).toUInt();
    if (!TestDatabases::postgresAvailable()) {
        std::printf("No PostgreSQL server given: run it through scripts/with-postgres.sh\n");
        // A test run under CI must not pass by leaving the field day out.
        return qEnvironmentVariableIsEmpty("CI") ? 2 : 1;
    }
    try {
        return fieldDay(options);
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "bench_fieldday: %s\n", qPrintable(error.description()));
        return 1;
    }
}
