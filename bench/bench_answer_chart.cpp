// The answer chart at the largest size users reach: 10,000 evaluations of a template with
// 50 questions of 20 answers and 30 pick-list entries, over 10 groups (answers spread over
// the list, 2 % typed, 3 % empty, 5 % TBC, 0 to 5 entries ticked per answer). Prints per
// engine the time to record the chart, the time to write it as PDF and the peak memory of
// the process that does both, then the time to draw a page for the preview at 100 % and at
// 400 %, each beside the figure it must stay within. Each time is given as it passed on the
// clock and as the CPU that this process (and the database server) spent on it: on a machine
// that others share, the first grows with their load, the second hardly. PostgreSQL runs when a
// server is given: bash scripts/with-postgres.sh --durable build/bin/bench_answer_chart
#include "AnswerChart.h"
#include "BenchTemplate.h"
#include "DataEnvironment.h"
#include "EvaluationFixture.h"
#include "KestrivoError.h"
#include "PreviewRenderer.h"
#include "ProgramSettings.h"
#include "Prompter.h"
#include "ReportBench.h"
#include "ReportDatabase.h"
#include "ReportLists.h"
#include "ReportOutput.h"
#include "ReportRowReader.h"
#include "RowBatchInsert.h"
#include "TestDatabases.h"
#include "TrelkReportRecorder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

constexpr int Evaluations = 10000;
constexpr int Groups = 10;
constexpr int Questions = 50;
constexpr int Answers = 20;
constexpr int Entries = 30;

struct Bench {
    qint64 templateKey = 0;
    QList<qint64> groups;
    QList<qint64> questions;
    QList<QList<qint64>> entries; // per question
};

// The same numbers on every run: a multiplicative hash of the evaluation and question.
quint32 drawn(int evaluation, int question, int salt) {
    quint32 value =
        quint32(evaluation) * 2654435761u ^ quint32(question + 1) * 2246822519u ^ quint32(salt) * 3266489917u;
    value ^= value >> 15;
    return value * 2246822519u;
}

Bench buildTemplate(EvaluationFixture& build, const Database& db) {
    Bench bench;
    bench.templateKey = build.addTemplate("Site Inspection");
    QStringList names;
    for (int g = 1; g <= Groups; ++g)
        names << QString("Depot %1").arg(g, 2, 10, QChar('0'));
    const qint64 field = build.addGroupField(bench.templateKey, names, "Depot");
    for (const QString& name : names)
        bench.groups << build.valueKey(field, name);
    QStringList answers, entries;
    for (int a = 1; a <= Answers; ++a)
        answers << QString("Answer %1").arg(a, 2, 10, QChar('0'));
    for (int e = 1; e <= Entries; ++e)
        entries << QString("Pick-list item %1").arg(e, 2, 10, QChar('0'));
    for (int q = 1; q <= Questions; ++q) {
        const qint64 key = build.addQuestion(
            bench.templateKey, QString("Question %1 of the template at every limit?").arg(q, 2, 10, QChar('0')),
            answers, entries, q);
        bench.questions << key;
        QList<qint64> keys;
        QSqlQuery rows = db.query("SELECT TemplatePickListKey FROM TemplatePickList WHERE TemplateQuestionKey=? "
                                  "ORDER BY Sequence",
                                  {key});
        while (rows.next())
            keys << rows.value(0).toLongLong();
        bench.entries << keys;
    }
    return bench;
}

void addEvaluations(const Database& db, const Bench& bench) {
    RowBatchInsert evaluations(db, "Evaluation", {"TemplateKey", "EvaluationGroupKey", "FileName"}, true);
    RowBatchInsert answers(db, "EvaluationQuestion", {"EvaluationKey", "TemplateQuestionKey", "Answer", "TBCCheck"},
                           true);
    RowBatchInsert picks(db, "EvaluationPickList", {"EvaluationQuestionKey", "TemplatePickListKey"}, false);
    for (int i = 0; i < Evaluations; ++i) {
        const qint64 key = evaluations
                               .insert({{bench.templateKey, bench.groups.at(i % Groups),
                                         QString("Inspection %1.evl").arg(i, 5, 10, QChar('0'))}})
                               .first();
        QList<QVariantList> rows;
        for (int q = 0; q < Questions; ++q) {
            const quint32 draw = drawn(i, q, 1) % 100;
            const QString answer = draw < 2 ? QString("Typed note %1").arg(i % 7)
                                   : draw < 5
                                       ? QString()
                                       : QString("Answer %1").arg(drawn(i, q, 2) % Answers + 1, 2, 10, QChar('0'));
            rows.append({key, bench.questions.at(q), answer, drawn(i, q, 3) % 100 < 5 ? -1 : 0});
        }
        QList<QVariantList> ticked;
        QList<qint64> answerKeys;
        for (int first = 0; first < rows.size(); first += RowBatchInsert::MaximumBatch)
            answerKeys << answers.insert(rows.mid(first, RowBatchInsert::MaximumBatch));
        for (int q = 0; q < Questions; ++q)
            for (quint32 t = 0; t < drawn(i, q, 4) % 6; ++t)
                ticked.append({answerKeys.at(q), bench.entries.at(q).at((drawn(i, q, 5) + t * 7) % Entries)});
        for (int first = 0; first < ticked.size(); first += RowBatchInsert::MaximumBatch)
            picks.insert(ticked.mid(first, RowBatchInsert::MaximumBatch));
    }
}

// Wall-clock and CPU time since it was made.
class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart() {
        m_wall.start();
        std::timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        m_cpu = now.tv_sec + now.tv_nsec / 1e9;
    }
    double wall() const { return m_wall.nsecsElapsed() / 1e9; }
    double cpu() const {
        std::timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return now.tv_sec + now.tv_nsec / 1e9 - m_cpu;
    }

private:
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

// The slowest and the median of drawing each of the pages in the preview at the zoom
// (1: 100 %), in CPU milliseconds.
std::pair<double, double> drawPages(qint32 key, int pages, double zoom) {
    QList<double> times;
    Stopwatch clock;
    for (int page = 1; page <= pages; ++page) {
        clock.restart();
        QImage surface;
        PreviewRenderer::render(key, page, surface, zoom);
        times.append(clock.cpu() * 1000);
    }
    std::sort(times.begin(), times.end());
    return {times.last(), times.at(times.size() / 2)};
}

int chartChild(const QString& connection, const QString& folder, qint64 templateKey, double limit) {
    ReportBench::useFolder(folder);
    DataEnvironment::instance().open(connection);
    const Database& db = DataEnvironment::instance().cnnConnection();
    const ReportRequest request =
        ReportBench::everyEvaluation(db, "Answer Chart by Group", templateKey, "Site Inspection");

    TrelkReportRecorder recorder;
    recorder.setConnectionString(reportConnectionString());
    const double before = ReportBench::peakMegabytes();
    const double serverBefore = BenchTemplate::serverCpuSeconds(db);
    Stopwatch clock;
    const int key = AnswerChart(db, "Halvane Inspection Services").record(recorder, request, true).value_or(0);
    const double recorded = clock.wall(), recordedCpu = clock.cpu();
    const double server = serverBefore < 0 ? -1 : BenchTemplate::serverCpuSeconds(db) - serverBefore;
    clock.restart();
    deliverReport(recorder, key, {false, folder + "/chart.pdf", true});
    const double written = clock.wall(), writtenCpu = clock.cpu();
    const double peak = ReportBench::peakMegabytes();
    DataEnvironment::instance().close();

    ReportDatabase::shared().open(programSettings().ReportDataPath);
    const int pages = ReportRowReader::lastPage(key);
    std::printf("  recorded in %.2f s, %.2f s of CPU%s (within %.0f s), %d pages\n", recorded, recordedCpu,
                server < 0 ? "" : qPrintable(QString(" and %1 s in the server").arg(server, 0, 'f', 2)), limit, pages);
    std::printf("  PDF written in %.2f s, %.2f s of CPU (within 10 s), %.1f MB\n", written, writtenCpu,
                QFileInfo(folder + "/chart.pdf").size() / 1e6);
    std::printf("  peak memory %.0f MB (under 200 MB; %.0f MB before the chart)\n", peak, before);
    drawPages(key, 1, 1.0); // the first pass loads the fonts
    const auto [slowest, median] = drawPages(key, pages, 1.0);
    std::printf("  a preview page drawn in %.1f ms of CPU at most, %.1f ms in the median (within 20 ms)\n", slowest,
                median);
    const auto [slowestZoomed, medianZoomed] = drawPages(key, pages, 4.0);
    std::printf("  at 400 %%: %.1f ms at most, %.1f ms in the median\n", slowestZoomed, medianZoomed);
    return key > 0 ? 0 : 1;
}

int runEngine(DatabaseEngine engine, const QString& folder) {
    const bool sqlite = engine == DatabaseEngine::SQLite;
    const QString connection = ReportBench::connectionIn(engine, folder);
    DataEnvironment::instance().open(connection);
    const Database& db = DataEnvironment::instance().cnnConnection();
    QElapsedTimer clock;
    clock.start();
    Bench bench;
    {
        Transaction transaction(db);
        EvaluationFixture build(db);
        bench = buildTemplate(build, db);
        addEvaluations(db, bench);
        transaction.commit();
    }
    if (!sqlite)
        db.execute("ANALYZE");
    const qint64 picks = db.scalar("SELECT COUNT(*) FROM EvaluationPickList").toLongLong();
    std::printf("%s: %d evaluations of %d questions (%lld ticked entries) built in %.0f s\n",
                sqlite ? "SQLite" : "PostgreSQL", Evaluations, Questions, static_cast<long long>(picks),
                clock.nsecsElapsed() / 1e9);
    DataEnvironment::instance().close();
    // The chart runs in a process of its own, so its peak memory is its own.
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--chart", connection, folder, QString::number(bench.templateKey), sqlite ? "3" : "5"});
    child.waitForFinished(-1);
    return child.exitCode();
}

} // namespace

double loadAverage() {
    QFile load("/proc/loadavg");
    return load.open(QIODevice::ReadOnly) ? load.readAll().split(' ').value(0).toDouble() : -1;
}

int main(int argc, char* argv[]) {
    return ReportBench::run(argc, argv, "bench_answer_chart", [](const QStringList& arguments) {
        if (arguments.size() == 6 && arguments.at(1) == "--chart")
            return chartChild(arguments.at(2), arguments.at(3), arguments.at(4).toLongLong(),
                              arguments.at(5).toDouble());
        // --folder DIR keeps the databases and reports there, to run the chart again by hand:
        // bench_answer_chart --chart CONNECTION DIR/SQLite TEMPLATEKEY 3
        std::printf("Load average %.1f on %d cores at the start\n", loadAverage(), QThread::idealThreadCount());
        QTemporaryDir scratch;
        const QString folder =
            arguments.size() == 3 && arguments.at(1) == "--folder" ? arguments.at(2) : scratch.path();
        return ReportBench::eachEngine(folder, runEngine, "scripts/with-postgres.sh --durable");
    });
}
