#include "HttpDaemon.h"

#include "ConnectionDeadlines.h"
#include "KestrivoError.h"

#include <QMutex>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr unsigned Connections = 1000;
constexpr unsigned IdleSeconds = 20;
// A body past the limit is read and dropped up to this much more, so that the sender is still
// listening when the refusal comes; a sender that goes on beyond it is cut off.
constexpr qsizetype DrainFactor = 8;
// TLS 1.2 and 1.3 with ephemeral key exchange and authenticated encryption only.
const char* const TlsPriorities =
    "NONE:+VERS-TLS1.3:+VERS-TLS1.2:+ECDHE-ECDSA:+ECDHE-RSA:+AES-128-GCM:+AES-256-GCM:+CHACHA20-POLY1305:+AEAD:"
    "+SIGN-ALL:+GROUP-ALL:+COMP-NULL:+CTYPE-X509:%SERVER_PRECEDENCE";

[[noreturn]] void cannotStart(const QString& reason) {
    throw KestrivoError(ErrorNumber::FileAccess, reason);
}

// What the library said last about why it would not start.
struct LibraryLog {
    QMutex mutex;
    QString last;
};

void logLibrary(void* log, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    auto* kept = static_cast<LibraryLog*>(log);
    const QMutexLocker locker(&kept->mutex);
    kept->last = QString::fromLocal8Bit(text).trimmed();
}

LibraryLog& libraryLog() {
    static LibraryLog log;
    return log;
}

int listenSocket(const QHostAddress& address, quint16 port, const QString& shown) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    const bool six = address.protocol() == QAbstractSocket::IPv6Protocol;
    if (six) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &bytes, sizeof bytes);
        in6->sin6_scope_id = address.scopeId().toUInt();
        length = sizeof(sockaddr_in6);
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
        in4->sin_family = AF_INET;
        in4->sin_port = htons(port);
        in4->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof(sockaddr_in);
    }
    const int socket = ::socket(six ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket < 0)
        cannotStart(
            QStringLiteral("Kestrivo cannot listen on %1: %2").arg(shown, QString::fromLocal8Bit(strerror(errno))));
    // Only a socket left waiting by an earlier run may share the port; another server may not.
    const int yes = 1;
    const int no = 0;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (six && address == QHostAddress::AnyIPv6)
        ::setsockopt(socket, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no);
    if (::bind(socket, reinterpret_cast<sockaddr*>(&storage), length) != 0 || ::listen(socket, 128) != 0) {
        const int failure = errno;
        ::close(socket);
        if (failure == EADDRINUSE)
            cannotStart(QStringLiteral("Kestrivo cannot listen on %1: another program uses the port.").arg(shown));
        if (failure == EADDRNOTAVAIL)
            cannotStart(
                QStringLiteral("Kestrivo cannot listen on %1: the address is not one of this PC's.").arg(shown));
        cannotStart(
            QStringLiteral("Kestrivo cannot listen on %1: %2").arg(shown, QString::fromLocal8Bit(strerror(failure))));
    }
    return socket;
}

quint16 boundPort(int socket) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&storage), &length);
    if (storage.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
}

QString senderAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr)
        return QString();
    QHostAddress address(info->client_addr);
    // A phone on IPv4 reaching a dual-stack socket shows as ::ffff:a.b.c.d.
    bool mapped = false;
    const quint32 four = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(four).toString() : address.toString();
}

MHD_Result keep(void* into, MHD_ValueKind, const char* key, const char* value) {
    static_cast<QHash<QByteArray, QByteArray>*>(into)->insert(QByteArray(key).toLower(),
                                                              QByteArray(value ? value : ""));
    return MHD_YES;
}

MHD_Result keepArgument(void* into, MHD_ValueKind, const char* key, const char* value) {
    static_cast<QHash<QByteArray, QByteArray>*>(into)->insert(QByteArray(key), QByteArray(value ? value : ""));
    return MHD_YES;
}

MHD_Result send(MHD_Connection* connection, const HttpDaemon::Response& answer) {
    MHD_Response* response = MHD_create_response_from_buffer(
        size_t(answer.body.size()), const_cast<char*>(answer.body.constData()), MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    if (!answer.contentType.isEmpty())
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.contentType.constData());
    for (const auto& [name, value] : answer.headers)
        MHD_add_response_header(response, name.constData(), value.constData());
    if (answer.close)
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    const MHD_Result queued = MHD_queue_response(connection, unsigned(answer.status), response);
    MHD_destroy_response(response);
    return queued;
}

HttpDaemon::Response failure() {
    return {500,
            QByteArrayLiteral("{\"error\":\"The PC could not answer this request.\"}"),
            QByteArrayLiteral("application/json; charset=utf-8"),
            {},
            true};
}

} // namespace

// The state of one request between the library's calls.
struct HttpDaemon::Context {
    Request request;
    qsizetype arrived = 0;
    bool tooLarge = false;
};

struct HttpDaemonCallbacks {
    static HttpDaemon::Response guardedAnswer(const std::function<HttpDaemon::Response()>& answer) {
        try {
            return answer();
        } catch (...) {
            // The handler logs what it knows; the sender learns nothing of the PC.
            return failure();
        }
    }

    static MHD_Result begin(HttpDaemon& daemon, MHD_Connection* connection, const char* url, const char* method,
                            void** state) {
        auto* context = new HttpDaemon::Context;
        *state = context;
        HttpDaemon::Request& request = context->request;
        request.method = method;
        request.path = url;
        request.address = senderAddress(connection);
        MHD_get_connection_values(connection, MHD_HEADER_KIND, keep, &request.headers);
        MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, keepArgument, &request.arguments);
        const QByteArray length = request.headers.value("content-length");
        request.hasBody = request.headers.contains("transfer-encoding") || (!length.isEmpty() && length != "0");
        daemon.m_deadlines->expect(connection, std::chrono::seconds(HttpDaemon::BodySeconds));

        HttpDaemon::Response early = guardedAnswer([&] {
            return daemon.m_handler.head(request).value_or(HttpDaemon::Response{0, {}, {}, {}, false});
        });
        if (early.status == 0) {
            // A body announced far too large is refused before a byte of it is read; one a little
            // too large is read and dropped, so that the sender hears why.
            bool known = false;
            if (length.toLongLong(&known) <= daemon.m_options.maximumBody * DrainFactor || !known)
                return MHD_YES;
            early = guardedAnswer([&] { return daemon.m_handler.whole(request, true); });
        }
        daemon.m_deadlines->answering(connection);
        // What was not read cannot be skipped: the connection ends after the answer.
        early.close = early.close || request.hasBody;
        return send(connection, early);
    }

    static MHD_Result access(void* owner, MHD_Connection* connection, const char* url, const char* method, const char*,
                             const char* data, size_t* size, void** state) {
        auto& daemon = *static_cast<HttpDaemon*>(owner);
        if (!*state)
            return begin(daemon, connection, url, method, state);
        auto* context = static_cast<HttpDaemon::Context*>(*state);
        if (*size > 0) {
            context->arrived += qsizetype(*size);
            if (context->arrived <= daemon.m_options.maximumBody) {
                context->request.body.append(data, qsizetype(*size));
            } else if (!context->tooLarge) {
                context->tooLarge = true;
                context->request.body = QByteArray();
            }
            *size = 0;
            return context->arrived > daemon.m_options.maximumBody * DrainFactor ? MHD_NO : MHD_YES;
        }
        daemon.m_deadlines->answering(connection);
        HttpDaemon::Response answer =
            guardedAnswer([&] { return daemon.m_handler.whole(context->request, context->tooLarge); });
        answer.close = answer.close || context->tooLarge;
        return send(connection, answer);
    }

    static void completed(void* owner, MHD_Connection* connection, void** state, MHD_RequestTerminationCode) {
        delete static_cast<HttpDaemon::Context*>(*state);
        *state = nullptr;
        // The next request on a kept connection owes its head from now on.
        static_cast<HttpDaemon*>(owner)->m_deadlines->expect(connection, std::chrono::seconds(HttpDaemon::HeadSeconds));
    }

    static void connectionChanged(void* owner, MHD_Connection* connection, void**,
                                  MHD_ConnectionNotificationCode code) {
        auto& deadlines = *static_cast<HttpDaemon*>(owner)->m_deadlines;
        if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
            deadlines.closed(connection);
            return;
        }
        const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        if (info)
            deadlines.opened(connection, info->connect_fd, std::chrono::seconds(HttpDaemon::HeadSeconds));
    }
};

HttpDaemon::HttpDaemon(Handler& handler) : m_handler(handler) {}

HttpDaemon::~HttpDaemon() {
    stop();
}

void HttpDaemon::start(const Options& options) {
    const QString shown = (options.address.protocol() == QAbstractSocket::IPv6Protocol
                               ? QLatin1Char('[') + options.address.toString() + QLatin1Char(']')
                               : options.address.toString()) +
                          QLatin1Char(':') + QString::number(options.port);
    const bool secure = !options.certificateChain.isEmpty();
    int socket = listenSocket(options.address, options.port, shown);
    const quint16 port = boundPort(socket);
    stop();
    m_options = options;
    m_deadlines = std::make_unique<ConnectionDeadlines>();

    QList<MHD_OptionItem> items{
        {MHD_OPTION_EXTERNAL_LOGGER, intptr_t(&logLibrary), &libraryLog()},
        {MHD_OPTION_LISTEN_SOCKET, socket, nullptr},
        {MHD_OPTION_THREAD_POOL_SIZE, intptr_t(options.threads), nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, intptr_t(ConnectionMemory), nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, intptr_t(Connections), nullptr},
        {MHD_OPTION_PER_IP_CONNECTION_LIMIT, intptr_t(ConnectionsPerAddress), nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, intptr_t(IdleSeconds), nullptr},
        {MHD_OPTION_STRICT_FOR_CLIENT, 1, nullptr},
        {MHD_OPTION_NOTIFY_COMPLETED, intptr_t(&HttpDaemonCallbacks::completed), this},
        {MHD_OPTION_NOTIFY_CONNECTION, intptr_t(&HttpDaemonCallbacks::connectionChanged), this}};
    if (secure) {
        items << MHD_OptionItem{MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char*>(m_options.certificateChain.constData())}
              << MHD_OptionItem{MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char*>(m_options.key.constData())}
              << MHD_OptionItem{MHD_OPTION_HTTPS_PRIORITIES, 0, const_cast<char*>(TlsPriorities)};
    }
    items << MHD_OptionItem{MHD_OPTION_END, 0, nullptr};
    const unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ITC | MHD_USE_ERROR_LOG | (secure ? MHD_USE_TLS : 0);
    {
        const QMutexLocker locker(&libraryLog().mutex);
        libraryLog().last.clear();
    }
    m_daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &HttpDaemonCallbacks::access, this, MHD_OPTION_ARRAY,
                                items.data(), MHD_OPTION_END);
    if (!m_daemon) {
        ::close(socket);
        m_deadlines.reset();
        const QMutexLocker locker(&libraryLog().mutex);
        if (secure)
            cannotStart(QStringLiteral("The certificate and key cannot be used together for HTTPS: they must be PEM, "
                                       "the key unencrypted and matching the certificate (%1).")
                            .arg(libraryLog().last));
        cannotStart(QStringLiteral("Kestrivo cannot serve on %1 (%2).").arg(shown, libraryLog().last));
    }
    m_port = port;
}

void HttpDaemon::stop() {
    if (!m_daemon)
        return;
    // The listening socket is handed back first, so that it is closed here and only once.
    const MHD_socket socket = MHD_quiesce_daemon(m_daemon);
    MHD_stop_daemon(m_daemon);
    if (socket != MHD_INVALID_SOCKET)
        ::close(socket);
    m_daemon = nullptr;
    m_deadlines.reset();
}
