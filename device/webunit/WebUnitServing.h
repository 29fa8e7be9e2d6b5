#pragma once

#include "InstallPage.h"
#include "WebUnitServer.h"

#include <QString>
#include <QStringList>
#include <memory>

// The web unit as it serves phones: its server over HTTPS with this PC's own certificate
// authority, whose installation page then serves beside it, or with a company's own certificate,
// or over plain HTTP on purpose.
class WebUnitServing {
public:
    struct Choice {
        QString listen;          // ADDRESS:PORT of the page
        quint16 installPort = 0; // of the installation page, on the same address; 0: any
        QString certificate;     // a company's own certificate and key, PEM files
        QString key;
        bool plainHttp = false;  // neither: the token crosses the network in clear
        QString authorityFolder; // where the PC's own authority lives
    };

    static inline const QString PlainHttpWarning =
        QStringLiteral("Plain HTTP: the pairing token crosses the network in clear text, and the page cannot work "
                       "offline after a reload.");

    // What the settings choose: listen address, a company's certificate, the PC's authority.
    static Choice fromSettings();

    WebUnitServing(const WebUnitFolders& folders, const QString& token);
    ~WebUnitServing();

    // Starts the server, and with the PC's authority its installation page. Throws KestrivoError
    // saying why not, with nothing left running.
    void start(const Choice& choice);
    void stop();

    // The addresses at which phones open the page, with its token: those the certificate names.
    QStringList addresses() const;
    // Addresses of the PC that the PC's own authority may not vouch for (not of a private
    // network): phones cannot open the page there over HTTPS.
    const QStringList& unreachableHosts() const { return m_unreachable; }
    QString unreachableText() const;

    WebUnitServer& server() { return m_server; }
    const WebUnitServer& server() const { return m_server; }
    // With the PC's own authority: the installation page's address at each of the server's hosts,
    // the authority's name and its certificate's fingerprint; else empty.
    QStringList installAddresses() const;
    const QString& authorityName() const { return m_authorityName; }
    const QString& fingerprint() const { return m_fingerprint; }

private:
    WebUnitServer::Identity identity(const Choice& choice, const QString& host);

    WebUnitServer m_server;
    std::unique_ptr<InstallPage> m_install;
    QByteArray m_authority;
    QString m_authorityName;
    QString m_fingerprint;
    QString m_host;
    QStringList m_unreachable;
};
