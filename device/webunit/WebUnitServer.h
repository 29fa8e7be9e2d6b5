#pragma once

#include "WebUnitFolders.h"
#include "WebUnitService.h"

#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <thread>

namespace httplib {
class Server;
}

// The web unit on the network: the phone page's files under "/" and the HTTP interface of
// WebUnitService under "/api/", over HTTP, or HTTPS when a certificate and key are given.
// Requests are answered on the server's own threads; every /api/ request must carry the
// pairing token ("Authorization: Bearer TOKEN"), else it is answered 401 and touches nothing.
// What the window shows (phones seen, files received) leaves through signals, which reach a
// window on the GUI thread queued.
class WebUnitServer : public QObject {
    Q_OBJECT
public:
    // The largest evaluation a phone may send.
    static constexpr qsizetype MaximumBody = 1024 * 1024;

    WebUnitServer(const WebUnitFolders& folders, QString token, QObject* parent = nullptr);
    ~WebUnitServer() override;

    // Listens on "ADDRESS:PORT" (port 0: any free port), over HTTPS when certificate and key
    // are given, in place of where it listened before. Throws KestrivoError saying why the
    // server cannot start.
    void start(const QString& listen, const QString& certificate = QString(), const QString& key = QString());
    void stop();
    bool isRunning() const { return m_server != nullptr; }
    quint16 port() const { return m_port; }
    bool isSecure() const { return m_secure; }
    // The addresses at which phones open the page, each with the pairing token: for a server
    // on every address of the PC, those of its network interfaces, the loopback one last.
    QStringList addresses() const;

    QString token() const;
    // Phones paired with the old token are refused from the next request on.
    void setToken(const QString& token);

    int phonesSeen() const;
    int filesReceived() const;

Q_SIGNALS:
    void phoneSeen(int phones);
    void fileReceived(const QString& fileName, int files);

private:
    void route(httplib::Server& server);
    bool authorised(const std::string& authorization, const std::string& phone, const std::string& address);

    WebUnitService m_service;
    mutable QMutex m_mutex;
    QString m_token;
    QSet<QString> m_phones;
    int m_files = 0;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    QString m_host;
    quint16 m_port = 0;
    bool m_secure = false;
};
