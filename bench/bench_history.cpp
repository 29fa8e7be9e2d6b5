// The history of the evaluations at scale, on SQLite and, when a server is given
// (KESTRIVO_TEST_PGHOST, as scripts/with-postgres.sh sets it; measure on one started with
// --durable), on PostgreSQL:
// - the history of an evaluation with 1,000 changes, 900 made where it stands and 100 by the
//   editor under a new key each time, read and put into lines (at most 100 ms);
// - catalog verify over 1,000,000 history rows (at most 10 s).
// With --today BIN, the bin folder of a build from before the history, it also runs that
// build's bench_evaluations and bench_handheld and this build's, alternately, and prints the
// editor's save (at most 1.2 times) and the Add of 10,000 files (at most 1.05 times) of this
// build against that one's. --rounds N runs each of them N times (the median counts), --files
// N adds that many files.
#include "BenchTemplate.h"
#include "Database.h"
#include "EvaluationEditor.h"
#include "EvaluationEditorCommands.h"
#include "EvaluationHistoryList.h"
#include "EvaluationSetter.h"
#include "HistoryChain.h"
#include "KestrivoError.h"
#include "Prompter.h"
#include "SiteVisit.h"
#include "TestDatabases.h"
#include "YesPrompter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int Changes = 1000;
constexpr int EditorEvery = 10;
constexpr int Reads = 20;
constexpr qint64 VerifiedRows = 1000000;
constexpr int RowsPerTransaction = 10000;

double median(QList<double> values) {
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// What this process has used of the processors so far: on a machine that other work keeps
// busy, the part of a time that is the work's own.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

const char* nameOf(DatabaseEngine engine) {
    return engine == DatabaseEngine::SQLite ? "SQLite" : "PostgreSQL";
}

// One change where the evaluation stands, or a save of the editor under a new key; the key
// the evaluation has afterwards.
qint64 change(const Database& db, qint64 key, int round) {
    if (round % EditorEvery == EditorEvery - 1) {
        EvaluationEditor editor(db);
        EvaluationEditorCommands commands(editor, db);
        commands.openEvaluationKey(key);
        editor.editField(3, QStringLiteral("Editor %1").arg(round));
        if (commands.SaveEvaluation())
            throw KestrivoError(ErrorNumber::General, QStringLiteral("a save was cancelled"));
        return db.scalar(QStringLiteral("SELECT MAX(EvaluationKey) FROM Evaluation")).toLongLong();
    }
    EvaluationSetter::Request request;
    request.fields = {{QStringLiteral("Inspector"), QStringLiteral("Set %1").arg(round)}};
    if (!EvaluationSetter(db, EvaluationHistory::Means::CommandLine).apply(key, request).applied)
        throw KestrivoError(ErrorNumber::General, QStringLiteral("a change was refused"));
    return key;
}

void historyOfOneEvaluation(DatabaseEngine engine) {
    Database db = Database::open(TestDatabases::freshConnectionString(engine), QStringLiteral("bench"));
    const SiteVisit visit = SiteVisit::create(db, 5);
    qint64 key = visit.store(db, QStringLiteral("Yes"), false, false);
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < Changes; ++round)
        key = change(db, key, round);
    const double making = clock.nsecsElapsed() / 1e9;
    QList<double> reads;
    qsizetype lines = 0;
    const double ownBefore = cpuSeconds(), serverBefore = BenchTemplate::serverCpuSeconds(db);
    for (int round = 0; round < Reads; ++round) {
        clock.start();
        EvaluationHistoryList list(db);
        list.load(key, QStringLiteral("North060503"));
        QString text;
        for (const EvaluationHistoryList::Line& line : list.lines())
            text += EvaluationHistoryList::tabSeparated(line) + QLatin1Char('\n');
        reads << clock.nsecsElapsed() / 1e6;
        lines = list.lines().size();
    }
    const double own = (cpuSeconds() - ownBefore) * 1000 / Reads;
    const double server = serverBefore < 0 ? 0 : (BenchTemplate::serverCpuSeconds(db) - serverBefore) * 1000 / Reads;
    std::printf("%-10s %d changes made in %.1f s (%.1f ms each); the history of the evaluation, %lld lines "
                "through %d keys: median %.1f ms (limit 100 ms), CPU %.1f ms here and %.1f ms in the server\n",
                nameOf(engine), Changes, making, making * 1000 / Changes, static_cast<long long>(lines),
                Changes / EditorEvery + 1, median(reads), own, server);
    db.close();
}

void verifyAMillionRows(DatabaseEngine engine) {
    Database db = Database::open(TestDatabases::freshConnectionString(engine), QStringLiteral("bench"));
    QElapsedTimer clock;
    clock.start();
    for (qint64 written = 0; written < VerifiedRows; written += RowsPerTransaction) {
        QList<EvaluationHistory::Change> changes;
        changes.reserve(RowsPerTransaction);
        for (qint64 i = written; i < written + RowsPerTransaction; ++i)
            changes.append({i + 1,
                            EvaluationHistory::Item::Imported,
                            0,
                            QStringLiteral("Imported from Evaluation %1.txt").arg(i),
                            {},
                            {},
                            {}});
        Transaction transaction(db, Transaction::Writing);
        HistoryChain::append(db, EvaluationHistory::Means::Import, changes);
        transaction.commit();
    }
    const double writing = clock.nsecsElapsed() / 1e9;
    const double ownBefore = cpuSeconds(), serverBefore = BenchTemplate::serverCpuSeconds(db);
    clock.start();
    const HistoryChain::Verification check = HistoryChain::verify(db);
    const double verifying = clock.nsecsElapsed() / 1e9;
    const double own = cpuSeconds() - ownBefore;
    const double server = serverBefore < 0 ? 0 : BenchTemplate::serverCpuSeconds(db) - serverBefore;
    std::printf("%-10s catalog verify over %lld history rows: %.2f s (limit 10 s), %s; CPU %.2f s here and %.2f s "
                "in the server; writing them took %.1f s\n",
                nameOf(engine), static_cast<long long>(check.rows), verifying, check.intact() ? "intact" : "NOT INTACT",
                own, server, writing);
    db.close();
}

// Runs a benchmark program and takes a figure per engine from the lines that match.
QMap<QString, double> figures(const QString& program, const QStringList& arguments, const QRegularExpression& line) {
    QProcess child;
    child.start(program, arguments);
    QMap<QString, double> found;
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::printf("%s did not finish: %s\n", qPrintable(program), child.readAllStandardError().constData());
        return found;
    }
    for (const QString& text : QString::fromUtf8(child.readAllStandardOutput()).split('\n')) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch())
            found.insert(match.captured(1), match.captured(2).toDouble());
    }
    return found;
}

void compare(const QString& today, const QString& program, const QStringList& arguments, const QRegularExpression& line,
             const char* what, double limit, int rounds) {
    QMap<QString, QList<double>> before, after;
    for (int round = 0; round < rounds; ++round) {
        for (auto [name, value] : figures(today + '/' + program, arguments, line).asKeyValueRange())
            before[name] << value;
        const QString own = QCoreApplication::applicationDirPath() + '/' + program;
        for (auto [name, value] : figures(own, arguments, line).asKeyValueRange())
            after[name] << value;
    }
    for (auto [name, values] : after.asKeyValueRange()) {
        const double now = median(values), then = median(before.value(name));
        std::printf("%-10s %s: %.2f against today's %.2f, %.3f times (at most %.2f)\n", qPrintable(name), what, now,
                    then, now / then, limit);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const auto option = [&arguments](const char* name, const QString& otherwise) {
        const qsizetype at = arguments.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : otherwise;
    };
    YesPrompter prompter;
    setProgramPrompter(&prompter);
    QList<DatabaseEngine> engines{DatabaseEngine::SQLite};
    if (TestDatabases::postgresAvailable())
        engines << DatabaseEngine::PostgreSQL;
    else
        std::printf("PostgreSQL: no server given (run through scripts/with-postgres.sh)\n");
    try {
        for (const DatabaseEngine engine : engines) {
            historyOfOneEvaluation(engine);
            verifyAMillionRows(engine);
        }
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "bench_history: %s\n", qPrintable(error.description()));
        return 1;
    }
    const QString today = option("--today", QString());
    if (today.isEmpty())
        return 0;
    const int rounds = option("--rounds", QStringLiteral("1")).toInt();
    std::fflush(stdout);
    compare(today, QStringLiteral("bench_evaluations"), {},
            QRegularExpression(QStringLiteral("^(\\S+)\\s+SaveEvaluation \\(replacing.*median\\s+([\\d.]+) ms")),
            "editor save, median ms", 1.2, rounds);
    compare(
        today, QStringLiteral("bench_handheld"), {QStringLiteral("--files"), option("--files", "10000")},
        QRegularExpression(QStringLiteral("^(\\S+): listing [\\d.]+ s, listing plus Add of \\d+ files ([\\d.]+) s")),
        "listing plus Add, s", 1.05, rounds);
    return 0;
}
