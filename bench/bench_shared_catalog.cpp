// Several PCs importing into one PostgreSQL catalog at once: four kestrivo-cli processes, each
// with its own home and unit of 2,500 evaluation files (171 rows each; a quarter of each unit's
// files lie on a second unit too), run "unit add --all" together; then one process imports
// the same 10,000 files from one unit alone into a fresh catalog. Prints the time, the rows per
// second and how many times faster the four are together. Needs the server of
// scripts/with-postgres.sh (KESTRIVO_TEST_PGHOST / KESTRIVO_TEST_PGPORT); measure on one started with
// --durable, as a real server keeps its data.
#include "BenchCli.h"
#include "BenchTemplate.h"
#include "Database.h"
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
#include <unistd.h>

namespace {

constexpr int Units = 4;

struct RunResult {
    double seconds = 0;
    qint64 rows = 0;
    qint64 evaluations = 0;
    int added = 0;
    int skipped = 0;
    bool ok = true;
};

// A fresh catalog with the benchmark template; every fresh catalog gives it the same keys.
QString freshCatalog(QByteArray* templateFile) {
    const QString connection = TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL);
    Database db = Database::open(connection, QStringLiteral("bench"));
    const qint64 key = BenchTemplate::create(db);
    if (templateFile)
        *templateFile = TemplateFileWriter::write(db, key);
    db.close();
    return connection;
}

// Links every file of the folder into the unit folder; a name that is taken gets a prefix.
bool linkFiles(const QString& from, const QString& to, const QString& prefix) {
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files)) {
        const QString target = QFile::exists(to + name) ? to + prefix + name : to + name;
        if (::link(QFile::encodeName(from + name).constData(), QFile::encodeName(target).constData()) != 0)
            return false;
    }
    return true;
}

// The units' files, written once and linked into each run's unit folders.
bool writeUnits(const QString& root, const QByteArray& templateFile, int filesPerUnit) {
    const int shared = filesPerUnit / 4;
    for (int unit = 0; unit < Units; ++unit) {
        const UnitSimulator simulator(root + QStringLiteral("unit%1/").arg(unit));
        simulator.init();
        QFile file(simulator.templateFolderPath() + QStringLiteral("Bench.evt"));
        if (!file.open(QIODevice::WriteOnly) || file.write(templateFile) != templateFile.size())
            return false;
        file.close();
        int own = filesPerUnit;
        // Units 1 and 3 carry a quarter of their partner's files, as copied by hand.
        if (unit % 2 == 1) {
            const UnitSimulator partner(root + QStringLiteral("unit%1/").arg(unit - 1));
            const QStringList names = QDir(partner.evaluationFolderPath()).entryList(QDir::Files, QDir::Name);
            for (const QString& name : names.mid(0, shared)) {
                if (!QFile::copy(partner.evaluationFolderPath() + name, simulator.evaluationFolderPath() + name))
                    return false;
            }
            own -= shared;
        }
        simulator.fill(QStringLiteral("Bench.evt"), own, quint32(unit + 1), BenchTemplate::Ticked);
    }
    return true;
}

// Sets up one home per unit folder on the catalog, starts all their imports at once and waits.
RunResult run(const QString& connection, const QString& homeBase, const QString& unitBase,
              const QList<QStringList>& unitSources) {
    RunResult result;
    QList<QString> homes;
    for (int i = 0; i < unitSources.size(); ++i) {
        const QString home = homeBase + QStringLiteral("home%1").arg(i);
        const QString unitRoot = unitBase + QStringLiteral("unit%1/").arg(i);
        homes << home;
        if (!BenchCli::initHome(home, connection, unitRoot))
            return {0, 0, 0, 0, 0, false};
        const UnitSimulator unit(unitRoot);
        unit.init();
        for (int source = 0; source < unitSources.at(i).size(); ++source) {
            if (!linkFiles(unitSources.at(i).at(source), unit.evaluationFolderPath(),
                           QStringLiteral("unit%1-").arg(source))) {
                std::fprintf(stderr, "the files cannot be linked into %s\n", qPrintable(unit.evaluationFolderPath()));
                return {0, 0, 0, 0, 0, false};
            }
        }
    }
    QList<QProcess*> processes;
    QElapsedTimer clock;
    clock.start();
    for (const QString& home : homes) {
        auto* process = new QProcess;
        process->start(BenchCli::program(),
                       BenchCli::homeOptions(home) + QStringList{QStringLiteral("--yes"), QStringLiteral("unit"),
                                                                 QStringLiteral("add"), QStringLiteral("--all")});
        processes << process;
    }
    for (QProcess* process : processes) {
        process->waitForFinished(-1);
        const QString out = QString::fromUtf8(process->readAllStandardOutput());
        result.added += int(out.count(QStringLiteral("Added ")));
        result.skipped += int(out.count(QStringLiteral("Skipped ")));
        if (process->exitCode() != 0) {
            std::fprintf(stderr, "an import failed: %s\n", process->readAllStandardError().constData());
            result.ok = false;
        }
    }
    result.seconds = clock.nsecsElapsed() / 1e9;
    qDeleteAll(processes);

    Database db = Database::open(connection, QStringLiteral("bench"));
    result.evaluations = db.scalar(QStringLiteral("SELECT COUNT(*) FROM Evaluation")).toLongLong();
    result.rows = db.scalar(QStringLiteral("SELECT (SELECT COUNT(*) FROM Evaluation) + (SELECT COUNT(*) FROM "
                                           "EvaluationField) + (SELECT COUNT(*) FROM EvaluationQuestion) + "
                                           "(SELECT COUNT(*) FROM EvaluationPickList)"))
                      .toLongLong();
    db.close();
    return result;
}

void print(const char* what, const RunResult& result) {
    std::printf("%s: %.2f s, %d files added and %d skipped as already imported, %lld evaluations, %lld rows, "
                "%.0f rows/s\n",
                what, result.seconds, result.added, result.skipped, static_cast<long long>(result.evaluations),
                static_cast<long long>(result.rows), result.rows / result.seconds);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    int filesPerUnit = 2500;
    const qsizetype filesAt = arguments.indexOf(QStringLiteral("--files-per-unit"));
    if (filesAt >= 0 && filesAt + 1 < arguments.size())
        filesPerUnit = qMax(4, arguments.at(filesAt + 1).toInt());
    if (!TestDatabases::postgresAvailable()) {
        std::printf("No PostgreSQL server given: run it through scripts/with-postgres.sh\n");
        return 2;
    }
    try {
        // The units lie in memory when the machine offers it, apart from the PCs' disk.
        QTemporaryDir units(QDir(QStringLiteral("/dev/shm")).exists()
                                ? QStringLiteral("/dev/shm/kestrivo-units-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/units-XXXXXX"));
        QTemporaryDir disk;
        const QString unitBase = units.path() + '/';
        QByteArray templateFile;
        const QString alone = freshCatalog(&templateFile);
        QElapsedTimer clock;
        clock.start();
        if (!writeUnits(unitBase + QStringLiteral("pristine/"), templateFile, filesPerUnit))
            return 1;
        std::printf("%d units of %d evaluation files (%d rows each, a quarter of each unit's files on a second unit "
                    "too) written in %.1f s\n",
                    Units, filesPerUnit, BenchTemplate::RowsPerFile, clock.nsecsElapsed() / 1e9);

        QList<QString> sources;
        for (int unit = 0; unit < Units; ++unit)
            sources << UnitSimulator(unitBase + QStringLiteral("pristine/unit%1/").arg(unit)).evaluationFolderPath();

        // Homes on the disk, unit folders beside the pristine files so that they can be linked.
        const QString homes = disk.path() + '/';
        const RunResult one =
            run(alone, homes + QStringLiteral("alone/"), unitBase + QStringLiteral("alone/"), {sources});
        print(qPrintable(QStringLiteral("One process, all %1 files on one unit").arg(Units * filesPerUnit)), one);
        QList<QStringList> each;
        for (const QString& source : sources)
            each << QStringList{source};
        const QString shared = freshCatalog(nullptr);
        const RunResult four =
            run(shared, homes + QStringLiteral("together/"), unitBase + QStringLiteral("together/"), each);
        print("Four processes at once, one unit each", four);
        if (!one.ok || !four.ok || one.evaluations != four.evaluations)
            std::printf("The runs differ or failed: %lld and %lld evaluations\n",
                        static_cast<long long>(one.evaluations), static_cast<long long>(four.evaluations));
        std::printf("Four processes together are %.2f times as fast as one alone (at least 2.5 wanted)\n",
                    one.seconds / four.seconds);
        return one.ok && four.ok && one.evaluations == four.evaluations ? 0 : 1;
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "bench_shared_catalog: %s\n", qPrintable(error.description()));
        return 1;
    }
}
