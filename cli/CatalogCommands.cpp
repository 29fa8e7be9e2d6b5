#include "CliCommand.h"

#include "CatalogBackup.h"
#include "CatalogCopy.h"
#include "CatalogRights.h"
#include "ConnectionString.h"
#include "ConsoleStatus.h"
#include "DataEnvironment.h"
#include "Database.h"
#include "HistoryChain.h"
#include "KestrivoError.h"
#include "ProgramSettings.h"
#include "Schema.h"
#include "Settings.h"
#include "Startup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <climits>
#include <cstdio>

namespace {

const char* const Usage = "catalog copy --to TARGET [--from SOURCE] | backup FILE | restore FILE | verify [CATALOG] "
                          "| grant ROLE --reader|--entry|--designer | revoke ROLE";

// A catalog named on the command line: its connection, how to name it in messages, and the
// settings that make a PC use it.
struct Location {
    QString connection;
    QString description;
    QList<QPair<QString, QString>> settings;
};

int usage() {
    std::fprintf(stderr, "kestrivo-cli: usage: %s\n", Usage);
    return 2;
}

// An existing file, or a name ending as database files do, is an SQLite file; anything else
// is [HOST[:PORT]/]CATALOG on PostgreSQL.
bool isSqliteFile(const QString& text) {
    static const QRegularExpression ending(QStringLiteral("\\.(db|sqlite|sqlite3)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    return QFileInfo(text).isFile() || ending.match(text).hasMatch();
}

bool locate(const QString& text, Location& location) {
    if (isSqliteFile(text)) {
        const QString file = QFileInfo(text).absoluteFilePath();
        location.connection = CatalogBackup::fileConnection(file);
        location.description = file;
        location.settings = {{QStringLiteral("DataSource"), file}, {QStringLiteral("Provider"), ProviderName::SQLite}};
        return true;
    }
    QString server, catalog;
    if (!splitServerAndCatalog(text, server, catalog))
        return false;
    location.connection = Settings::buildConnectionString(ProviderName::PostgreSQL, catalog, server,
                                                          QStringLiteral(";Persist Security Info=False;"));
    location.description = ConnectionString::parse(location.connection).describe();
    location.settings = {{QStringLiteral("DataServer"), server},
                         {QStringLiteral("DataSource"), catalog},
                         {QStringLiteral("Provider"), ProviderName::PostgreSQL}};
    return true;
}

Location programCatalog() {
    Startup::loadProgramSettings(QCoreApplication::applicationDirPath());
    const QString connection = programSettings().DatabaseConnectionString;
    return {connection, ConnectionString::parse(connection).describe(), {}};
}

// Two names of one catalog: the same file, or the same catalog on the same server.
bool sameCatalog(const QString& first, const QString& second) {
    const ConnectionString a = ConnectionString::parse(first), b = ConnectionString::parse(second);
    if (a.engine != b.engine)
        return false;
    if (a.engine == DatabaseEngine::SQLite)
        return QFileInfo(a.dataSource).absoluteFilePath() == QFileInfo(b.dataSource).absoluteFilePath();
    return a.dataSource == b.dataSource && a.initialCatalog == b.initialCatalog;
}

QString shellWord(const QString& word) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:@+-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    return '\'' + QString(word).replace('\'', QStringLiteral("'\\''")) + '\'';
}

CatalogCopy::ProgressHandler progressOn(ConsoleStatus& status) {
    return [&status](const CatalogCopy::Progress& progress) {
        status.showStatus(
            QStringLiteral("%1 %2 (table %3 of %4)")
                .arg(progress.checking ? QStringLiteral("checking") : QStringLiteral("copying"), progress.name)
                .arg(progress.table)
                .arg(progress.tables));
        status.showProgress(int(progress.rowsCopied), int(progress.rowsTotal));
    };
}

qint64 printChecks(const QList<CatalogCopy::TableCheck>& checks) {
    qint64 rows = 0;
    for (const CatalogCopy::TableCheck& check : checks) {
        std::printf("%-20s %9lld %-4s  SHA-256 %s...  the same on both sides\n", qPrintable(check.table),
                    static_cast<long long>(check.rows), check.rows == 1 ? "row" : "rows",
                    check.digest.toHex().left(16).constData());
        rows += check.rows;
    }
    return rows;
}

// Runs one copy between two opened databases, the target checked first without changing it.
int copyBetween(const Location& source, const Location& target,
                const std::function<QList<CatalogCopy::TableCheck>(const Database&, const Database&,
                                                                   const CatalogCopy::ProgressHandler&)>& copy,
                QList<CatalogCopy::TableCheck>& checks) {
    const QString refusal = CatalogCopy::namedTargetRefusal(target.connection);
    if (!refusal.isEmpty())
        return refuse(QStringLiteral("%1 %2. Nothing was written.").arg(target.description, refusal), 1);
    Database from = source.connection.isEmpty()
                        ? Database()
                        : Database::openExisting(source.connection, QStringLiteral("kestrivo-copy-source"));
    Database to;
    try {
        to = Database::open(target.connection, QStringLiteral("kestrivo-copy-target"));
        ConsoleStatus status;
        checks = copy(from, to, progressOn(status));
        status.showProgress(0, 0);
    } catch (...) {
        to.close();
        from.close();
        throw;
    }
    to.close();
    from.close();
    return 0;
}

int copyCatalog(const QStringList& arguments) {
    QString to, from;
    for (qsizetype i = 0; i < arguments.size(); i += 2) {
        if (i + 1 >= arguments.size())
            return usage();
        if (arguments.at(i) == QStringLiteral("--to") && to.isEmpty())
            to = arguments.at(i + 1);
        else if (arguments.at(i) == QStringLiteral("--from") && from.isEmpty())
            from = arguments.at(i + 1);
        else
            return usage();
    }
    if (to.isEmpty())
        return usage();
    Location source, target;
    if (!locate(to, target) || (!from.isEmpty() && !locate(from, source)))
        return refuse(QStringLiteral("a catalog is an SQLite file or [HOST[:PORT]/]CATALOG"), 1);
    if (from.isEmpty())
        source = programCatalog();
    if (sameCatalog(source.connection, target.connection))
        return refuse(QStringLiteral("the source and the target are the same catalog, %1").arg(target.description), 1);

    std::printf("Copying %s to %s\n", qPrintable(source.description), qPrintable(target.description));
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    QList<CatalogCopy::TableCheck> checks;
    const int refused = copyBetween(
        source, target,
        [](const Database& from, const Database& into, const CatalogCopy::ProgressHandler& progress) {
            CatalogCopy copy(from, into);
            copy.setProgressHandler(progress);
            return copy.run();
        },
        checks);
    if (refused != 0)
        return refused;
    const qint64 rows = printChecks(checks);
    std::printf("Copied %lld rows in %lld tables in %.1f s; every table holds the same rows in the copy as in the "
                "source.\n",
                static_cast<long long>(rows), static_cast<long long>(checks.size()), clock.nsecsElapsed() / 1e9);
    QStringList commands;
    for (const auto& [name, value] : target.settings)
        commands << QStringLiteral("kestrivo-cli settings set %1 %2").arg(name, shellWord(value));
    std::printf("To make this PC use the copy: %s\n", qPrintable(commands.join(QStringLiteral(" && "))));
    return 0;
}

int backupCatalog(const QString& file) {
    const Location catalog = programCatalog();
    const QString path = QFileInfo(file).absoluteFilePath();
    std::printf("Backing up %s to %s\n", qPrintable(catalog.description), qPrintable(path));
    std::fflush(stdout);
    Database source = Database::openExisting(catalog.connection, QStringLiteral("kestrivo-backup-source"));
    QList<CatalogCopy::TableCheck> checks;
    try {
        ConsoleStatus status;
        checks = CatalogBackup::backup(source, path, progressOn(status));
        status.showProgress(0, 0);
    } catch (...) {
        source.close();
        throw;
    }
    source.close();
    const qint64 rows = printChecks(checks);
    std::printf("Backed up %lld rows in %lld tables to %s; every table holds the same rows in the backup as in the "
                "catalog.\n",
                static_cast<long long>(rows), static_cast<long long>(checks.size()), qPrintable(path));
    return 0;
}

int restoreCatalog(const QString& file) {
    const Location catalog = programCatalog();
    const QString path = QFileInfo(file).absoluteFilePath();
    if (const QString damage = CatalogBackup::damage(path); !damage.isEmpty())
        return refuse(damage + QStringLiteral(" Nothing was written."), 1);
    std::printf("Restoring %s into %s\n", qPrintable(path), qPrintable(catalog.description));
    std::fflush(stdout);
    QList<CatalogCopy::TableCheck> checks;
    const int refused = copyBetween(
        {}, catalog,
        [&path](const Database&, const Database& into, const CatalogCopy::ProgressHandler& progress) {
            return CatalogBackup::restore(path, into, progress);
        },
        checks);
    if (refused != 0)
        return refused;
    const qint64 rows = printChecks(checks);
    std::printf("Restored %lld rows in %lld tables; every table holds the same rows in the catalog as in the "
                "backup.\n",
                static_cast<long long>(rows), static_cast<long long>(checks.size()));
    return 0;
}

int verifyHistory(const QString& named) {
    Location catalog;
    if (named.isEmpty())
        catalog = programCatalog();
    else if (!locate(named, catalog))
        return refuse(QStringLiteral("a catalog is an SQLite file or [HOST[:PORT]/]CATALOG"), 1);
    Database database = Database::openExisting(catalog.connection, QStringLiteral("kestrivo-verify"));
    HistoryChain::Verification result;
    try {
        if (const QString refusal = CatalogCopy::sourceRefusal(database); !refusal.isEmpty())
            throw KestrivoError(ErrorNumber::Database, QStringLiteral("%1 %2.").arg(catalog.description, refusal));
        if (Schema::version(database) < Schema::HistoryVersion) {
            database.close();
            std::printf("%s keeps no history yet: it is brought up to date when this version of Kestrivo opens it.\n",
                        qPrintable(catalog.description));
            return 0;
        }
        ConsoleStatus status;
        result = HistoryChain::verify(database, [&status](qint64 done, qint64 total) {
            status.showStatus(QStringLiteral("checking the history"));
            status.showProgress(int(qMin<qint64>(done, INT_MAX)), int(qMin<qint64>(total, INT_MAX)));
        });
        status.showProgress(0, 0);
    } catch (...) {
        database.close();
        throw;
    }
    database.close();
    for (const QString& problem : result.problems)
        std::printf("%s\n", qPrintable(problem));
    if (result.intact()) {
        std::printf("The history of %s is intact: %lld %s, none changed or removed.\n", qPrintable(catalog.description),
                    static_cast<long long>(result.rows), result.rows == 1 ? "row" : "rows");
        return 0;
    }
    std::printf("The history of %s was changed outside Kestrivo: %lld %s found.\n", qPrintable(catalog.description),
                static_cast<long long>(result.problems.size()), result.problems.size() == 1 ? "problem" : "problems");
    return 1;
}

int grantRights(const QStringList& arguments) {
    static const QHash<QString, CatalogRights::Level> levels{
        {QStringLiteral("--reader"), CatalogRights::Level::Reader},
        {QStringLiteral("--entry"), CatalogRights::Level::Entry},
        {QStringLiteral("--designer"), CatalogRights::Level::Designer}};
    if (arguments.size() != 2 || !levels.contains(arguments.at(1)))
        return usage();
    const QString& role = arguments.at(0);
    const CatalogRights::Level level = levels.value(arguments.at(1));
    if (!openProgramDatabase())
        return 1;
    CatalogRights::grant(DataEnvironment::instance().cnnConnection(), role, level);
    const char* const rights[] = {"read this catalog: reports, lists and history",
                                  "read this catalog and add, change and delete its evaluations",
                                  "read this catalog, add, change and delete its evaluations, and change its "
                                  "templates, report columns and company settings"};
    std::printf("%s may now %s.\n", qPrintable(role), rights[int(level)]);
    return 0;
}

int revokeRights(const QStringList& arguments) {
    if (arguments.size() != 1)
        return usage();
    if (!openProgramDatabase())
        return 1;
    CatalogRights::revoke(DataEnvironment::instance().cnnConnection(), arguments.first());
    std::printf("%s may no longer use this catalog.\n", qPrintable(arguments.first()));
    return 0;
}

int catalogCommand(const QStringList& arguments) {
    const QString action = arguments.value(0);
    try {
        if (action == QStringLiteral("copy"))
            return copyCatalog(arguments.mid(1));
        if (action == QStringLiteral("backup") && arguments.size() == 2)
            return backupCatalog(arguments.at(1));
        if (action == QStringLiteral("restore") && arguments.size() == 2)
            return restoreCatalog(arguments.at(1));
        if (action == QStringLiteral("verify") && arguments.size() <= 2)
            return verifyHistory(arguments.value(1));
        if (action == QStringLiteral("grant"))
            return grantRights(arguments.mid(1));
        if (action == QStringLiteral("revoke"))
            return revokeRights(arguments.mid(1));
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
    return usage();
}

} // namespace

QList<CliCommand> catalogCommands() {
    return {
        {QStringLiteral("catalog"), QString::fromLatin1(Usage),
         QStringLiteral("copy the whole catalog into an empty one (SQLite file or PostgreSQL), back it up into an "
                        "SQLite file, restore such a backup, check that no row of its history was changed or "
                        "removed, or give a PostgreSQL role the rights to read, enter evaluations or also design "
                        "(a file catalog is protected by the permissions of its file)"),
         catalogCommand},
    };
}
