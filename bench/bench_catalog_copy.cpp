// Moving a catalog: kestrivo-cli catalog copy of 10,000 evaluations (the handheld benchmark's
// files, 171 rows each: 1.71 million evaluation rows) from SQLite to PostgreSQL and back from
// PostgreSQL to a new SQLite file, and a catalog backup of the PostgreSQL catalog. Prints each
// time with the copying process's peak memory. Needs the server of scripts/with-postgres.sh
// (measure on one started with --durable).
#include "BenchCli.h"
#include "BenchTemplate.h"
#include "Database.h"
#include "EvaluationImporter.h"
#include "KestrivoError.h"
#include "TemplateFileWriter.h"
#include "TestDatabases.h"
#include "UnitSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

// A catalog file with the benchmark template and the evaluations of count files.
bool buildSource(const QString& folder, const QString& file, int count) {
    Database db = Database::open(QStringLiteral("Provider=SQLite;Data Source=") + file, QStringLiteral("source"));
    const qint64 key = BenchTemplate::create(db);
    const UnitSimulator unit(folder + QStringLiteral("unit/"));
    unit.init();
    QFile templateFile(unit.templateFolderPath() + QStringLiteral("Bench.evt"));
    if (!templateFile.open(QIODevice::WriteOnly) || templateFile.write(TemplateFileWriter::write(db, key)) < 0)
        return false;
    templateFile.close();
    const QStringList names = unit.fill(QStringLiteral("Bench.evt"), count, 1, BenchTemplate::Ticked);
    {
        EvaluationImporter importer(db);
        for (const QString& name : names) {
            if (!importer.addFile(unit.evaluationFolderPath() + name))
                return false;
        }
        for (const EvaluationImporter::Outcome outcome : importer.finish()) {
            if (outcome != EvaluationImporter::Outcome::Imported)
                return false;
        }
    }
    db.close();
    QDir(folder + QStringLiteral("unit/")).removeRecursively();
    return true;
}

// Runs the command line in a child of its own and prints its time and peak memory: the
// child's figure of its own children is the copy's alone.
int measure(const QStringList& arguments) {
    QProcess cli;
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    cli.start(BenchCli::program(), arguments);
    cli.waitForFinished(-1);
    const double seconds = clock.nsecsElapsed() / 1e9;
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    if (cli.exitCode() != 0) {
        std::printf("kestrivo-cli %s failed:\n%s\n", qPrintable(arguments.join(' ')), qPrintable(out));
        return 1;
    }
    std::printf("%.1f s, peak memory %.0f MB (%s)\n", seconds, usage.ru_maxrss / 1024.0,
                qPrintable(out.trimmed().section('\n', -2, -2)));
    return 0;
}

int step(const char* what, const QStringList& arguments) {
    std::printf("%s: ", what);
    std::fflush(stdout);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--measure")} + arguments);
    child.waitForFinished(-1);
    return child.exitCode();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    if (arguments.value(0) == QStringLiteral("--measure"))
        return measure(arguments.mid(1));
    int files = 10000;
    const qsizetype filesAt = arguments.indexOf(QStringLiteral("--files"));
    if (filesAt >= 0 && filesAt + 1 < arguments.size())
        files = arguments.at(filesAt + 1).toInt();
    if (!TestDatabases::postgresAvailable()) {
        std::printf("No PostgreSQL server given: run it through scripts/with-postgres.sh --durable\n");
        return 2;
    }
    try {
        QTemporaryDir folder;
        const QString base = folder.path() + QLatin1Char('/');
        const QString source = base + QStringLiteral("source.db");
        QElapsedTimer clock;
        clock.start();
        if (!buildSource(base, source, files))
            return 1;
        std::printf("A catalog of %d evaluations (%d rows each) built in %.1f s\n", files, BenchTemplate::RowsPerFile,
                    clock.nsecsElapsed() / 1e9);
        const QString connection = TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL);
        const QString catalog = BenchCli::serverOf(connection) + '/' + BenchCli::catalogOf(connection);
        const QString homeFolder = base + QStringLiteral("home");
        const QStringList home = BenchCli::homeOptions(homeFolder);
        int status = step("SQLite to PostgreSQL (under 60 s wanted)",
                          home + QStringList{QStringLiteral("catalog"), QStringLiteral("copy"),
                                             QStringLiteral("--from"), source, QStringLiteral("--to"), catalog});
        status |= step("PostgreSQL to SQLite (under 30 s wanted)",
                       home + QStringList{QStringLiteral("catalog"), QStringLiteral("copy"), QStringLiteral("--from"),
                                          catalog, QStringLiteral("--to"), base + QStringLiteral("back.db")});
        if (!BenchCli::run(homeFolder, {QStringLiteral("init"), QStringLiteral("--postgres"), catalog}))
            status = 1;
        status |= step("Backup of the PostgreSQL catalog",
                       home + QStringList{QStringLiteral("catalog"), QStringLiteral("backup"),
                                          base + QStringLiteral("backup.db")});
        std::printf("(peak memory under 150 MB wanted)\n");
        return status;
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "bench_catalog_copy: %s\n", qPrintable(error.description()));
        return 1;
    }
}
