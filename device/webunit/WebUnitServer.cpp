#include "WebUnitServer.h"

#include "KestrivoError.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QUrl>
#include <atomic>
#include <httplib.h>

namespace {

constexpr qint32 ServerError = 75;
constexpr int Threads = 32;
constexpr time_t KeepAliveSeconds = 2;
constexpr time_t TransferSeconds = 20;
constexpr qsizetype DrainLimit = 8 * WebUnitServer::MaximumBody;
// Not "application/json" alone: that the library would compress, slowly, for a browser.
const char* const Json = "application/json; charset=utf-8";

[[noreturn]] void cannotStart(const QString& reason) {
    throw KestrivoError(ServerError, reason);
}

struct PageFile {
    QByteArray bytes;
    std::string type;
};

// The page's own files, built into the program.
const QHash<QString, PageFile>& pageFiles() {
    static const QHash<QString, PageFile> files = [] {
        const QList<QPair<QString, const char*>> names{{"index.html", "text/html; charset=utf-8"},
                                                       {"app.css", "text/css; charset=utf-8"},
                                                       {"app.js", "text/javascript; charset=utf-8"},
                                                       {"store.js", "text/javascript; charset=utf-8"},
                                                       {"form.js", "text/javascript; charset=utf-8"},
                                                       {"sw.js", "text/javascript; charset=utf-8"},
                                                       {"manifest.webmanifest", "application/manifest+json"},
                                                       {"icon.svg", "image/svg+xml"},
                                                       {"icon-192.png", "image/png"},
                                                       {"icon-512.png", "image/png"}};
        QHash<QString, PageFile> loaded;
        for (const auto& [name, type] : names) {
            QFile file(QStringLiteral(":/webunit/") + name);
            if (file.open(QIODevice::ReadOnly))
                loaded.insert(QLatin1Char('/') + name, {file.readAll(), type});
        }
        loaded.insert(QStringLiteral("/"), loaded.value(QStringLiteral("/index.html")));
        return loaded;
    }();
    return files;
}

void reply(httplib::Response& response, const WebUnitService::Reply& answer) {
    response.status = answer.status;
    response.set_content(answer.body.constData(), size_t(answer.body.size()), Json);
}

// Equal without telling by its time how much of the token was right.
bool sameToken(const QByteArray& given, const QByteArray& token) {
    unsigned char difference = given.size() == token.size() ? 0 : 1;
    for (qsizetype i = 0; i < token.size(); ++i)
        difference |= static_cast<unsigned char>((i < given.size() ? given.at(i) : 0) ^ token.at(i));
    return difference == 0 && !token.isEmpty();
}

// "ADDRESS:PORT", the address of IPv6 in brackets.
bool splitListen(const QString& listen, QString& host, int& port) {
    const qsizetype colon = listen.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    host = listen.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool whole = false;
    port = listen.mid(colon + 1).toInt(&whole);
    return whole && port >= 0 && port <= 65535 && !QHostAddress(host).isNull();
}

} // namespace

WebUnitServer::WebUnitServer(const WebUnitFolders& folders, QString token, QObject* parent)
    : QObject(parent), m_service(folders), m_token(std::move(token)) {
    Q_INIT_RESOURCE(webunit_page);
}

WebUnitServer::~WebUnitServer() {
    stop();
}

QString WebUnitServer::token() const {
    const QMutexLocker locker(&m_mutex);
    return m_token;
}

void WebUnitServer::setToken(const QString& token) {
    const QMutexLocker locker(&m_mutex);
    m_token = token;
}

int WebUnitServer::phonesSeen() const {
    const QMutexLocker locker(&m_mutex);
    return int(m_phones.size());
}

int WebUnitServer::filesReceived() const {
    const QMutexLocker locker(&m_mutex);
    return m_files;
}

void WebUnitServer::start(const QString& listen, const QString& certificate, const QString& key) {
    QString host;
    int port = 0;
    if (!splitListen(listen, host, port))
        cannotStart(
            QStringLiteral("The listen address \"%1\" is not ADDRESS:PORT (for example 0.0.0.0:8080).").arg(listen));
    if (certificate.isEmpty() != key.isEmpty())
        cannotStart(QStringLiteral("HTTPS needs both a certificate and its key; only one of them is given."));
    std::unique_ptr<httplib::Server> server;
    if (certificate.isEmpty()) {
        server = std::make_unique<httplib::Server>();
    } else {
        for (const QString& file : {certificate, key}) {
            if (!QFileInfo(file).isReadable())
                cannotStart(QStringLiteral("The file %1 cannot be read.").arg(file));
        }
        server = std::make_unique<httplib::SSLServer>(QFile::encodeName(certificate).constData(),
                                                      QFile::encodeName(key).constData());
        if (!server->is_valid())
            cannotStart(QStringLiteral("The certificate %1 and the key %2 cannot be used together for HTTPS: they "
                                       "must be PEM files, the key unencrypted and matching the certificate.")
                            .arg(certificate, key));
    }
    server->new_task_queue = [] { return new httplib::ThreadPool(Threads); };
    server->set_keep_alive_timeout(KeepAliveSeconds);
    // An answer goes out in several writes; without this each waits for the phone's delayed
    // acknowledgement of the one before.
    server->set_tcp_nodelay(true);
    server->set_read_timeout(TransferSeconds);
    server->set_write_timeout(TransferSeconds);
    server->set_payload_max_length(size_t(MaximumBody));
    // The library's default lets a second server take the same port and share its phones
    // (SO_REUSEPORT); a port in use must be refused instead.
    server->set_socket_options([](socket_t socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    route(*server);

    // What cannot start leaves a running server as it is; a new start replaces it.
    stop();
    const std::string address = host.toStdString();
    const int bound = port == 0 ? server->bind_to_any_port(address) : (server->bind_to_port(address, port) ? port : -1);
    if (bound < 0)
        cannotStart(QStringLiteral("Kestrivo cannot listen on %1: another program uses the port, or the address is "
                                   "not one of this PC's.")
                        .arg(listen));
    m_host = host;
    m_port = quint16(bound);
    m_secure = !certificate.isEmpty();
    m_server = std::move(server);
    auto listening = std::make_shared<std::atomic<bool>>(true);
    m_thread = std::thread([server = m_server.get(), listening] {
        server->listen_after_bind();
        *listening = false;
    });
    // A server stopped before it runs would never see the stop: wait until it runs.
    while (!m_server->is_running() && *listening)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void WebUnitServer::stop() {
    if (!m_server)
        return;
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
    m_server.reset();
}

QStringList WebUnitServer::addresses() const {
    QList<QHostAddress> hosts;
    const QHostAddress listening(m_host);
    if (listening == QHostAddress::AnyIPv4 || listening == QHostAddress::AnyIPv6) {
        QList<QHostAddress> loopback;
        for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
            if (!interface.flags().testFlag(QNetworkInterface::IsUp))
                continue;
            for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
                const QHostAddress address = entry.ip();
                if (address.protocol() != QAbstractSocket::IPv4Protocol &&
                    (listening == QHostAddress::AnyIPv4 || address.isLinkLocal()))
                    continue;
                (address.isLoopback() ? loopback : hosts) << address;
            }
        }
        hosts += loopback;
    } else {
        hosts << listening;
    }
    QStringList urls;
    for (const QHostAddress& address : hosts) {
        QUrl url;
        url.setScheme(m_secure ? QStringLiteral("https") : QStringLiteral("http"));
        url.setHost(address.toString());
        url.setPort(m_port);
        url.setPath(QStringLiteral("/"));
        url.setFragment(QStringLiteral("token=") + token());
        urls << url.toString();
    }
    return urls;
}

bool WebUnitServer::authorised(const std::string& authorization, const std::string& phone, const std::string& address) {
    const QByteArray given = QByteArray::fromStdString(authorization);
    const QByteArray prefix("Bearer ");
    int phones = 0;
    {
        const QMutexLocker locker(&m_mutex);
        if (!given.startsWith(prefix) || !sameToken(given.mid(prefix.size()), m_token.toLatin1()))
            return false;
        const QString seen = QString::fromStdString(phone.empty() ? address : phone).left(64);
        if (m_phones.contains(seen))
            return true;
        m_phones.insert(seen);
        phones = int(m_phones.size());
    }
    Q_EMIT phoneSeen(phones);
    return true;
}

void WebUnitServer::route(httplib::Server& server) {
    server.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                                {"Referrer-Policy", "no-referrer"},
                                {"Cache-Control", "no-cache"},
                                {"Content-Security-Policy", "default-src 'self'; img-src 'self' data:"}});

    const auto refuseUnpaired = [](httplib::Response& response) {
        reply(response, WebUnitService::refusal(401, QStringLiteral("This phone is not paired with the PC: open the "
                                                                    "address that Kestrivo shows, with its pairing "
                                                                    "token, or scan its QR code.")));
    };
    const auto paired = [this](const httplib::Request& request) {
        return authorised(request.get_header_value("Authorization"), request.get_header_value("X-Kestrivo-Phone"),
                          request.remote_addr);
    };

    server.Get("/api/templates", [=, this](const httplib::Request& request, httplib::Response& response) {
        if (!paired(request))
            return refuseUnpaired(response);
        reply(response, m_service.templates());
    });
    server.Get("/api/template", [=, this](const httplib::Request& request, httplib::Response& response) {
        if (!paired(request))
            return refuseUnpaired(response);
        reply(response, m_service.templateFile(QString::fromStdString(request.get_param_value("file"))));
    });
    server.Post("/api/evaluations", [=, this](const httplib::Request& request, httplib::Response& response,
                                              const httplib::ContentReader& content) {
        // The token is checked before the body is read: an unpaired sender costs nothing.
        if (!paired(request)) {
            response.set_header("Connection", "close");
            return refuseUnpaired(response);
        }
        std::string body;
        size_t arrived = 0;
        const bool read = content([&](const char* data, size_t length) {
            arrived += length;
            if (arrived <= size_t(MaximumBody))
                body.append(data, length);
            // Past the limit the rest is read and dropped, up to a point, so that the sender is
            // still listening when the refusal comes; a sender that goes on beyond it is cut off.
            return arrived <= size_t(DrainLimit);
        });
        const bool tooLarge = arrived > size_t(MaximumBody);
        if (tooLarge || response.status == 413) {
            response.set_header("Connection", "close");
            return reply(response, WebUnitService::refusal(400, QStringLiteral("The evaluation is larger than 1 MB "
                                                                               "and was refused. Nothing was "
                                                                               "written.")));
        }
        if (!read)
            return reply(response, WebUnitService::refusal(400, QStringLiteral("The evaluation did not arrive whole. "
                                                                               "Nothing was written.")));
        const WebUnitService::Reply answer = m_service.receive(QByteArray::fromStdString(body));
        reply(response, answer);
        if (answer.storedFile.isEmpty())
            return;
        int files = 0;
        {
            const QMutexLocker locker(&m_mutex);
            files = ++m_files;
        }
        Q_EMIT fileReceived(answer.storedFile, files);
    });
    server.Get(R"(/[^/]*)", [](const httplib::Request& request, httplib::Response& response) {
        const auto file = pageFiles().constFind(QString::fromStdString(request.path));
        if (file == pageFiles().constEnd()) {
            response.status = 404;
            response.set_content("Not found", "text/plain");
            return;
        }
        response.set_content(file->bytes.constData(), size_t(file->bytes.size()), file->type.c_str());
    });
    server.set_error_handler([](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty())
            return;
        if (request.path.rfind("/api/", 0) == 0) {
            const bool tooLarge = response.status == 413;
            reply(response, WebUnitService::refusal(
                                tooLarge ? 400 : response.status,
                                tooLarge ? QStringLiteral("The evaluation is larger than 1 MB and was refused. Nothing "
                                                          "was written.")
                                         : QStringLiteral("The PC does not know this request (%1).")
                                               .arg(QString::fromStdString(request.path))));
        }
    });
    server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        reply(response, WebUnitService::refusal(500, QStringLiteral("The PC could not answer this request.")));
    });
}
