#include "ReportBench.h"

#include "KestrivoError.h"
#include "ProgramSettings.h"
#include "Prompter.h"
#include "ReportLists.h"
#include "ReportOutput.h"
#include "TestDatabases.h"

#include <QDir>
#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cstdio>
#include <sys/resource.h>

namespace {

class QuietPrompter : public Prompter {
public:
    PromptAnswer ask(const Prompt& prompt) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(prompt.text));
        return prompt.defaultAnswer;
    }
};

} // namespace

namespace ReportBench {

int run(int argc, char* argv[], const char* benchmark, const std::function<int(const QStringList&)>& body) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QuietPrompter prompter;
    setProgramPrompter(&prompter);
    routeReportMessages();
    try {
        return body(application.arguments());
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "%s: %s\n", benchmark, qPrintable(error.description()));
        return 1;
    }
}

int eachEngine(const QString& folder, const std::function<int(DatabaseEngine, const QString&)>& part,
               const char* serverHint) {
    int status = part(DatabaseEngine::SQLite, folder + "/SQLite");
    if (TestDatabases::postgresAvailable())
        status |= part(DatabaseEngine::PostgreSQL, folder + "/PostgreSQL");
    else
        std::printf("PostgreSQL: no server given (run through %s)\n", serverHint);
    return status;
}

void useFolder(const QString& folder) {
    ProgramSettings& settings = programSettings();
    settings.DataPath = folder + "/";
    settings.LogPath = folder + "/";
    settings.ReportDataPath = folder + "/Report.db";
}

QString connectionIn(DatabaseEngine engine, const QString& folder) {
    QDir().mkpath(folder);
    return engine == DatabaseEngine::SQLite
               ? "Provider=SQLite;Data Source=" + folder + "/bench.db;Persist Security Info=False"
               : TestDatabases::freshConnectionString(engine);
}

ReportRequest everyEvaluation(const Database& db, const QString& reportName, qint64 templateKey,
                              const QString& templateText) {
    ReportRequest request;
    request.report.name = reportName;
    request.templateKey = templateKey;
    request.templateText = templateText;
    request.beginText = "01/01/02";
    request.endText = "12/31/29";
    for (const ListEntry& entry :
         ReportLists::evaluations(db, {QDate(2002, 1, 1), QDate(2029, 12, 31), {}, templateKey}))
        request.evaluations.append({entry.key, true});
    return request;
}

int pagesOf(int reportKey) {
    int pages = 0;
    {
        QSqlDatabase report = QSqlDatabase::addDatabase("QSQLITE", "pages");
        report.setDatabaseName(programSettings().ReportDataPath);
        if (report.open()) {
            QSqlQuery query(report);
            query.exec(QString("SELECT MAX(ReportPage) FROM ReportDetail WHERE ReportKey=%1").arg(reportKey));
            pages = query.next() ? query.value(0).toInt() : 0;
        }
    }
    QSqlDatabase::removeDatabase("pages");
    return pages;
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

} // namespace ReportBench
