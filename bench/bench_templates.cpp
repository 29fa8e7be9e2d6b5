// The template editor on a template at every limit's edge: 20 fields with 20 values each and
// 50 questions with 20 answers and 30 pick-list entries each. Prints the time of LoadTemplate
// and of moving to another question row (answers and pick list read again), as the median of
// many runs, on SQLite and, when a server is given (KESTRIVO_TEST_PGHOST, as
// scripts/with-postgres.sh sets it), on PostgreSQL.
#include "BenchTemplate.h"
#include "DataEnvironment.h"
#include "DeviceSession.h"
#include "MountedFolderTransport.h"
#include "ProgramSettings.h"
#include "Prompter.h"
#include "TemplateMaintenance.h"
#include "TestDatabases.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int Fields = 20;
constexpr int Values = 20;
constexpr int Questions = 50;
constexpr int Answers = 20;
constexpr int PickLists = 30;

class QuietPrompter : public Prompter {
public:
    PromptAnswer ask(const Prompt&) override { return PromptAnswer::Ok; }
};

void createTemplate(const Database& db) {
    Transaction transaction(db);
    const qint64 key = db.insert("Template", {"Name"}, {"Limits"});
    for (int field = 1; field <= Fields; ++field) {
        const qint64 fieldKey =
            db.insert("TemplateField", {"TemplateKey", "Sequence", "FieldLabel", "FieldType", "GroupField"},
                      {key, field, QString("Field %1").arg(field), 2, field == 1 ? -1 : 0});
        for (int value = 1; value <= Values; ++value)
            db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"},
                      {fieldKey, QString("Value %1-%2").arg(field).arg(value)});
    }
    BenchTemplate::addQuestions(db, key, Questions, Answers, PickLists);
    transaction.commit();
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

void run(const QString& engineName, DatabaseEngine engine, const QString& folder) {
    DataEnvironment::instance().open(TestDatabases::freshConnectionString(engine));
    createTemplate(DataEnvironment::instance().cnnConnection());
    programSettings().LayoutPath = folder;
    DeviceSession session(std::make_unique<MountedFolderTransport>([folder] { return folder + "unit/"; }));
    TemplateMaintenance editor(session, {});
    editor.open();

    QList<double> loads;
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer timer;
        timer.start();
        editor.LoadTemplate();
        loads << timer.nsecsElapsed() / 1e6;
    }
    editor.enterGrid(TemplateGrid::Question);
    QList<double> moves;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        editor.jgQuestion().setCurrentRow((i + 1) % Questions);
        moves << timer.nsecsElapsed() / 1e6;
    }
    const bool whole = editor.jgAnswer().dataRowCount() == Answers && editor.jgPicklist().dataRowCount() == PickLists;
    std::printf("%-10s LoadTemplate %7.2f ms (limit 100)   next question row %6.2f ms (limit 10)%s\n",
                qPrintable(engineName), median(loads), median(moves), whole ? "" : "   ROWS MISSING");
    DataEnvironment::instance().close();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QuietPrompter prompter;
    setProgramPrompter(&prompter);
    QTemporaryDir folder;
    qputenv("KESTRIVO_HOME", (folder.path() + "/").toLocal8Bit());
    std::printf("Template at every limit: %d fields x %d values, %d questions x %d answers x %d pick-list entries "
                "(median of 30 loads, 200 row moves)\n",
                Fields, Values, Questions, Answers, PickLists);
    run("SQLite", DatabaseEngine::SQLite, folder.path() + "/");
    if (TestDatabases::postgresAvailable())
        run("PostgreSQL", DatabaseEngine::PostgreSQL, folder.path() + "/");
    else
        std::printf("PostgreSQL: no server given (run through scripts/with-postgres.sh)\n");
    return 0;
}
