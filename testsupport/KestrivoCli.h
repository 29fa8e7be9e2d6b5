#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class QProcess;

// kestrivo-cli of this build as a user runs it: in a program folder and with a settings file
// of the test's own.
namespace KestrivoCli {

struct Run {
    int exitCode = -1; // -1 when it did not finish in time
    QString out;
    QString err;
};

QString program();
// "--home HOME --settings SETTINGS", then the arguments.
QStringList withHome(const QString& home, const QString& settings, const QStringList& arguments);
// What a started kestrivo-cli gave once it has finished, five minutes at most.
Run finished(QProcess& process);

Run run(const QString& home, const QString& settings, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
// The same with the input typed in and the input then closed, as at a terminal answering a
// question.
Run runWithInput(const QString& home, const QString& settings, const QStringList& arguments, const QByteArray& input);

} // namespace KestrivoCli
