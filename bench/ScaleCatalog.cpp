#include "ScaleCatalog.h"

#include "BenchCli.h"
#include "Database.h"
#include "TestDatabases.h"
#include "UnitSimulator.h"

#include <QDir>
#include <cstdio>
#include <unistd.h>

namespace {

const QString DemoTemplate = QStringLiteral("Demo Site Inspection");

} // namespace

// The demo template on the unit and in the catalog, then count evaluations filled on the
// unit (the demo's own leftovers removed first, so the unit holds exactly count files).
std::optional<ScaleCatalog> ScaleCatalog::prepare(DatabaseEngine engine, const QString& folder, int count) {
    ScaleCatalog catalog;
    catalog.home = folder + QStringLiteral("home");
    catalog.unitRoot = folder + QStringLiteral("unit/");
    if (engine == DatabaseEngine::PostgreSQL) {
        catalog.connection = TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL);
        if (!BenchCli::initHome(catalog.home, catalog.connection, catalog.unitRoot))
            return std::nullopt;
    } else {
        catalog.connection = QStringLiteral("Provider=SQLite;Data Source=%1/data/kestrivo.db").arg(catalog.home);
        if (!BenchCli::run(catalog.home, {QStringLiteral("init")}) ||
            !BenchCli::run(catalog.home, {QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("UnitPath"),
                                          catalog.unitRoot}))
            return std::nullopt;
    }
    if (!BenchCli::run(catalog.home, {QStringLiteral("demo")}))
        return std::nullopt;
    const UnitSimulator unit(catalog.unitRoot);
    QDir evaluations(unit.evaluationFolderPath());
    for (const QString& name : evaluations.entryList(QDir::Files))
        evaluations.remove(name);
    unit.fill(DemoTemplate + QStringLiteral(".evt"), count, 1);
    // A unit's files were written long before they are added. Files only just written sit in
    // the page cache, and those that Add removes within the kernel's 30 s were never written
    // at all: 10,000 of them are, 100,000 are not, and the growth measured the cache.
    ::sync();
    {
        Database db = Database::open(catalog.connection, QStringLiteral("bench_scale"));
        catalog.templateKey =
            db.scalar(QStringLiteral("SELECT TemplateKey FROM Template WHERE Name=?"), {DemoTemplate}).toLongLong();
        // The first group of the template: the one the single-group summary prints.
        catalog.groupKey = db.scalar(QStringLiteral("SELECT MIN(TemplateFieldValueKey) FROM TemplateFieldValue "
                                                    "INNER JOIN TemplateField ON TemplateField.TemplateFieldKey = "
                                                    "TemplateFieldValue.TemplateFieldKey WHERE TemplateKey=? AND "
                                                    "GroupField<>0"),
                                     {catalog.templateKey})
                               .toLongLong();
        db.close();
    }
    return catalog;
}

ScaleOptions::ScaleOptions() : where(QDir::tempPath()) {}

bool ScaleOptions::take(const QStringList& arguments, qsizetype& i) {
    if (i + 1 >= arguments.size())
        return false;
    const QString& option = arguments.at(i);
    if (option == QStringLiteral("--evaluations"))
        count = arguments.at(i + 1).toInt();
    else if (option == QStringLiteral("--engines"))
        engines = arguments.at(i + 1).toLower().split(',');
    else if (option == QStringLiteral("--folder"))
        where = arguments.at(i + 1);
    else
        return false;
    ++i;
    return true;
}

bool ScaleOptions::wants(DatabaseEngine engine) const {
    return engines.contains(engineName(engine).toLower());
}

bool ScaleOptions::usable(const char* usage) const {
    if (count < 10) {
        std::fprintf(stderr, "%s\n", usage);
        return false;
    }
    if (wants(DatabaseEngine::PostgreSQL) && !TestDatabases::postgresAvailable()) {
        std::fprintf(stderr, "No PostgreSQL server given: run through scripts/with-postgres.sh --durable "
                             "(or --engines sqlite)\n");
        return false;
    }
    return true;
}

QString engineName(DatabaseEngine engine) {
    return engine == DatabaseEngine::SQLite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");
}
