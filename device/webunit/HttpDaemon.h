#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>
#include <optional>

struct MHD_Daemon;
class ConnectionDeadlines;

// An HTTP(S) server over GNU libmicrohttpd with the limits that keep a hostile device on the same
// network from costing the PC anything: every connection has a memory cap that its headers must
// fit in, one address may hold only a few connections, a request must arrive whole within a
// deadline however slowly it trickles in, a body is read only when the handler asked for it and
// only up to its limit, and stop() closes every connection at once. Requests are answered on the
// server's own threads.
class HttpDaemon {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers;   // names in lower case
        QHash<QByteArray, QByteArray> arguments; // of the query
        QString address;                         // of the sender
        bool hasBody = false;                    // announced by Content-Length or chunked encoding
        QByteArray body;
    };
    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray contentType;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool close = false; // the connection ends after this answer
    };
    class Handler {
    public:
        virtual ~Handler() = default;
        // The request's head has arrived. An answer goes out at once without reading the body,
        // and the connection then ends; no answer means the body is to be read.
        virtual std::optional<Response> head(const Request& request) = 0;
        // The whole request, its body read. bodyTooLarge: the body passed maximumBody and was
        // dropped.
        virtual Response whole(const Request& request, bool bodyTooLarge) = 0;
    };
    struct Options {
        QHostAddress address;
        quint16 port = 0;            // 0: any free port
        QByteArray certificateChain; // PEM; empty for plain HTTP
        QByteArray key;              // PEM, unencrypted
        qsizetype maximumBody = 1024 * 1024;
        unsigned threads = 4;
    };

    explicit HttpDaemon(Handler& handler);
    ~HttpDaemon();
    HttpDaemon(const HttpDaemon&) = delete;
    HttpDaemon& operator=(const HttpDaemon&) = delete;

    // Listens in place of where it listened before. Throws KestrivoError saying why it cannot,
    // leaving a running daemon as it was.
    void start(const Options& options);
    void stop();
    bool isRunning() const { return m_daemon != nullptr; }
    quint16 port() const { return m_port; }

    // What a request from one address may hold, for those who test the limits.
    static constexpr unsigned ConnectionsPerAddress = 16;
    static constexpr size_t ConnectionMemory = 32 * 1024;
    static constexpr int HeadSeconds = 10;
    static constexpr int BodySeconds = 60;

private:
    struct Context;
    friend struct HttpDaemonCallbacks;

    Handler& m_handler;
    Options m_options;
    MHD_Daemon* m_daemon = nullptr;
    std::unique_ptr<ConnectionDeadlines> m_deadlines;
    quint16 m_port = 0;
};
