// Listing plus Add of a unit full of evaluations: 10,000 files of a template with 20 fields
// and 50 questions (5 answers, 10 pick-list entries, 2 of them ticked), 171 rows a file.
// Prints the time, the rows per second and the peak memory on SQLite and, when a server is
// given (KESTRIVO_TEST_PGHOST, as scripts/with-postgres.sh sets it), on PostgreSQL; on SQLite
// it also times the same rows through the sqlite3 shell, one transaction per file.
#include "BenchTemplate.h"
#include "DataEnvironment.h"
#include "DeviceSession.h"
#include "EvaluationDownload.h"
#include "EvaluationFileParser.h"
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

QString sqlText(const QVariant& value) {
    if (value.isNull())
        return QStringLiteral("NULL");
    return '\'' + value.toString().replace('\'', QStringLiteral("''")) + '\'';
}

// The same rows as plain INSERT statements for the sqlite3 shell, one transaction a file.
bool writeShellScript(const QString& folder, const QString& path) {
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return false;
    script.write("PRAGMA foreign_keys=ON;\nPRAGMA journal_mode=WAL;\nPRAGMA synchronous=NORMAL;\n");
    const QString evaluation = QStringLiteral("(SELECT MAX(EvaluationKey) FROM Evaluation)");
    const QString question = QStringLiteral("(SELECT MAX(EvaluationQuestionKey) FROM EvaluationQuestion)");
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        QFile file(folder + name);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const EvaluationFileContent content = EvaluationFileParser::parse(file.readAll());
        QString sql = QStringLiteral("BEGIN;\n");
        for (const EvaluationFileContent::Evaluation& item : content.evaluations) {
            sql += QStringLiteral(
                       "INSERT INTO Evaluation (FileName, TemplateKey, EvaluationGroupKey) VALUES (%1,%2,%3);\n")
                       .arg(sqlText(name.section('.', 0, 0)))
                       .arg(item.templateKey)
                       .arg(item.evaluationGroupKey);
            for (const EvaluationFileContent::Field& field : item.fields)
                sql += QStringLiteral("INSERT INTO EvaluationField (EvaluationKey, TemplateFieldKey, EnteredValue, "
                                      "TemplateFieldValueKey) VALUES (%1,%2,%3,%4);\n")
                           .arg(evaluation)
                           .arg(field.templateFieldKey)
                           .arg(sqlText(field.enteredValue))
                           .arg(field.templateFieldValueKey);
            for (qsizetype i = item.firstQuestion; i < item.lastQuestion; ++i) {
                const EvaluationFileContent::Question& answer = content.questions.at(i);
                sql += QStringLiteral("INSERT INTO EvaluationQuestion (EvaluationKey, TemplateQuestionKey, Answer, "
                                      "TBCCheck) VALUES (%1,%2,%3,%4);\n")
                           .arg(evaluation)
                           .arg(answer.templateQuestionKey)
                           .arg(sqlText(answer.answer))
                           .arg(answer.tbcCheck);
                for (const EvaluationFileContent::PickList& pick : content.pickLists) {
                    if (pick.question == i)
                        sql += QStringLiteral("INSERT INTO EvaluationPickList (EvaluationQuestionKey, "
                                              "TemplatePickListKey) VALUES (%1,%2);\n")
                                   .arg(question)
                                   .arg(pick.templatePickListKey);
                }
            }
        }
        sql += QStringLiteral("COMMIT;\n");
        script.write(sql.toUtf8());
    }
    return true;
}

// Runs one engine in the folder base; the caller removes it.
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
        std::printf("%s: the server process used %.2f s of CPU for it, %.2f ms a file\n", engineName, serverCpu,
                    serverCpu * 1000 / files);

    if (engine == DatabaseEngine::SQLite) {
        const QString shellDatabase = base + "shell.db";
        {
            Database db = Database::open("Provider=SQLite;Data Source=" + shellDatabase, "shell");
            BenchTemplate::create(db);
            db.close();
        }
        const QString script = base + "rows.sql";
        if (!writeShellScript(settings.DataPath + "Evaluations/", script))
            return 1;
        QProcess shell;
        shell.setStandardInputFile(script);
        clock.restart();
        shell.start("sqlite3", {shellDatabase});
        if (!shell.waitForFinished(-1) || shell.exitCode() != 0) {
            std::printf("sqlite3 shell failed: %s\n", shell.readAllStandardError().constData());
            return 1;
        }
        const double shellSeconds = clock.nsecsElapsed() / 1e9;
        std::printf("sqlite3 shell, one transaction per file: %.2f s, %.0f rows/s; Kestrivo (listing, copy, "
                    "import and delete included) takes %.2f times as long\n",
                    shellSeconds, rows / shellSeconds, total / shellSeconds);
    }
    return 0;
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
    return status;
}
