#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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

// A test's own program folder "home" and settings file "Kestrivo.ini", side by side in a
// temporary folder, and kestrivo-cli run with them. A test class derives from it.
class Home {
public:
    QString path(const QString& name) const { return m_folder.path() + QLatin1Char('/') + name; }
    QString home() const { return path(QStringLiteral("home")); }
    QString settings() const { return path(QStringLiteral("Kestrivo.ini")); }
    // The SQLite catalog that "init" makes in the home.
    QString connection() const;
    // Points the home at the catalog of a test row: a PostgreSQL one through the settings
    // file, while on SQLite the home keeps the file that "init" made. Returns the connection
    // that the home's commands then use.
    QString useCatalog(const QString& rowConnection) const;
    QStringList withHome(const QStringList& arguments) const {
        return KestrivoCli::withHome(home(), settings(), arguments);
    }
    // Its input closed after the input given: a question it asks finds the end of the input
    // rather than waiting for an answer.
    Run cli(const QStringList& arguments, const QByteArray& input = QByteArray()) const {
        return runWithInput(home(), settings(), arguments, input);
    }

private:
    QTemporaryDir m_folder;
};

} // namespace KestrivoCli
