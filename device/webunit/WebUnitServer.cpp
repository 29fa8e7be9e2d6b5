#include "WebUnitServer.h"

#include "KestrivoError.h"
#include "LogError.h"
#include "PageFiles.h"

#include <QDateTime>
#include <QFile>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QUrl>

namespace {

// Not "application/json" alone: a browser may ask for it compressed, which costs more than it saves.
const QByteArray Json = QByteArrayLiteral("application/json; charset=utf-8");
const QByteArray Text = QByteArrayLiteral("text/plain; charset=utf-8");

[[noreturn]] void cannotStart(const QString& reason) {
    throw KestrivoError(ErrorNumber::FileAccess, reason);
}

HttpDaemon::Response answer(const WebUnitService::Reply& reply) {
    return {reply.status, reply.body, Json, {}, false};
}

HttpDaemon::Response refusal(int status, const QString& message) {
    return answer(WebUnitService::refusal(status, message));
}

HttpDaemon::Response bodyRefused() {
    return refusal(413, QStringLiteral("This request takes no body."));
}

HttpDaemon::Response plain(int status, const char* text) {
    return {status, QByteArray(text), Text, {}, false};
}

// What head() answers when the body is to be read before the answer.
constexpr int ReadTheBody = 0;

bool isGet(const HttpDaemon::Request& request) {
    return request.method == "GET" || request.method == "HEAD";
}

bool isEvaluationPost(const HttpDaemon::Request& request) {
    return request.path == "/api/evaluations" && request.method == "POST";
}

// Equal without telling by its time how much of the token was right.
bool sameToken(const QByteArray& given, const QByteArray& token) {
    unsigned char difference = given.size() == token.size() ? 0 : 1;
    for (qsizetype i = 0; i < token.size(); ++i)
        difference |= static_cast<unsigned char>((i < given.size() ? given.at(i) : 0) ^ token.at(i));
    return difference == 0 && !token.isEmpty();
}

void withSecurityHeaders(HttpDaemon::Response& response) {
    response.headers << qMakePair(QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff"))
                     << qMakePair(QByteArrayLiteral("Referrer-Policy"), QByteArrayLiteral("no-referrer"))
                     << qMakePair(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-cache"))
                     << qMakePair(QByteArrayLiteral("Content-Security-Policy"),
                                  QByteArrayLiteral("default-src 'self'; img-src 'self' data:"));
}

QByteArray readPem(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        cannotStart(QStringLiteral("The file %1 cannot be read.").arg(path));
    return file.read(1024 * 1024);
}

} // namespace

WebUnitServer::WebUnitServer(const WebUnitFolders& folders, QString token, QObject* parent)
    : QObject(parent), m_service(folders), m_token(std::move(token)) {
    m_unpairedTimer.setInterval(1000);
    connect(&m_unpairedTimer, &QTimer::timeout, this, &WebUnitServer::reportUnpaired);
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

bool WebUnitServer::splitListen(const QString& listen, QString& host, int& port) {
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

WebUnitServer::Identity WebUnitServer::readIdentity(const QString& certificate, const QString& key) {
    if (certificate.isEmpty() != key.isEmpty())
        cannotStart(QStringLiteral("HTTPS needs both a certificate and its key; only one of them is given."));
    if (certificate.isEmpty())
        return {};
    return {readPem(certificate), readPem(key)};
}

void WebUnitServer::start(const QString& listen, const QString& certificate, const QString& key) {
    start(listen, readIdentity(certificate, key));
}

void WebUnitServer::start(const QString& listen, const Identity& identity) {
    QString host;
    int port = 0;
    if (!splitListen(listen, host, port))
        cannotStart(
            QStringLiteral("The listen address \"%1\" is not ADDRESS:PORT (for example 0.0.0.0:8080).").arg(listen));
    HttpDaemon::Options options;
    options.address = QHostAddress(host);
    options.port = quint16(port);
    options.certificateChain = identity.certificateChain;
    options.key = identity.key;
    options.maximumBody = MaximumBody;
    m_daemon.start(options);
    m_host = host;
    m_secure = !identity.isEmpty();
    m_unpairedTimer.start();
}

void WebUnitServer::stop() {
    m_daemon.stop();
    m_unpairedTimer.stop();
    reportUnpaired();
}

QStringList WebUnitServer::hosts(const QString& listenAddress) {
    QList<QHostAddress> found;
    const QHostAddress listening(listenAddress);
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
                (address.isLoopback() ? loopback : found) << address;
            }
        }
        found += loopback;
    } else {
        found << listening;
    }
    QStringList texts;
    for (const QHostAddress& address : found)
        texts << address.toString();
    return texts;
}

QStringList WebUnitServer::addresses() const {
    QStringList urls;
    for (const QString& host : hosts(m_host)) {
        QUrl url;
        url.setScheme(m_secure ? QStringLiteral("https") : QStringLiteral("http"));
        url.setHost(host);
        url.setPort(port());
        url.setPath(QStringLiteral("/"));
        url.setFragment(QStringLiteral("token=") + token());
        urls << url.toString();
    }
    return urls;
}

QString WebUnitServer::unpairedText(const QString& address, int requests) {
    return requests == 1 ? QStringLiteral("1 request without the pairing token from %1").arg(address)
                         : QStringLiteral("%1 requests without the pairing token from %2").arg(requests).arg(address);
}

void WebUnitServer::setUnpairedReportInterval(int milliseconds) {
    const QMutexLocker locker(&m_mutex);
    m_unpairedInterval = milliseconds;
    m_unpairedTimer.setInterval(qMax(1, qMin(1000, milliseconds / 4)));
}

void WebUnitServer::reportUnpaired() {
    QList<QPair<QString, int>> due;
    {
        const QMutexLocker locker(&m_mutex);
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (auto sender = m_unpaired.begin(); sender != m_unpaired.end(); ++sender) {
            if (sender->requests == sender->reported || now - sender->reportedAt < m_unpairedInterval)
                continue;
            sender->reported = sender->requests;
            sender->reportedAt = now;
            due << qMakePair(sender.key(), sender->requests);
        }
    }
    for (const auto& [address, requests] : due)
        Q_EMIT unpairedRequests(address, requests);
}

bool WebUnitServer::paired(const HttpDaemon::Request& request) {
    const QByteArray given = request.headers.value("authorization");
    const QByteArray prefix("Bearer ");
    int phones = 0;
    {
        const QMutexLocker locker(&m_mutex);
        if (!given.startsWith(prefix) || !sameToken(given.mid(prefix.size()), m_token.toLatin1())) {
            ++m_unpaired[request.address].requests;
            return false;
        }
        const QByteArray phone = request.headers.value("x-kestrivo-phone");
        const QString seen = (phone.isEmpty() ? request.address : QString::fromUtf8(phone)).left(64);
        if (m_phones.contains(seen))
            return true;
        m_phones.insert(seen);
        phones = int(m_phones.size());
    }
    Q_EMIT phoneSeen(phones);
    return true;
}

std::optional<HttpDaemon::Response> WebUnitServer::head(const HttpDaemon::Request& request) {
    HttpDaemon::Response response;
    if (request.path.startsWith("/api/")) {
        response = api(request);
        if (response.status == ReadTheBody)
            return std::nullopt;
    } else {
        response = pageFile(request);
    }
    withSecurityHeaders(response);
    return response;
}

HttpDaemon::Response WebUnitServer::pageFile(const HttpDaemon::Request& request) {
    if (request.hasBody)
        return plain(413, "This address takes no body.");
    if (!isGet(request)) {
        HttpDaemon::Response response = plain(405, "Only the page's files are served here.");
        response.headers << qMakePair(QByteArrayLiteral("Allow"), QByteArrayLiteral("GET, HEAD"));
        return response;
    }
    const PageFiles::File* file = PageFiles::find(request.path);
    return file ? HttpDaemon::Response{200, file->bytes, file->type, {}, false} : plain(404, "Not found");
}

HttpDaemon::Response WebUnitServer::api(const HttpDaemon::Request& request) {
    using Handler = HttpDaemon::Response (WebUnitServer::*)(const HttpDaemon::Request&);
    static const QHash<QByteArray, Handler> reads{{"/api/templates", &WebUnitServer::templateList},
                                                  {"/api/template", &WebUnitServer::templateFile}};
    // The token is checked before anything else: an unpaired sender learns nothing and costs
    // nothing, not even the reading of its body.
    if (!paired(request))
        return refusal(401, QStringLiteral("This phone is not paired with the PC: open the address that Kestrivo "
                                           "shows, with its pairing token, or scan its QR code."));
    if (isEvaluationPost(request))
        return {ReadTheBody, {}, {}, {}, false};
    if (request.hasBody)
        return bodyRefused();
    const Handler read = isGet(request) ? reads.value(request.path) : nullptr;
    if (read)
        return (this->*read)(request);
    return refusal(404, QStringLiteral("The PC does not know this request (%1 %2).")
                            .arg(QString::fromLatin1(request.method), QString::fromUtf8(request.path)));
}

HttpDaemon::Response WebUnitServer::templateList(const HttpDaemon::Request&) {
    return answer(m_service.templates());
}

HttpDaemon::Response WebUnitServer::templateFile(const HttpDaemon::Request& request) {
    return answer(m_service.templateFile(QString::fromUtf8(request.arguments.value("file"))));
}

HttpDaemon::Response WebUnitServer::whole(const HttpDaemon::Request& request, bool bodyTooLarge) {
    HttpDaemon::Response response = isEvaluationPost(request) ? receive(request, bodyTooLarge) : bodyRefused();
    withSecurityHeaders(response);
    return response;
}

HttpDaemon::Response WebUnitServer::receive(const HttpDaemon::Request& request, bool bodyTooLarge) {
    if (bodyTooLarge)
        return refusal(400, QStringLiteral("The evaluation is larger than %1 MB and was refused. Nothing was written.")
                                .arg(MaximumBodyMegabytes));
    const WebUnitService::Reply reply = m_service.receive(request.body);
    if (!reply.storedFile.isEmpty()) {
        int files = 0;
        {
            const QMutexLocker locker(&m_mutex);
            files = ++m_files;
        }
        Q_EMIT fileReceived(reply.storedFile, files);
    }
    return answer(reply);
}
