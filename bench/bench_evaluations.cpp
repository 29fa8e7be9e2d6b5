// The "Nobrin" tab on a template at every limit (20 fields, 50 questions with 20 answers and
// 30 pick-list entries each) and an opened evaluation of it with every question answered, half
// of them marked TBC and every entry ticked: BuildEvaluation and SaveEvaluation (replacing the
// opened evaluation), and the open dialog's RefreshFileList over 10,000 evaluations. Runs on
// SQLite and, when a server is given (KESTRIVO_TEST_PGHOST, as scripts/with-postgres.sh sets
// it), on PostgreSQL. Prints the median and the slowest of each.
#include "Database.h"
#include "EvaluationEditor.h"
#include "EvaluationEditorCommands.h"
#include "EvaluationFileList.h"
#include "KestrivoError.h"
#include "OpenEvaluationFilter.h"
#include "Prompter.h"
#include "TemplateBuilder.h"
#include "TestDatabases.h"
#include "YesPrompter.h"
#include "frmOpenEvaluation.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int Rounds = 20;
constexpr int Listed = 10000;

struct Figures {
    double median = 0;
    double slowest = 0;
};

Figures figures(QList<double> times) {
    std::sort(times.begin(), times.end());
    return {times.at(times.size() / 2), times.last()};
}

void print(const char* engine, const char* what, const Figures& measured, double limit) {
    std::printf("%-10s %-44s median %7.1f ms, slowest %7.1f ms (limit %3.0f ms)\n", engine, what, measured.median,
                measured.slowest, limit);
}

// The opened evaluation: built once by the editor itself, then saved with everything filled.
qint64 fillEvaluation(EvaluationEditor& editor, EvaluationEditorCommands& commands, qint64 templateKey) {
    editor.setEvaluationTemplateKey(templateKey);
    editor.setNewEvaluation(true);
    editor.BuildEvaluation();
    editor.chooseFieldEntry(1, 0);
    for (int page = 1; page <= editor.pageCount(); ++page) {
        editor.scrollTo(page);
        for (int frame = 1; frame <= EvaluationEditor::QuestionFrames; ++frame) {
            if (editor.questionOnFrame(frame) < 0)
                continue;
            editor.editAnswer(frame, QStringLiteral("Answer 3"));
            editor.clickTBC(frame, frame % 2 == 0);
            for (int entry = 0; entry < editor.frame(frame).entries.size(); ++entry)
                editor.tickPickEntry(frame, entry, true);
        }
    }
    if (commands.SaveEvaluation())
        throw KestrivoError(ErrorNumber::General, QStringLiteral("the first save was cancelled"));
    return editor.openedEvaluationKey();
}

void run(DatabaseEngine engine, double buildLimit, double saveLimit) {
    const char* name = engine == DatabaseEngine::SQLite ? "SQLite" : "PostgreSQL";
    Database db = Database::open(TestDatabases::freshConnectionString(engine), QStringLiteral("bench"));
    const qint64 templateKey = TemplateBuilder::full(db, QStringLiteral("Full")).key();
    EvaluationEditor editor(db);
    EvaluationEditorCommands commands(editor, db);
    fillEvaluation(editor, commands, templateKey);
    qint64 key = db.scalar(QStringLiteral("SELECT MAX(EvaluationKey) FROM Evaluation")).toLongLong();

    QList<double> builds;
    QList<double> saves;
    QElapsedTimer clock;
    for (int round = 0; round < Rounds; ++round) {
        clock.start();
        commands.openEvaluationKey(key);
        builds << clock.nsecsElapsed() / 1e6;
        editor.editField(3, QStringLiteral("Round %1").arg(round));
        clock.start();
        if (commands.SaveEvaluation())
            throw KestrivoError(ErrorNumber::General, QStringLiteral("a save was cancelled"));
        saves << clock.nsecsElapsed() / 1e6;
        key = db.scalar(QStringLiteral("SELECT MAX(EvaluationKey) FROM Evaluation")).toLongLong();
    }
    const int pickRows = db.scalar(QStringLiteral("SELECT COUNT(*) FROM EvaluationPickList")).toInt();
    print(name, "BuildEvaluation (opened, 1,500 ticks)", figures(builds), buildLimit);
    print(name, "SaveEvaluation (replacing, 1,571 rows)", figures(saves), saveLimit);
    if (pickRows != 1500)
        std::printf("%-10s unexpected: %d pick-list rows after the saves\n", name, pickRows);

    {
        Transaction transaction(db);
        QSqlQuery add = db.prepare(
            QStringLiteral("INSERT INTO Evaluation (TemplateKey, EvaluationGroupKey, FileName) VALUES (?, ?, ?)"));
        const qint64 group = db.scalar(QStringLiteral("SELECT EvaluationGroupKey FROM Evaluation")).toLongLong();
        for (int i = 1; i < Listed; ++i)
            db.run(add, {templateKey, group, QStringLiteral("Evaluation %1.txt").arg(i, 5, 10, QLatin1Char('0'))});
        transaction.commit();
    }
    OpenEvaluationFilter filter(db);
    filter.load();
    QList<double> refreshes;
    for (int round = 0; round < Rounds; ++round) {
        clock.start();
        filter.RefreshFileList();
        refreshes << clock.nsecsElapsed() / 1e6;
    }
    if (filter.lines().size() != Listed + 1)
        std::printf("%-10s unexpected: %lld lines listed\n", name, static_cast<long long>(filter.lines().size()));
    print(name, "RefreshFileList, 10,000 evaluations", figures(refreshes), 300);
    QList<double> dialogs;
    for (int round = 0; round < 5; ++round) {
        clock.start();
        frmOpenEvaluation dialog(db, nullptr);
        dialogs << clock.nsecsElapsed() / 1e6;
    }
    print(name, "open dialog loaded, its list of 10,000 shown", figures(dialogs), 300);
    db.close();
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    YesPrompter prompter;
    setProgramPrompter(&prompter);
    try {
        run(DatabaseEngine::SQLite, 150, 50);
        if (TestDatabases::postgresAvailable())
            run(DatabaseEngine::PostgreSQL, 400, 150);
        else
            std::printf("PostgreSQL: no server given (run through scripts/with-postgres.sh)\n");
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "bench_evaluations: %s\n", qPrintable(error.description()));
        return 1;
    }
    return 0;
}
