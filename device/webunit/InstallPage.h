#pragma once

#include "HttpDaemon.h"

#include <QByteArray>
#include <QString>

// The installation page: over plain HTTP on a port of its own, it serves only the certificate of
// the PC's own certificate authority and the steps that make a phone trust it, with its
// fingerprint to compare and a link to the HTTPS page. It has no API and never shows the pairing
// token, which must not cross the network in clear.
class InstallPage : private HttpDaemon::Handler {
public:
    static inline const QByteArray CertificatePath = QByteArrayLiteral("/kestrivo-ca.crt");

    // authorityPem: the CA certificate; authorityName: its name as a phone lists it; httpsPort:
    // where the page is served over HTTPS.
    InstallPage(QByteArray authorityPem, QString authorityName, QString fingerprint, QString pcName, quint16 httpsPort);
    ~InstallPage() override;

    // Listens on ADDRESS:PORT. Throws KestrivoError saying why it cannot.
    void start(const QString& listen);
    void stop() { m_daemon.stop(); }
    quint16 port() const { return m_daemon.port(); }
    // The page's address at each host, for a QR code.
    QString address(const QString& host) const;

private:
    std::optional<HttpDaemon::Response> head(const HttpDaemon::Request& request) override;
    HttpDaemon::Response whole(const HttpDaemon::Request& request, bool bodyTooLarge) override;
    QByteArray page(const QByteArray& hostHeader) const;

    QByteArray m_authority;
    QString m_authorityName;
    QString m_fingerprint;
    QString m_pcName;
    quint16 m_httpsPort;
    HttpDaemon m_daemon{*this};
};
