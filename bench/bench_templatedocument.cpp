// Templates as documents on each engine: a template at every editor limit (20 fields with 10
// values, 50 questions with 20 answers and 30 pick-list entries; 2,773 rows), exported and
// imported 20 times, and one large template (1,000 questions with 200 answers; 201,007 rows)
// once, with each step timed: reading the rows, writing the text, checking it, writing the rows.
// Runs on SQLite and, when a server is given (KESTRIVO_TEST_PGHOST, as
// scripts/with-postgres.sh sets it), on PostgreSQL.
#include "Database.h"
#include "KestrivoError.h"
#include "TemplateDocument.h"
#include "TemplateDocumentParser.h"
#include "TestDatabases.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int Repeats = 20;

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

TemplateDocument document(int fields, int values, int questions, int answers, int pickList) {
    TemplateDocument made;
    made.name = QStringLiteral("Bench");
    for (int i = 0; i < fields; ++i) {
        TemplateDocument::Field field;
        field.label = QStringLiteral("Field %1").arg(i + 1);
        field.type = i == 0 ? FieldType::Dropdown : FieldType::Text;
        field.forced = i == 0;
        field.groupField = i == 0;
        field.order = i + 1;
        for (int v = 0; v < values; ++v)
            field.values << QStringLiteral("Value %1").arg(v + 1);
        made.fields << field;
    }
    made.fileNameFields = {0, 1};
    for (int q = 0; q < questions; ++q) {
        TemplateDocument::Question question;
        question.question = QStringLiteral("Question number %1, is everything in order?").arg(q + 1);
        question.order = q + 1;
        for (int a = 0; a < answers; ++a)
            question.answers << QStringLiteral("Answer %1").arg(a + 1);
        for (int p = 0; p < pickList; ++p)
            question.pickList << QStringLiteral("Pick-list entry %1").arg(p + 1);
        made.questions << question;
    }
    return made;
}

struct Steps {
    double read = 0, write = 0, check = 0, create = 0;
};

// One export and import: the milliseconds of each step, summed into steps.
void roundTrip(const Database& db, qint64 key, Steps& steps, qint64& next) {
    QElapsedTimer clock;
    clock.start();
    const TemplateDocument read = TemplateDocument::read(db, key);
    steps.read += clock.nsecsElapsed() / 1e6;
    clock.restart();
    const QByteArray text = read.toJson();
    steps.write += clock.nsecsElapsed() / 1e6;
    clock.restart();
    const TemplateDocumentParser::Result parsed = TemplateDocumentParser::parse(text);
    steps.check += clock.nsecsElapsed() / 1e6;
    if (!parsed.ok())
        throw KestrivoError(ErrorNumber::General, parsed.problems.join(QLatin1Char('\n')));
    clock.restart();
    next = parsed.document.create(db);
    steps.create += clock.nsecsElapsed() / 1e6;
}

void run(DatabaseEngine engine) {
    const char* name = engine == DatabaseEngine::SQLite ? "SQLite" : "PostgreSQL";
    Database db = Database::open(TestDatabases::freshConnectionString(engine), QStringLiteral("bench"));

    qint64 key = document(20, 10, 50, 20, 30).create(db);
    Steps steps;
    for (int i = 0; i < Repeats; ++i)
        roundTrip(db, key, steps, key);
    std::printf("%-10s template at the editor's limits (2,773 rows), mean of %d: read %.1f ms, JSON %.1f ms, "
                "check %.1f ms, import %.1f ms\n",
                name, Repeats, steps.read / Repeats, steps.write / Repeats, steps.check / Repeats,
                steps.create / Repeats);

    key = document(2, 1, 1000, 200, 0).create(db);
    steps = Steps();
    roundTrip(db, key, steps, key);
    constexpr double Rows = 201007;
    std::printf("%-10s large template (201,007 rows): read %.0f ms, JSON %.0f ms, check %.0f ms, import %.0f ms "
                "(%.0f rows/s); peak memory %.0f MB\n",
                name, steps.read, steps.write, steps.check, steps.create, Rows / (steps.create / 1000),
                peakMegabytes());
    db.close();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    try {
        run(DatabaseEngine::SQLite);
        if (TestDatabases::postgresAvailable())
            run(DatabaseEngine::PostgreSQL);
        else
            std::printf("PostgreSQL: no server given (run through scripts/with-postgres.sh)\n");
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "bench_templatedocument: %s\n", qPrintable(error.description()));
        return 1;
    }
    return 0;
}
