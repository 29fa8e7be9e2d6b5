#include "WebUnitCommand.h"

#include "CliCommand.h"
#include "DataEnvironment.h"
#include "KestrivoError.h"
#include "ProgramSettings.h"
#include "WebUnitServer.h"
#include "WebUnitServing.h"
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

} // namespace

const char* serveUnitUsage() {
    return "unit serve [--listen ADDRESS:PORT] [--install-port PORT] [--certificate FILE --key FILE | --http] "
           "[--new-token]";
}

namespace {

void printAddresses(const WebUnitServing& serving, const WebUnitFolders& folders) {
    const QStringList addresses = serving.addresses();
    std::printf("Serving the unit %s to phones and tablets over %s.\n", qPrintable(programSettings().UnitPath),
                serving.server().isSecure() ? "HTTPS" : "plain HTTP");
    if (!serving.server().isSecure())
        std::printf("%s\n", qPrintable(WebUnitServing::PlainHttpWarning));
    if (!serving.unreachableText().isEmpty())
        std::printf("%s\n", qPrintable(serving.unreachableText()));
    if (!serving.fingerprint().isEmpty())
        std::printf("1. Once per phone, install this PC's certificate: open this address in the phone's browser\n"
                    "%s\n"
                    "and check that the certificate's SHA-256 fingerprint is\n%s\n"
                    "2. Then open this address in the browser of a phone on the same network:\n",
                    qPrintable(serving.installAddresses().first()), qPrintable(serving.fingerprint()));
    else
        std::printf("Open this address in the browser of a phone on the same network:\n");
    std::printf("%s\n", qPrintable(addresses.first()));
    if (addresses.size() > 1)
        std::printf("or one of these:\n%s\n", qPrintable(addresses.mid(1).join(QLatin1Char('\n'))));
    std::printf("Evaluations that phones send are written to %s; press Down and Add in Kestrivo, or run "
                "kestrivo-cli unit add --all, to import them. Press Ctrl+C to stop.\n",
                qPrintable(folders.evaluations));
}

} // namespace

int serveUnit(const QStringList& options) {
    WebUnitServing::Choice choice;
    bool newToken = false;
    bool installPortGiven = false;
    for (qsizetype i = 0; i < options.size(); ++i) {
        const QString& option = options.at(i);
        if (option == QLatin1String("--new-token") || option == QLatin1String("--http")) {
            (option == QLatin1String("--http") ? choice.plainHttp : newToken) = true;
            continue;
        }
        if (i + 1 >= options.size())
            return refuse(QStringLiteral("usage: ") + QString::fromLatin1(serveUnitUsage()));
        const QString& value = options.at(++i);
        bool number = true;
        if (option == QLatin1String("--listen"))
            choice.listen = value;
        else if (option == QLatin1String("--certificate"))
            choice.certificate = value;
        else if (option == QLatin1String("--key"))
            choice.key = value;
        else if (option == QLatin1String("--install-port"))
            choice.installPort = quint16(value.toUShort(&number)), installPortGiven = true;
        else
            return refuse(QStringLiteral("usage: ") + QString::fromLatin1(serveUnitUsage()));
        if (!number)
            return refuse(QStringLiteral("--install-port takes a port number, not \"%1\"").arg(value));
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
        const WebUnitServing::Choice settings = WebUnitServing::fromSettings();
        if (choice.certificate.isEmpty() && choice.key.isEmpty() && !choice.plainHttp) {
            choice.certificate = settings.certificate;
            choice.key = settings.key;
        }
        if (choice.listen.isEmpty())
            choice.listen = settings.listen;
        if (!installPortGiven)
            choice.installPort = choice.listen.endsWith(QLatin1String(":0")) ? 0 : settings.installPort;
        choice.authorityFolder = settings.authorityFolder;
        WebUnitServing serving(folders, newToken ? WebUnitSettings::newToken() : WebUnitSettings::token());
        serving.start(choice);
        printAddresses(serving, folders);

        WebUnitServer& server = serving.server();
        QObject::connect(&server, &WebUnitServer::phoneSeen,
                         [](int phones) { std::printf("Phones seen: %d\n", phones); });
        QObject::connect(&server, &WebUnitServer::fileReceived, [](const QString& fileName, int files) {
            std::printf("Received %s (files received: %d)\n", qPrintable(fileName), files);
        });
        QObject::connect(&server, &WebUnitServer::unpairedRequests, [](const QString& address, int requests) {
            std::printf("%s\n", qPrintable(WebUnitServer::unpairedText(address, requests)));
        });

        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSocket) != 0)
            return refuse(QStringLiteral("the command cannot wait for Ctrl+C"), 1);
        QSocketNotifier interrupted(signalSocket[1], QSocketNotifier::Read);
        QObject::connect(&interrupted, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        QCoreApplication::exec();
        serving.stop();
        std::printf("Stopped: %d phones seen, %d files received.\n", server.phonesSeen(), server.filesReceived());
        return 0;
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
}
