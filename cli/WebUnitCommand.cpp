#include "WebUnitCommand.h"

#include "CliCommand.h"
#include "DataEnvironment.h"
#include "KestrivoError.h"
#include "ProgramSettings.h"
#include "WebUnitServer.h"
#include "WebUnitSettings.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalSocket[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[0], &byte, 1);
}

int refuse(const QString& message, int code = 2) {
    std::fprintf(stderr, "kestrivo-cli: %s\n", qPrintable(message));
    return code;
}

} // namespace

int serveUnit(const QStringList& options) {
    const char* const Usage = "unit serve [--listen ADDRESS:PORT] [--certificate FILE --key FILE] [--new-token]";
    QString listen, certificate, key;
    bool newToken = false;
    for (qsizetype i = 0; i < options.size(); ++i) {
        const QString& option = options.at(i);
        if (option == QLatin1String("--new-token")) {
            newToken = true;
            continue;
        }
        if (i + 1 >= options.size())
            return refuse(QStringLiteral("usage: ") + QString::fromLatin1(Usage));
        const QString& value = options.at(++i);
        if (option == QLatin1String("--listen"))
            listen = value;
        else if (option == QLatin1String("--certificate"))
            certificate = value;
        else if (option == QLatin1String("--key"))
            key = value;
        else
            return refuse(QStringLiteral("usage: ") + QString::fromLatin1(Usage));
    }
    if (!openProgramDatabase())
        return 1;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        const CompanyParameter& company = DataEnvironment::instance().rsCompanyParameter();
        const WebUnitFolders folders = WebUnitFolders::forUnit(programSettings().UnitPath, company.DeviceTemplatePath,
                                                               company.DeviceEvaluationPath);
        DataEnvironment::instance().close();
        folders.create();
        if (certificate.isEmpty() && key.isEmpty()) {
            certificate = WebUnitSettings::certificate();
            key = WebUnitSettings::key();
        }
        WebUnitServer server(folders, newToken ? WebUnitSettings::newToken() : WebUnitSettings::token());
        server.start(listen.isEmpty() ? WebUnitSettings::listen() : listen, certificate, key);

        const QStringList addresses = server.addresses();
        std::printf("Serving the unit %s to phones and tablets.\n"
                    "Open this address in the browser of a phone on the same network:\n%s\n",
                    qPrintable(programSettings().UnitPath), qPrintable(addresses.first()));
        if (addresses.size() > 1)
            std::printf("or one of these:\n%s\n", qPrintable(addresses.mid(1).join(QLatin1Char('\n'))));
        std::printf("Evaluations that phones send are written to %s; press Down and Add in Kestrivo, or run "
                    "kestrivo-cli unit add --all, to import them. Press Ctrl+C to stop.\n",
                    qPrintable(folders.evaluations));

        QObject::connect(&server, &WebUnitServer::phoneSeen,
                         [](int phones) { std::printf("Phones seen: %d\n", phones); });
        QObject::connect(&server, &WebUnitServer::fileReceived, [](const QString& fileName, int files) {
            std::printf("Received %s (files received: %d)\n", qPrintable(fileName), files);
        });

        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSocket) != 0)
            return refuse(QStringLiteral("the command cannot wait for Ctrl+C"), 1);
        QSocketNotifier interrupted(signalSocket[1], QSocketNotifier::Read);
        QObject::connect(&interrupted, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        QCoreApplication::exec();
        server.stop();
        std::printf("Stopped: %d phones seen, %d files received.\n", server.phonesSeen(), server.filesReceived());
        return 0;
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
}
