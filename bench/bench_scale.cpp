// A season's data: every job a PC runs over its whole catalog, at N evaluations of the demo
// template (30 rows each, three groups) beside the same job at N/10, on SQLite and on
// PostgreSQL. Each job is one kestrivo-cli process; the table gives its wall time and peak
// memory at both sizes and the growth factors, and checks them against what a catalog of a
// year's evaluations needs: time at most 10.5 times the smaller run's, memory flat (at most
// 1.3 times plus 10 MB), and the limits of single jobs at 100,000 evaluations.
//
// The evaluation report's pages a second are given twice: the whole job's pages over its wall
// time, and the pages recorded a second, timed by recording the same report in a process of
// the benchmark's own, as the report window does before it previews or prints.
//
// A job that reads only and takes under 15 s runs three times, and the table gives its median
// time (marked *) and its highest peak of memory: at 10,000 evaluations such a job takes a few
// seconds, and one run of it moves the growth factor by as much as the machine's noise.
//
//   bench_scale [--evaluations N] [--engines sqlite,postgresql] [--folder DIR]
//
// The unit, the program folder and its SQLite catalog go in a temporary folder under DIR
// (default: the system's). Wall time includes waiting for the disk, which on a file system
// mounted with "discard" grows with every file Add removes from the unit; the CPU time beside
// it is the program's own work (--folder /dev/shm measures without that disk).
//
// Measure PostgreSQL on a durable server: scripts/with-postgres.sh --durable build/bench/bench_scale
#include "BenchCli.h"
#include "DataEnvironment.h"
#include "Database.h"
#include "EvaluationReport.h"
#include "KestrivoError.h"
#include "ReportBench.h"
#include "ReportOutput.h"
#include "ScaleCatalog.h"
#include "TestDatabases.h"
#include "TrelkReportRecorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

struct Figure {
    double seconds = 0;
    double cpuSeconds = 0;
    double megabytes = 0;
    double pagesPerSecond = 0;
    double recordedPagesPerSecond = 0;
    int runs = 1;
};

struct Job {
    QString name;
    QStringList arguments;
    QString pdf;            // the report's file, whose pages give the recording rate
    bool readsOnly = false; // leaves the catalog and the unit as it found them: it can run again
    QString made;           // a file the job makes and will not overwrite: gone before each run
};

// A job of a few seconds moves by up to half between runs on a busy machine, and its growth
// factor with it: one that reads only and is this short runs three times, and its median counts.
constexpr double ShortJobSeconds = 15;
constexpr int ShortJobRuns = 3;

int pagesOf(const QString& pdf) {
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    if (!info.waitForFinished(60000))
        return 0;
    for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split('\n'))
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    return 0;
}

QList<Job> jobsOf(DatabaseEngine engine, const ScaleCatalog& catalog, const QString& folder) {
    const QString key = QString::number(catalog.templateKey);
    const QString group = QString::number(catalog.groupKey);
    QString copyTarget = folder + QStringLiteral("copy.db");
    QString copyName = QStringLiteral("catalog copy to SQLite");
    // Without a server, a SQLite catalog is copied into another file.
    if (engine == DatabaseEngine::SQLite && TestDatabases::postgresAvailable()) {
        const QString target = TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL);
        copyTarget = BenchCli::serverOf(target) + '/' + BenchCli::catalogOf(target);
        copyName = QStringLiteral("catalog copy to PostgreSQL");
    }
    const auto pdf = [&folder](const char* name) { return folder + QLatin1String(name); };
    QList<Job> jobs{
        {QStringLiteral("unit list"), {QStringLiteral("unit"), QStringLiteral("list")}, {}, true},
        {QStringLiteral("unit add --all"),
         {QStringLiteral("unit"), QStringLiteral("add"), QStringLiteral("--all")},
         {}},
        {QStringLiteral("Group Summary by Evaluation (one group)"),
         {QStringLiteral("report"), QStringLiteral("run"), QStringLiteral("Group Summary by Evaluation"),
          QStringLiteral("--template"), key, QStringLiteral("--group"), group, QStringLiteral("--all-evaluations"),
          QStringLiteral("--pdf"), pdf("by-evaluation.pdf")},
         {},
         true},
        {QStringLiteral("Group Summary by Group (one page)"),
         {QStringLiteral("report"), QStringLiteral("run"), QStringLiteral("Group Summary by Group"),
          QStringLiteral("--template"), key, QStringLiteral("--all-evaluations"), QStringLiteral("--pdf"),
          pdf("by-group.pdf")},
         {},
         true},
        {QStringLiteral("Evaluation Report of all"),
         {QStringLiteral("report"), QStringLiteral("run"), QStringLiteral("Evaluation Report"),
          QStringLiteral("--all-evaluations"), QStringLiteral("--pdf"), pdf("evaluations.pdf")},
         pdf("evaluations.pdf"),
         true},
        {QStringLiteral("CSV export"),
         {QStringLiteral("export"), QStringLiteral("evaluations"), QStringLiteral("--template"), key,
          QStringLiteral("--out"), folder + QStringLiteral("export.csv")},
         {},
         true},
        {QStringLiteral("catalog backup"),
         {QStringLiteral("catalog"), QStringLiteral("backup"), pdf("backup.db")},
         {},
         true,
         pdf("backup.db")},
        {copyName, {QStringLiteral("catalog"), QStringLiteral("copy"), QStringLiteral("--to"), copyTarget}, {}},
    };
    return jobs;
}

// The child that records the evaluation report of every evaluation of the template in the
// catalog, into a report database in folder, and prints its pages over the time they took to
// record. A process of its own: a child spawned later would count this one's memory as its own
// peak, which Linux carries over from the spawning process.
int recordChild(const QString& connection, qint64 templateKey, const QString& folder) {
    ReportBench::useFolder(folder);
    QDir().mkpath(folder);
    DataEnvironment::instance().open(connection);
    const Database& db = DataEnvironment::instance().cnnConnection();
    const ReportRequest request =
        ReportBench::everyEvaluation(db, QStringLiteral("Evaluation Report"), templateKey, {});
    TrelkReportRecorder recorder;
    recorder.setConnectionString(reportConnectionString());
    QElapsedTimer clock;
    clock.start();
    const std::optional<int> key =
        EvaluationReport(db, DataEnvironment::instance().rsCompanyParameter()).record(recorder, request.evaluations);
    // The rows are committed when the report is first read: its first page, drawn into a file,
    // is the least reading there is, and counts as recording time.
    const bool committed = key && recorder.ppSavePdf(*key, folder + QStringLiteral("/first-page.pdf"), 1, 1);
    const double seconds = clock.nsecsElapsed() / 1e9;
    DataEnvironment::instance().close();
    std::printf("%.1f\n", committed ? ReportBench::pagesOf(*key) / seconds : 0.0);
    return committed ? 0 : 1;
}

double recordedPagesPerSecond(const ScaleCatalog& catalog, const QString& folder) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--record"), catalog.connection, QString::number(catalog.templateKey),
                 folder + QStringLiteral("recording")});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return 0;
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed().toDouble();
}

// Each job is timed alone: what the one before left to be written, the kernel's dirty pages and
// the server's checkpoint after an Add of a gigabyte of log, is written before it starts.
void settle(DatabaseEngine engine, const ScaleCatalog& catalog) {
    if (engine == DatabaseEngine::PostgreSQL) {
        try {
            Database db = Database::open(catalog.connection, QStringLiteral("bench_scale_settle"));
            db.execute(QStringLiteral("CHECKPOINT"));
            db.close();
        } catch (const KestrivoError& error) {
            std::fprintf(stderr, "  (no checkpoint: %s)\n", error.what());
        }
    }
    ::sync();
}

// One job's figure: a short one that reads only is run again, and its median run counts, with
// the highest peak of memory of all its runs.
std::optional<Figure> measureJob(DatabaseEngine engine, const ScaleCatalog& catalog, const Job& job) {
    QList<BenchCli::Measured> runs;
    do {
        if (!job.made.isEmpty())
            QFile::remove(job.made);
        settle(engine, catalog);
        std::fprintf(stderr, "  %s\n", qPrintable(job.name));
        runs << BenchCli::measure(catalog.home, job.arguments);
        if (runs.last().exitCode != 0) {
            std::fprintf(stderr, "kestrivo-cli %s failed (exit code %d)\n", qPrintable(job.arguments.join(' ')),
                         runs.last().exitCode);
            return std::nullopt;
        }
    } while (job.readsOnly && runs.first().seconds < ShortJobSeconds && runs.size() < ShortJobRuns);
    double megabytes = 0;
    for (const BenchCli::Measured& run : runs)
        megabytes = std::max(megabytes, run.peakMegabytes);
    std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
    const BenchCli::Measured& median = runs.at(runs.size() / 2);
    return Figure{median.seconds, median.cpuSeconds, megabytes, 0, 0, int(runs.size())};
}

// Runs every job on a catalog of count evaluations; the names of the jobs come back in order.
std::optional<QList<Figure>> measureSize(DatabaseEngine engine, int count, const QString& where, QStringList& names) {
    QTemporaryDir temporary(where + QStringLiteral("/bench_scale-XXXXXX"));
    const QString folder = temporary.path() + QLatin1Char('/');
    std::fprintf(stderr, "%s, %d evaluations: preparing\n", qPrintable(engineName(engine)), count);
    const std::optional<ScaleCatalog> catalog = ScaleCatalog::prepare(engine, folder, count);
    if (!catalog)
        return std::nullopt;
    QList<Figure> figures;
    names.clear();
    for (const Job& job : jobsOf(engine, *catalog, folder)) {
        std::optional<Figure> figure = measureJob(engine, *catalog, job);
        if (!figure)
            return std::nullopt;
        if (!job.pdf.isEmpty()) {
            figure->pagesPerSecond = pagesOf(job.pdf) / figure->seconds;
            QFile::remove(job.pdf);
            std::fprintf(stderr, "  %s, recorded alone\n", qPrintable(job.name));
            figure->recordedPagesPerSecond = recordedPagesPerSecond(*catalog, folder);
        }
        figures << *figure;
        names << job.name;
    }
    return figures;
}

// What the job may take at the larger size: an empty text when within every limit.
QString verdict(const QString& name, const Figure& small, const Figure& large, int count) {
    QStringList over;
    if (large.seconds > 10.5 * small.seconds && large.seconds > 0.5)
        over << QStringLiteral("time");
    if (large.megabytes > 1.3 * small.megabytes + 10)
        over << QStringLiteral("memory");
    if (count >= 100000) {
        if (name.startsWith(QStringLiteral("unit add")) && large.megabytes > 60)
            over << QStringLiteral("60 MB");
        if (name.startsWith(QStringLiteral("Group Summary by Group")) && (large.seconds > 1 || large.megabytes > 60))
            over << QStringLiteral("1 s / 60 MB");
        if (name == QStringLiteral("CSV export") && large.seconds > 3)
            over << QStringLiteral("3 s");
        if (name.startsWith(QStringLiteral("Evaluation Report")) &&
            (large.megabytes > 150 || large.recordedPagesPerSecond < 2000))
            over << QStringLiteral("150 MB / 2,000 pages/s");
    }
    return over.isEmpty() ? QStringLiteral("ok") : QStringLiteral("over: ") + over.join(QStringLiteral(", "));
}

QString cell(const Figure& figure) {
    return QStringLiteral("%1 s%2 (cpu %3) %4 MB")
        .arg(figure.seconds, 0, 'f', 2)
        .arg(figure.runs > 1 ? QStringLiteral("*") : QString())
        .arg(figure.cpuSeconds, 0, 'f', 2)
        .arg(figure.megabytes, 0, 'f', 0);
}

// Prints the engine's table; the seconds of its Add at the larger size come back.
double printTable(DatabaseEngine engine, int count, const QStringList& names, const QList<Figure>& small,
                  const QList<Figure>& large) {
    std::printf("\n%s: %d against %d evaluations\n", qPrintable(engineName(engine)), count, count / 10);
    std::printf("%-42s %26s %26s %17s  %s\n", "job", qPrintable(QString::number(count / 10)),
                qPrintable(QString::number(count)), "growth (t, mem)", "limits");
    double add = 0;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const Figure& a = small.at(i);
        const Figure& b = large.at(i);
        std::printf("%-42s %26s %26s %8.1fx %6.1fx  %s\n", qPrintable(names.at(i)), qPrintable(cell(a)),
                    qPrintable(cell(b)), a.seconds > 0 ? b.seconds / a.seconds : 0.0,
                    a.megabytes > 0 ? b.megabytes / a.megabytes : 0.0, qPrintable(verdict(names.at(i), a, b, count)));
        if (b.pagesPerSecond > 0) {
            std::printf("%-42s %18.0f pages/s %18.0f pages/s\n", "  the whole job", a.pagesPerSecond, b.pagesPerSecond);
            std::printf("%-42s %18.0f pages/s %18.0f pages/s\n", "  recorded", a.recordedPagesPerSecond,
                        b.recordedPagesPerSecond);
        }
        if (names.at(i).startsWith(QStringLiteral("unit add")))
            add = b.seconds;
    }
    std::printf("* the median of %d runs, with the highest peak of memory among them\n", ShortJobRuns);
    std::fflush(stdout);
    return add;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 5 && qstrcmp(argv[1], "--record") == 0)
        return ReportBench::run(argc, argv, "bench_scale", [](const QStringList& arguments) {
            return recordChild(arguments.at(2), arguments.at(3).toLongLong(), arguments.at(4));
        });
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    ScaleOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i)
        if (!options.take(arguments, i))
            options.count = 0;
    if (!options.usable(
            "usage: bench_scale [--evaluations N (10 or more)] [--engines sqlite,postgresql] [--folder DIR]"))
        return 2;
    const int count = options.count;
    try {
        double addSeconds[2] = {0, 0};
        for (const DatabaseEngine engine : {DatabaseEngine::SQLite, DatabaseEngine::PostgreSQL}) {
            if (!options.wants(engine))
                continue;
            QStringList names;
            const std::optional<QList<Figure>> small = measureSize(engine, count / 10, options.where, names);
            const std::optional<QList<Figure>> large =
                small ? measureSize(engine, count, options.where, names) : std::nullopt;
            if (!large)
                return 1;
            addSeconds[engine == DatabaseEngine::SQLite ? 0 : 1] = printTable(engine, count, names, *small, *large);
        }
        if (addSeconds[0] > 0 && addSeconds[1] > 0)
            std::printf("\nAdd of %d files: PostgreSQL takes %.2fx SQLite's time (at most 1.2x wanted)\n", count,
                        addSeconds[1] / addSeconds[0]);
        return 0;
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "bench_scale: %s\n", qPrintable(error.description()));
        return 1;
    }
}
