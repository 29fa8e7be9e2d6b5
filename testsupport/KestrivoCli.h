#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// kestrivo-cli of this build as a user runs it: in a program folder and with a settings file
// of the test's own.
namespace KestrivoCli {

struct Run {
    int exitCode = -1; // -1 when it did not finish in time
    QString out;
    QString err;
};

Run run(const QString& home, const QString& settings, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

} // namespace KestrivoCli
