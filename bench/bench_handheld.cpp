// Listing plus Add of a unit full of evaluations: 10,000 files of a template with 20 fields
// and 50 questions (5 answers, 10 pick-list entries, 2 of them ticked), 171 rows a file.
// Prints the time, the rows per second and the peak memory on SQLite and, when a server is
// given (KESTRIVO_TEST_PGHOST, as scripts/with-postgres.sh sets it; measure on one started
// with --durable, as a real server keeps its data), on PostgreSQL, and how the two times
// compare. On SQLite it also times the import alone and the engine's floor: the same rows
// inserted through the sqlite3 C interface with prepared statements, one transaction a file,
// and again with Add's own batching (a transaction for every batch of files), which is the
// floor that the whole Add compares with like for like.
#include "BenchTemplate.h"
#include "DataEnvironment.h"
#include "DeviceSession.h"
#include "EvaluationDownload.h"
#include "EvaluationFileParser.h"
#include "EvaluationImporter.h"
#include "KestrivoError.h"
#include "MountedFolderTransport.h"
#include "ProgramSettings.h"
#include "Prompter.h"
#include "StatusSink.h"
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
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

// Answers every box with its default and keeps the last text for the report.
class QuietPrompter : public Prompter {
public:
    PromptAnswer ask(const Prompt& prompt) override {
        last = prompt.text;
        return prompt.buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    }
    QString last;
};

class NoStatus : public StatusSink {
public:
    void showStatus(const QString&) override {}
};

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// The files of a folder, read and parsed before any clock runs.
QList<EvaluationFileContent> parsedFiles(const QString& folder, QStringList& names) {
    QList<EvaluationFileContent> files;
    names = QDir(folder).entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile file(folder + name);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        files.append(EvaluationFileParser::parse(file.readAll()));
    }
    return files;
}

void bindText(sqlite3_stmt* statement, int index, const QVariant& value) {
    if (value.isNull()) {
        sqlite3_bind_null(statement, index);
        return;
    }
    const QByteArray text = value.toString().toUtf8();
    sqlite3_bind_text(statement, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

// The engine's floor: the evaluation rows of the files through the sqlite3 C interface, with
// prepared statements and a transaction for every filesPerCommit files, into a database of
// the same schema and settings (WAL, synchronous=FULL). Seconds, or a negative number when
// SQLite refused.
double sqliteFloor(const QString& path, const QList<EvaluationFileContent>& files, const QStringList& names,
                   qsizetype filesPerCommit) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return -1;
    sqlite3_exec(db, "PRAGMA foreign_keys=ON; PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr,
                 nullptr);
    const char* const texts[] = {
        "INSERT INTO Evaluation (FileName, TemplateKey, EvaluationGroupKey) VALUES (?, ?, ?)",
        "INSERT INTO EvaluationField (EvaluationKey, TemplateFieldKey, EnteredValue, TemplateFieldValueKey) "
        "VALUES (?, ?, ?, ?)",
        "INSERT INTO EvaluationQuestion (EvaluationKey, TemplateQuestionKey, Answer, TBCCheck) VALUES (?, ?, ?, ?)",
        "INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey) VALUES (?, ?)",
    };
    sqlite3_stmt* statements[4] = {};
    for (int i = 0; i < 4; ++i)
        sqlite3_prepare_v3(db, texts[i], -1, SQLITE_PREPARE_PERSISTENT, &statements[i], nullptr);
    const auto step = [&](sqlite3_stmt* statement) {
        const bool done = sqlite3_step(statement) == SQLITE_DONE;
        sqlite3_reset(statement);
        return done;
    };
    bool ok = true;
    QElapsedTimer clock;
    clock.start();
    for (qsizetype f = 0; f < files.size() && ok; ++f) {
        const EvaluationFileContent& content = files.at(f);
        if (f % filesPerCommit == 0)
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        QList<sqlite3_int64> questionKeys;
        for (const EvaluationFileContent::Evaluation& item : content.evaluations) {
            bindText(statements[0], 1, names.at(f).section('.', 0, 0));
            sqlite3_bind_int64(statements[0], 2, item.templateKey);
            sqlite3_bind_int64(statements[0], 3, item.evaluationGroupKey);
            ok = ok && step(statements[0]);
            const sqlite3_int64 evaluationKey = sqlite3_last_insert_rowid(db);
            for (const EvaluationFileContent::Field& field : item.fields) {
                sqlite3_bind_int64(statements[1], 1, evaluationKey);
                sqlite3_bind_int64(statements[1], 2, field.templateFieldKey);
                bindText(statements[1], 3, field.enteredValue);
                sqlite3_bind_int64(statements[1], 4, field.templateFieldValueKey);
                ok = ok && step(statements[1]);
            }
            for (qsizetype i = item.firstQuestion; i < item.lastQuestion; ++i) {
                const EvaluationFileContent::Question& answer = content.questions.at(i);
                sqlite3_bind_int64(statements[2], 1, evaluationKey);
                sqlite3_bind_int64(statements[2], 2, answer.templateQuestionKey);
                bindText(statements[2], 3, answer.answer);
                sqlite3_bind_int64(statements[2], 4, answer.tbcCheck);
                ok = ok && step(statements[2]);
                questionKeys.append(sqlite3_last_insert_rowid(db));
            }
        }
        for (const EvaluationFileContent::PickList& pick : content.pickLists) {
            sqlite3_bind_int64(statements[3], 1, questionKeys.at(pick.question));
            sqlite3_bind_int64(statements[3], 2, pick.templatePickListKey);
            ok = ok && step(statements[3]);
        }
        if ((f + 1) % filesPerCommit == 0 || f + 1 == files.size())
            ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    for (sqlite3_stmt* statement : statements)
        sqlite3_finalize(statement);
    sqlite3_close(db);
    return ok ? seconds : -1;
}

// The import alone, as Add runs it (a batch of files to a transaction), of the files already on the PC
// into a fresh database. Seconds, or a negative number when a file did not go in.
double importAlone(const QString& path, const QString& folder, const QStringList& names) {
    Database db = Database::open("Provider=SQLite;Data Source=" + path, "alone");
    BenchTemplate::create(db);
    QElapsedTimer clock;
    clock.start();
    {
        EvaluationImporter importer(db);
        for (const QString& name : names) {
            if (!importer.addFile(folder + name))
                return -1;
        }
        for (const EvaluationImporter::Outcome outcome : importer.finish()) {
            if (outcome != EvaluationImporter::Outcome::Imported)
                return -1;
        }
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    db.close();
    return seconds;
}

// Runs one engine in the folder base; the caller removes it.
// The SQLite import alone, and the engine's floors for the same rows: one transaction a file,
// and Add's own batching; 1 when one of them failed.
int compareWithFloors(const QString& base, const QString& dataPath, qint64 rows, double total) {
    const QString folder = dataPath + "Evaluations/";
    QStringList names;
    const QList<EvaluationFileContent> files = parsedFiles(folder, names);
    const double alone = importAlone(base + "alone.db", folder, names);
    for (const char* name : {"floor.db", "batched.db"}) {
        Database db = Database::open("Provider=SQLite;Data Source=" + base + name, name);
        BenchTemplate::create(db);
        db.close();
    }
    const double floor = sqliteFloor(base + "floor.db", files, names, 1);
    // Add commits a batch of files at once: this floor does as Add does.
    const double batched = sqliteFloor(base + "batched.db", files, names, EvaluationImporter::BatchFiles);
    if (alone < 0 || floor < 0 || batched < 0) {
        std::printf("SQLite: the import alone or a floor failed\n");
        return 1;
    }
    std::printf("SQLite: the import alone (files read, parsed and inserted) %.2f s, %.0f rows/s\n", alone,
                rows / alone);
    std::printf("SQLite floor (sqlite3 C interface, prepared statements, one transaction a file): %.2f s, %.0f "
                "rows/s; the import takes %.2f times as long (at most 1.5 wanted), the whole Add %.2f times\n",
                floor, rows / floor, alone / floor, total / floor);
    std::printf("SQLite floor with Add's batching (%lld files a transaction, synchronous=FULL): %.2f s, %.0f "
                "rows/s; the import takes %.2f times as long, the whole Add %.2f times\n",
                static_cast<long long>(EvaluationImporter::BatchFiles), batched, rows / batched, alone / batched,
                total / batched);
    return 0;
}

int run(DatabaseEngine engine, int files, const QString& base) {
    // A docked unit is a file system of its own (USB storage, an MTP mount): the emulated one
    // lies in memory when the machine offers a memory file system, apart from the PC's disk.
    QTemporaryDir unitFolder(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/kestrivo-unit-XXXXXX")
                                                       : base + QStringLiteral("unit-XXXXXX"));
    QDir().mkpath(base);
    ProgramSettings& settings = programSettings();
    settings.UserName = QStringLiteral("bench");
    settings.DataPath = base + "data/";
    settings.LogPath = base + "logs/";
    settings.UnitPath = unitFolder.path() + '/';
    for (const QString& path : {settings.DataPath, settings.LogPath})
        QDir().mkpath(path);
    QuietPrompter prompter;
    setProgramPrompter(&prompter);
    const QString connection =
        engine == DatabaseEngine::SQLite
            ? "Provider=SQLite;Data Source=" + settings.DataPath + "bench.db;Persist Security Info=False"
            : TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL);
    const char* engineName = engine == DatabaseEngine::SQLite ? "SQLite" : "PostgreSQL";

    DataEnvironment& environment = DataEnvironment::instance();
    environment.open(connection);
    const qint64 templateKey = BenchTemplate::create(environment.cnnConnection());
    const UnitSimulator unit(settings.UnitPath, environment.rsCompanyParameter().DeviceTemplatePath,
                             environment.rsCompanyParameter().DeviceEvaluationPath);
    unit.init();
    QFile templateFile(unit.templateFolderPath() + "Bench.evt");
    if (!templateFile.open(QIODevice::WriteOnly) ||
        templateFile.write(TemplateFileWriter::write(environment.cnnConnection(), templateKey)) < 0)
        return 1;
    templateFile.close();
    if (engine == DatabaseEngine::PostgreSQL)
        std::printf("PostgreSQL: the server runs with fsync %s and synchronous_commit %s\n",
                    qPrintable(environment.cnnConnection().scalar("SHOW fsync").toString()),
                    qPrintable(environment.cnnConnection().scalar("SHOW synchronous_commit").toString()));
    const double serverBefore = BenchTemplate::serverCpuSeconds(environment.cnnConnection());
    QElapsedTimer clock;
    clock.start();
    unit.fill("Bench.evt", files, 1, BenchTemplate::Ticked);
    std::printf("%s: %d evaluation files written on the emulated unit %s in %.1f s\n", engineName, files,
                qPrintable(settings.UnitPath), clock.nsecsElapsed() / 1e9);

    NoStatus status;
    DeviceSession session(std::make_unique<MountedFolderTransport>([&] { return settings.UnitPath; }));
    EvaluationDownload download(session, status);
    clock.restart();
    download.ListUnitEvaluations();
    const double listed = clock.nsecsElapsed() / 1e9;
    download.SelectAll();
    const bool complete = download.AddSelectedEvaluations();
    const double total = clock.nsecsElapsed() / 1e9;
    const qint64 rows =
        environment.cnnConnection()
            .scalar("SELECT (SELECT COUNT(*) FROM Evaluation) + (SELECT COUNT(*) FROM EvaluationField) + "
                    "(SELECT COUNT(*) FROM EvaluationQuestion) + "
                    "(SELECT COUNT(*) FROM EvaluationPickList)")
            .toLongLong();
    const double serverAfter = BenchTemplate::serverCpuSeconds(environment.cnnConnection());
    const double serverCpu = serverBefore < 0 || serverAfter < 0 ? -1 : serverAfter - serverBefore;
    environment.close();
    if (!complete) {
        std::printf("%s: the Add did not complete: %s\n", engineName, qPrintable(prompter.last));
        return 1;
    }
    std::printf("%s: listing %.2f s, listing plus Add of %lld files %.2f s, %lld rows, %.0f rows/s, peak memory "
                "%.0f MB\n",
                engineName, listed, static_cast<long long>(download.lastAddResult().added.size()), total,
                static_cast<long long>(rows), rows / total, peakMegabytes());
    if (serverCpu >= 0)
        std::printf("%s: the server used %.2f s of CPU for it, %.2f ms a file\n", engineName, serverCpu,
                    serverCpu * 1000 / files);

    QFile result(base + QStringLiteral("../%1.seconds").arg(engineName));
    if (result.open(QIODevice::WriteOnly))
        result.write(QByteArray::number(total));

    return engine == DatabaseEngine::SQLite ? compareWithFloors(base, settings.DataPath, rows, total) : 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    int files = 10000;
    const qsizetype filesAt = arguments.indexOf("--files");
    if (filesAt >= 0 && filesAt + 1 < arguments.size())
        files = arguments.at(filesAt + 1).toInt();
    // Each engine runs in a process of its own, so that the peak memory is that engine's. The
    // files of all runs are removed only at the end: a file system that has just deleted
    // thousands of files can be slow to create new ones, and one run must not slow the next.
    const qsizetype engineAt = arguments.indexOf("--engine");
    const qsizetype folderAt = arguments.indexOf("--folder");
    if (engineAt >= 0 && engineAt + 1 < arguments.size()) {
        QTemporaryDir own;
        const QString base =
            folderAt >= 0 && folderAt + 1 < arguments.size() ? arguments.at(folderAt + 1) + '/' : own.path() + '/';
        try {
            return run(arguments.at(engineAt + 1) == "PostgreSQL" ? DatabaseEngine::PostgreSQL : DatabaseEngine::SQLite,
                       files, base);
        } catch (const KestrivoError& error) {
            std::fprintf(stderr, "bench_handheld: %s\n", qPrintable(error.description()));
            return 1;
        }
    }
    QStringList engines{"SQLite"};
    if (TestDatabases::postgresAvailable())
        engines << "PostgreSQL";
    else
        std::printf("PostgreSQL: no server given (run through scripts/with-postgres.sh)\n");
    int status = 0;
    QTemporaryDir folder;
    for (const QString& engine : engines) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--engine", engine, "--files", QString::number(files), "--folder", folder.path() + '/' + engine});
        child.waitForFinished(-1);
        status |= child.exitCode();
    }
    QFile sqlite(folder.path() + "/SQLite.seconds"), postgres(folder.path() + "/PostgreSQL.seconds");
    if (sqlite.open(QIODevice::ReadOnly) && postgres.open(QIODevice::ReadOnly))
        std::printf("PostgreSQL takes %.2f times as long as SQLite for the same files (at most 1.5 wanted)\n",
                    postgres.readAll().toDouble() / sqlite.readAll().toDouble());
    return status;
}
