// The reports at the sizes users reach: 1,000 evaluations of a template with 50 questions
// (5 numeric answers each) and 3 column fields over 10 groups. Prints, per engine, the time
// to record each report and write it as one PDF file: the group summary by evaluation, the
// group summary by group, the evaluation report of all 1,000, and the template listing of a
// template at every limit (20 fields of 20 values, 50 questions of 20 answers and 30 pick-list
// items); then the CSV export of 10,000 evaluations with its peak memory. On SQLite it also
// times one query that reads the same answer rows through the sqlite3 shell, and prints each
// report's time as a multiple of it. PostgreSQL runs when a server is given
// (scripts/with-postgres.sh).
#include "DataEnvironment.h"
#include "EvaluationExport.h"
#include "EvaluationFixture.h"
#include "EvaluationReport.h"
#include "GroupSummary.h"
#include "KestrivoError.h"
#include "Prompter.h"
#include "ReportBench.h"
#include "ReportLists.h"
#include "ReportOutput.h"
#include "TemplateListing.h"
#include "TestDatabases.h"
#include "TrelkReportRecorder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

constexpr int Evaluations = 1000;
constexpr int ExportedEvaluations = 10000;
constexpr int Groups = 10;
constexpr int Questions = 50;

struct Bench {
    qint64 templateKey = 0;
    QList<qint64> groups;
    QList<qint64> questions;
    QList<qint64> fields; // group, Inspector, Area, Shift, Signed by
    QList<ColumnField> columns;
};

Bench buildTemplate(EvaluationFixture& build) {
    Bench bench;
    bench.templateKey = build.addTemplate("Bench");
    QStringList groupNames;
    for (int g = 1; g <= Groups; ++g)
        groupNames << QString("Group %1").arg(g, 2, 10, QChar('0'));
    const qint64 groupField = build.addGroupField(bench.templateKey, groupNames);
    for (const QString& name : groupNames)
        bench.groups << build.valueKey(groupField, name);
    bench.fields << groupField;
    int sequence = 2;
    for (const char* label : {"Inspector", "Area", "Shift"}) {
        const qint64 key = build.addField(bench.templateKey, {label, 0, {}, sequence++});
        bench.fields << key;
        bench.columns.append({key, label});
    }
    bench.fields << build.addField(bench.templateKey, {"Signed by", 0, {}, sequence, "B", true});
    for (int q = 1; q <= Questions; ++q)
        bench.questions << build.addQuestion(bench.templateKey, QString("Question %1?").arg(q),
                                             {"1", "2", "3", "4", "5"}, {"Photo", "Follow-up"}, q);
    return bench;
}

void addEvaluations(EvaluationFixture& build, const Bench& bench, int first, int count) {
    for (int i = first; i < first + count; ++i) {
        QList<std::pair<qint64, EvaluationFixture::Answer>> answers;
        for (int q = 0; q < Questions; ++q) {
            EvaluationFixture::Answer answer{QString::number((i * 7 + q * 3) % 5 + 1), (i + q) % 11 == 0, {}};
            if ((i + q) % 13 == 0)
                answer.picks << "Photo";
            answers.append({bench.questions.at(q), answer});
        }
        build.addEvaluation(bench.templateKey, bench.groups.at(i % Groups),
                            QString("Evaluation %1.evl").arg(i, 5, 10, QChar('0')),
                            {{bench.fields.at(1), QString("Inspector %1").arg(i % 17)},
                             {bench.fields.at(2), QString("Area %1").arg(i % 7)},
                             {bench.fields.at(3), i % 2 ? "Day" : "Night"},
                             {bench.fields.at(4), "Head of site"}},
                            answers);
    }
}

qint64 limitsTemplate(EvaluationFixture& build) {
    const qint64 key = build.addTemplate("Limits");
    for (int f = 1; f <= 20; ++f) {
        QStringList values;
        for (int v = 1; v <= 20; ++v)
            values << QString("Value %1-%2").arg(f).arg(v);
        build.addField(key, {QString("Field %1").arg(f, 2, 10, QChar('0')), 2, values, f});
    }
    for (int q = 1; q <= 50; ++q) {
        QStringList answers, picks;
        for (int a = 1; a <= 20; ++a)
            answers << QString("Answer %1").arg(a, 2, 10, QChar('0'));
        for (int p = 1; p <= 30; ++p)
            picks << QString("Pick-list item %1").arg(p, 2, 10, QChar('0'));
        build.addQuestion(key, QString("Question %1 of the template at every limit?").arg(q, 2, 10, QChar('0')),
                          answers, picks, q);
    }
    return key;
}

// Times one report from its start to its PDF file: the whole, and the recording alone.
double timed(const char* name, const QString& pdf, double reference,
             const std::function<int(TrelkReportRecorder&)>& record) {
    TrelkReportRecorder recorder;
    recorder.setConnectionString(reportConnectionString());
    QElapsedTimer clock;
    clock.start();
    const int key = record(recorder);
    const double recorded = clock.nsecsElapsed() / 1e9;
    deliverReport(recorder, key, {false, pdf, false});
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("  %-44s %6.2f s  %4d pages (recorded in %.2f s)", name, seconds, ReportBench::pagesOf(key), recorded);
    if (reference > 0)
        std::printf("  %6.0f × the sqlite3 shell's query", seconds / reference);
    std::printf("\n");
    return seconds;
}

double shellQuery(const QString& file) {
    QElapsedTimer clock;
    clock.start();
    QProcess shell;
    shell.setStandardOutputFile(QProcess::nullDevice());
    shell.start("sqlite3", {file, "SELECT EvaluationKey, TemplateQuestionKey, Answer, TBCCheck FROM EvaluationQuestion "
                                  "ORDER BY EvaluationKey, EvaluationQuestionKey;"});
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
        return 0;
    return clock.nsecsElapsed() / 1e9;
}

int exportChild(const QString& connection, qint64 templateKey, const QString& out) {
    Database db = Database::open(connection, "export");
    ReportLists::EvaluationFilter filter{QDate(2002, 1, 1), QDate(2029, 12, 31), {}, templateKey};
    QElapsedTimer clock;
    clock.start();
    QList<qint64> keys;
    for (const ListEntry& entry : ReportLists::evaluations(db, filter))
        keys << entry.key;
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    const qint64 rows = EvaluationExport(db).write(file, templateKey, keys);
    file.close();
    std::printf("  %-44s %6.2f s  %lld rows, %.1f MB, peak memory %.0f MB\n", "CSV export", clock.nsecsElapsed() / 1e9,
                static_cast<long long>(rows), file.size() / 1e6, ReportBench::peakMegabytes());
    db.close();
    return 0;
}

// The group summary by evaluation of every evaluation of the template, as the report window asks for it.
ReportRequest summaryRequest(const Database& db, const Bench& bench) {
    ReportRequest request = ReportBench::everyEvaluation(db, "Group Summary by Evaluation", bench.templateKey, "Bench");
    request.columnFields = bench.columns;
    return request;
}

int runEngine(DatabaseEngine engine, const QString& folder) {
    const bool sqlite = engine == DatabaseEngine::SQLite;
    ReportBench::useFolder(folder);
    const QString connection = ReportBench::connectionIn(engine, folder);
    DataEnvironment::instance().open(connection);
    const Database& db = DataEnvironment::instance().cnnConnection();
    EvaluationFixture build(db);
    QElapsedTimer clock;
    clock.start();
    Bench bench;
    qint64 limits = 0;
    {
        Transaction transaction(db);
        bench = buildTemplate(build);
        limits = limitsTemplate(build);
        addEvaluations(build, bench, 0, Evaluations);
        transaction.commit();
    }
    build.setCompany("Halvane Inspection Services", 3);
    // A catalog in use has its planner statistics; a freshly filled one gets them now rather
    // than whenever autovacuum comes by.
    if (!sqlite)
        db.execute("ANALYZE");
    std::printf("%s: %d evaluations of %d questions built in %.1f s\n", sqlite ? "SQLite" : "PostgreSQL", Evaluations,
                Questions, clock.nsecsElapsed() / 1e9);
    const double reference = sqlite ? shellQuery(folder + "/bench.db") : 0;
    if (sqlite)
        std::printf("  %-44s %6.3f s  (%d rows)\n", "sqlite3 shell: the answer rows", reference,
                    Evaluations * Questions);

    ReportRequest request = summaryRequest(db, bench);
    const QString company = DataEnvironment::instance().rsCompanyParameter().Name;

    timed(
        "group summary by evaluation (1,000 columns)", folder + "/by-evaluation.pdf", reference,
        [&](TrelkReportRecorder& recorder) { return GroupSummary(db, company).record(recorder, request).value_or(0); });
    request.report.name = "Group Summary by Group";
    request.variant = 1;
    timed(
        "group summary by group (10 groups)", folder + "/by-group.pdf", reference,
        [&](TrelkReportRecorder& recorder) { return GroupSummary(db, company).record(recorder, request).value_or(0); });
    timed("evaluation report (1,000 evaluations)", folder + "/evaluations.pdf", reference,
          [&](TrelkReportRecorder& recorder) {
              return EvaluationReport(db, DataEnvironment::instance().rsCompanyParameter())
                  .record(recorder, request.evaluations)
                  .value_or(0);
          });
    timed("template listing at every limit", folder + "/template.pdf", reference,
          [&](TrelkReportRecorder& recorder) { return TemplateListing(db, company).record(recorder, limits); });

    clock.restart();
    {
        Transaction transaction(db);
        addEvaluations(build, bench, Evaluations, ExportedEvaluations - Evaluations);
        transaction.commit();
    }
    std::printf("  (%d more evaluations built in %.1f s)\n", ExportedEvaluations - Evaluations,
                clock.nsecsElapsed() / 1e9);
    DataEnvironment::instance().close();
    // The export runs in a process of its own, so its peak memory is its own.
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--export", connection, QString::number(bench.templateKey), folder + "/export.csv"});
    child.waitForFinished(-1);
    return child.exitCode();
}

} // namespace

int main(int argc, char* argv[]) {
    return ReportBench::run(argc, argv, "bench_reports", [](const QStringList& arguments) {
        if (arguments.size() == 5 && arguments.at(1) == "--export")
            return exportChild(arguments.at(2), arguments.at(3).toLongLong(), arguments.at(4));
        QTemporaryDir folder;
        return ReportBench::eachEngine(folder.path(), runEngine, "scripts/with-postgres.sh");
    });
}
