#pragma once

#include "HttpDaemon.h"
#include "WebUnitFolders.h"
#include "WebUnitService.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

// The web unit on the network: the phone page's files under "/" and the HTTP interface of
// WebUnitService under "/api/", over HTTPS, or plain HTTP when no certificate is given. Every
// /api/ request, known or not, must carry the pairing token ("Authorization: Bearer TOKEN"),
// else it is answered 401, touches nothing and is counted against its sender's address. Only the
// page's files are served to GET, and only /api/evaluations takes a body. What the window shows
// (phones seen, files received, refused senders) leaves through signals, which reach a window on
// the GUI thread queued.
class WebUnitServer : public QObject, private HttpDaemon::Handler {
    Q_OBJECT
public:
    // The largest evaluation a phone may send, in megabytes, as the refusal names it.
    static constexpr int MaximumBodyMegabytes = 1;
    static constexpr qsizetype MaximumBody = qsizetype(MaximumBodyMegabytes) * 1024 * 1024;
    // How often at most each sender without the token is reported.
    static constexpr int UnpairedReportSeconds = 60;

    // What HTTPS needs: the server's certificate (followed by its issuers) and its key, as PEM.
    struct Identity {
        QByteArray certificateChain;
        QByteArray key;
        bool isEmpty() const { return certificateChain.isEmpty(); }
    };

    WebUnitServer(const WebUnitFolders& folders, QString token, QObject* parent = nullptr);
    ~WebUnitServer() override;

    // Listens on "ADDRESS:PORT" (port 0: any free port), over HTTPS with the identity, in place
    // of where it listened before. Throws KestrivoError saying why the server cannot start.
    void start(const QString& listen, const Identity& identity = Identity());
    // The same with a certificate and key read from PEM files, for a company's own.
    void start(const QString& listen, const QString& certificate, const QString& key);
    // Ends at once, whatever the connections still open are doing.
    void stop();
    bool isRunning() const { return m_daemon.isRunning(); }
    quint16 port() const { return m_daemon.port(); }
    bool isSecure() const { return m_secure; }
    // The addresses at which phones open the page, each with the pairing token: for a server
    // on every address of the PC, those of its network interfaces, the loopback one last.
    QStringList addresses() const;
    // The same addresses without the page and token, as hosts a certificate must name.
    static QStringList hosts(const QString& listenAddress);

    QString token() const;
    // Phones paired with the old token are refused from the next request on.
    void setToken(const QString& token);

    int phonesSeen() const;
    int filesReceived() const;
    // "N requests without the pairing token from ADDRESS".
    static QString unpairedText(const QString& address, int requests);
    // For tests that cannot wait a minute between reports.
    void setUnpairedReportInterval(int milliseconds);

    // Reads a certificate and key from PEM files. Throws KestrivoError naming what is wrong.
    static Identity readIdentity(const QString& certificate, const QString& key);
    // "ADDRESS:PORT" split, the address of IPv6 in brackets; false when it is not one.
    static bool splitListen(const QString& listen, QString& host, int& port);

Q_SIGNALS:
    void phoneSeen(int phones);
    void fileReceived(const QString& fileName, int files);
    // requests: all refused from address since the server started.
    void unpairedRequests(const QString& address, int requests);

private:
    struct Unpaired {
        int requests = 0;
        int reported = 0;
        qint64 reportedAt = 0; // msecs since the epoch
    };

    std::optional<HttpDaemon::Response> head(const HttpDaemon::Request& request) override;
    HttpDaemon::Response whole(const HttpDaemon::Request& request, bool bodyTooLarge) override;
    // One handler for each kind of request.
    HttpDaemon::Response pageFile(const HttpDaemon::Request& request);
    HttpDaemon::Response api(const HttpDaemon::Request& request);
    HttpDaemon::Response templateList(const HttpDaemon::Request& request);
    HttpDaemon::Response templateFile(const HttpDaemon::Request& request);
    HttpDaemon::Response receive(const HttpDaemon::Request& request, bool bodyTooLarge);
    bool paired(const HttpDaemon::Request& request);
    void reportUnpaired();

    WebUnitService m_service;
    HttpDaemon m_daemon{*this};
    mutable QMutex m_mutex;
    QString m_token;
    QSet<QString> m_phones;
    int m_files = 0;
    QHash<QString, Unpaired> m_unpaired;
    int m_unpairedInterval = UnpairedReportSeconds * 1000;
    QTimer m_unpairedTimer;
    QString m_host;
    bool m_secure = false;
};
