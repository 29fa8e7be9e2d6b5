#include "WebUnitServing.h"

#include "CertificateAuthority.h"
#include "KestrivoError.h"
#include "WebUnitSettings.h"
#include <QUrl>

namespace {

[[noreturn]] void cannotStart(const QString& reason) {
    throw KestrivoError(ErrorNumber::FileAccess, reason);
}

} // namespace

WebUnitServing::Choice WebUnitServing::fromSettings() {
    Choice choice;
    choice.listen = WebUnitSettings::listen();
    // A server on any free port (as tests start it) gets its installation page on one too.
    choice.installPort = choice.listen.endsWith(QLatin1String(":0")) ? 0 : WebUnitSettings::installPort();
    choice.certificate = WebUnitSettings::certificate();
    choice.key = WebUnitSettings::key();
    choice.authorityFolder = CertificateAuthority::programFolder();
    return choice;
}

WebUnitServing::WebUnitServing(const WebUnitFolders& folders, const QString& token) : m_server(folders, token) {}

WebUnitServing::~WebUnitServing() {
    stop();
}

WebUnitServer::Identity WebUnitServing::identity(const Choice& choice, const QString& host) {
    const bool own = !choice.certificate.isEmpty() || !choice.key.isEmpty();
    if (choice.plainHttp && own)
        cannotStart(QStringLiteral("Plain HTTP and a certificate exclude each other: choose one."));
    if (choice.plainHttp)
        return {};
    if (own)
        return WebUnitServer::readIdentity(choice.certificate, choice.key);
    const CertificateAuthority authority(choice.authorityFolder);
    const CertificateAuthority::Authority made = authority.authority();
    const CertificateAuthority::ServerCertificate issued =
        authority.serverCertificate(WebUnitServer::hosts(host) + authority.localNames());
    m_unreachable = issued.leftOut;
    m_authority = made.certificatePem;
    m_authorityName = made.name;
    m_fingerprint = made.fingerprint;
    return {issued.chainPem, issued.keyPem};
}

void WebUnitServing::start(const Choice& choice) {
    stop();
    QString host;
    int port = 0;
    if (!WebUnitServer::splitListen(choice.listen, host, port))
        cannotStart(QStringLiteral("The listen address \"%1\" is not ADDRESS:PORT (for example 0.0.0.0:8080).")
                        .arg(choice.listen));
    try {
        m_server.start(choice.listen, identity(choice, host));
        m_host = host;
        if (m_authority.isEmpty())
            return;
        m_install =
            std::make_unique<InstallPage>(m_authority, m_authorityName, m_fingerprint,
                                          CertificateAuthority(choice.authorityFolder).hostName(), m_server.port());
        const QString bracketed = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
        m_install->start(bracketed + QLatin1Char(':') + QString::number(choice.installPort));
    } catch (const KestrivoError&) {
        stop();
        throw;
    }
}

void WebUnitServing::stop() {
    m_install.reset();
    m_server.stop();
    m_authority.clear();
    m_authorityName.clear();
    m_fingerprint.clear();
    m_unreachable.clear();
}

QStringList WebUnitServing::addresses() const {
    QStringList reachable;
    for (const QString& address : m_server.addresses()) {
        if (!m_unreachable.contains(QUrl(address).host()))
            reachable << address;
    }
    return reachable;
}

QString WebUnitServing::unreachableText() const {
    if (m_unreachable.isEmpty())
        return QString();
    return QStringLiteral("Phones cannot open the page over HTTPS at %1: this PC's certificate authority vouches only "
                          "for addresses of a private network. Use a certificate of your own for them, or plain HTTP.")
        .arg(m_unreachable.join(QStringLiteral(", ")));
}

QStringList WebUnitServing::installAddresses() const {
    QStringList addresses;
    if (!m_install)
        return addresses;
    for (const QString& host : WebUnitServer::hosts(m_host)) {
        if (!m_unreachable.contains(host))
            addresses << m_install->address(host);
    }
    return addresses;
}
