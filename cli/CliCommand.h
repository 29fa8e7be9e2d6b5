#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// One sub-command of kestrivo-cli: its name, usage line, one-line summary and the routine
// that runs it with the arguments after the name. The routine returns the exit code.
struct CliCommand {
    QString name;
    QString usage;
    QString summary;
    std::function<int(const QStringList& arguments)> run;
};

// Command groups, each defined beside the code it drives.
QList<CliCommand> setupCommands();
QList<CliCommand> deviceCommands();
QList<CliCommand> evaluationCommands();
QList<CliCommand> templateCommands();
QList<CliCommand> reportCommands();
QList<CliCommand> catalogCommands();

// Prints "kestrivo-cli: " and the message on the error output and returns the exit code: 2
// for a command given wrongly, 1 for one that failed.
int refuse(const QString& message, int exitCode = 2);

// Loads the settings and opens the database as the program does; prints the reason and
// returns false when that fails.
bool openProgramDatabase();

// Splits "[HOST[:PORT]/]CATALOG"; false when it names no catalog.
bool splitServerAndCatalog(const QString& text, QString& server, QString& catalog);
