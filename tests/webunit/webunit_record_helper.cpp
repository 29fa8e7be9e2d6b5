// A second server for the record's tests, in a process of its own:
//   webunit_record_helper receive RECORD FOLDER ID STEP < bytes
//     stores the bytes under ID as "Site.txt" and is killed (SIGKILL, as by kill -9) when it
//     reaches STEP ("staged", "recorded", "placed"; "none" runs to the end and prints the outcome);
//   webunit_record_helper token
//     prints "ready", waits for a line on its input, then prints the pairing token, so that the
//     test can start several at the same moment.
#include "KestrivoError.h"
#include "ReceivedEvaluations.h"
#include "WebUnitSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

class StoppingWriter : public ReceivedEvaluations {
public:
    StoppingWriter(const QString& record, const QString& folder, const QString& stop)
        : ReceivedEvaluations(record, folder), m_stop(stop) {}

protected:
    void reached(Step step) override {
        static const char* const Names[] = {"staged", "recorded", "placed"};
        if (m_stop == QLatin1String(Names[int(step)]))
            std::raise(SIGKILL);
    }

private:
    QString m_stop;
};

int receive(const QStringList& arguments) {
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 2;
    StoppingWriter writer(arguments.at(2), arguments.at(3), arguments.at(5));
    const ReceivedEvaluations::Result result =
        writer.receive(arguments.at(4), QStringLiteral("Site"), QStringLiteral(".txt"), input.readAll());
    std::printf("%d %s\n", int(result.outcome), qPrintable(result.fileName));
    return 0;
}

int token() {
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    std::printf("%s\n", qPrintable(WebUnitSettings::token()));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    try {
        if (arguments.size() == 6 && arguments.at(1) == QLatin1String("receive"))
            return receive(arguments);
        if (arguments.size() == 2 && arguments.at(1) == QLatin1String("token"))
            return token();
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.description()));
        return 1;
    }
    std::fprintf(stderr, "usage: %s receive RECORD FOLDER ID STEP | token\n", argv[0]);
    return 2;
}
