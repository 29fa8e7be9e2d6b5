#include "CertificateAuthority.h"

#include "Certificates.h"
#include "KestrivoError.h"
#include "ProgramSettings.h"

#include <algorithm>
#include <openssl/err.h>
#include <openssl/x509.h>

using namespace Certificates;

namespace {

const QString AuthorityKeyFile = QStringLiteral("authority.key");
const QString AuthorityCertificateFile = QStringLiteral("authority.pem");
const QString ServerKeyFile = QStringLiteral("server.key");
const QString ServerChainFile = QStringLiteral("server-chain.pem");

constexpr mode_t OwnerOnly = 0600;
constexpr mode_t Public = 0644;

KestrivoError authorityError(const QString& text) {
    return KestrivoError(ErrorNumber::General, text, QStringLiteral("CertificateAuthority"));
}

bool keyFits(X509* certificate, EVP_PKEY* key) {
    const bool fits = X509_check_private_key(certificate, key) == 1;
    ERR_clear_error();
    return fits;
}

QStringList texts(const QList<HostName>& names) {
    QStringList list;
    for (const HostName& name : names)
        list << name.text;
    return list;
}

bool sameNames(const QList<HostName>& one, const QList<HostName>& other) {
    auto sorted = [](const QList<HostName>& names) {
        QStringList keys;
        for (const HostName& name : names)
            keys << (name.address ? QStringLiteral("IP:") : QStringLiteral("DNS:")) + name.text;
        keys.sort();
        keys.removeDuplicates();
        return keys;
    };
    return sorted(one) == sorted(other);
}

} // namespace

struct CertificateAuthority::Loaded {
    Key key;
    Certificate certificate;
    QByteArray pem;
};

CertificateAuthority::CertificateAuthority(QString folder, QString hostName)
    : m_folder(std::move(folder)), m_hostName(hostName.isEmpty() ? QStringLiteral("localhost") : std::move(hostName)) {}

QString CertificateAuthority::programFolder() {
    return programSettings().DataPath + QStringLiteral("webunit/");
}

QStringList CertificateAuthority::localNames() const {
    QStringList names{m_hostName};
    const QString shortName = m_hostName.section(QLatin1Char('.'), 0, 0);
    if (shortName != QLatin1String("localhost"))
        names << shortName + QStringLiteral(".local");
    names << QStringLiteral("localhost");
    names.removeDuplicates();
    return names;
}

// Called with the folder locked. The key is made once and kept; the certificate is made from it
// whenever it is missing, damaged, not the key's, or near its end. Writing the key first means
// that a crash in between leaves a key without certificate, which the next call completes.
CertificateAuthority::Loaded CertificateAuthority::loadAuthority(const QDateTime& now) const {
    Loaded loaded;
    const std::optional<QByteArray> keyText = m_folder.read(AuthorityKeyFile);
    const std::optional<QByteArray> certificateText = m_folder.read(AuthorityCertificateFile);
    if (keyText) {
        loaded.key = readKey(*keyText);
        if (!loaded.key)
            throw authorityError(
                QStringLiteral("The key of this PC's certificate authority, %1, is damaged. Delete it and %2 to make "
                               "a new certificate authority; each phone must then install its certificate again.")
                    .arg(m_folder.filePath(AuthorityKeyFile), m_folder.filePath(AuthorityCertificateFile)));
    } else if (certificateText) {
        throw authorityError(
            QStringLiteral("The key of this PC's certificate authority, %1, is missing, so it can vouch for no "
                           "server. Delete %2 too to make a new certificate authority; each phone must then install "
                           "its certificate again.")
                .arg(m_folder.filePath(AuthorityKeyFile), m_folder.filePath(AuthorityCertificateFile)));
    } else {
        loaded.key = makeKey();
        m_folder.write(AuthorityKeyFile, keyPem(loaded.key.get()), OwnerOnly);
    }
    if (certificateText)
        loaded.certificate = readCertificate(*certificateText);
    if (loaded.certificate && keyFits(loaded.certificate.get(), loaded.key.get()) &&
        notAfter(loaded.certificate.get()) > now.addDays(RenewalDays)) {
        loaded.pem = *certificateText;
        return loaded;
    }
    loaded.certificate =
        makeAuthority(loaded.key.get(), m_hostName, now.addSecs(-3600 * BackdatedHours), AuthorityDays);
    loaded.pem = certificatePem(loaded.certificate.get());
    m_folder.write(AuthorityCertificateFile, loaded.pem, Public);
    return loaded;
}

CertificateAuthority::Authority CertificateAuthority::authority(const QDateTime& now) const {
    m_folder.create();
    const PrivateFolder::Lock lock = m_folder.lock();
    const Loaded loaded = loadAuthority(now);
    X509* certificate = loaded.certificate.get();
    char name[256] = "";
    X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName, name, sizeof name);
    return {loaded.pem, m_folder.filePath(AuthorityCertificateFile), QString::fromUtf8(name), fingerprint(certificate),
            notAfter(certificate)};
}

CertificateAuthority::ServerCertificate CertificateAuthority::serverCertificate(const QStringList& hosts,
                                                                                const QDateTime& now) const {
    m_folder.create();
    const PrivateFolder::Lock lock = m_folder.lock();
    const Loaded authority = loadAuthority(now);
    const Permitted permitted(authority.certificate.get());
    QList<HostName> names;
    QStringList leftOut;
    for (const QString& host : hosts) {
        const std::optional<HostName> name = parseHost(host);
        if (name && permitted.permits(*name)) {
            if (!names.contains(*name))
                names << *name;
        } else if (!leftOut.contains(host)) {
            leftOut << host;
        }
    }
    if (names.isEmpty())
        throw authorityError(
            QStringLiteral("This PC's certificate authority may vouch for none of these addresses: %1. It vouches "
                           "only for loopback and private network addresses, names ending in \".local\" and the name "
                           "of the PC. Serve on such an address, or give a certificate and key of your own.")
                .arg(hosts.isEmpty() ? QStringLiteral("(none)") : hosts.join(QStringLiteral(", "))));
    ServerCertificate server = reuse(authority, names, now);
    if (server.chainPem.isEmpty())
        server = issue(authority, names, now);
    server.names = texts(names);
    server.leftOut = leftOut;
    return server;
}

// The certificate issued before, when it is whole, the authority's, for the same names and not
// near its end; an empty one otherwise.
CertificateAuthority::ServerCertificate
CertificateAuthority::reuse(const Loaded& authority, const QList<HostName>& names, const QDateTime& now) const {
    const std::optional<QByteArray> keyText = m_folder.read(ServerKeyFile);
    const std::optional<QByteArray> chainText = m_folder.read(ServerChainFile);
    if (!keyText || !chainText)
        return {};
    const Key key = readKey(*keyText);
    const Certificate certificate = readCertificate(*chainText);
    if (!key || !certificate || !keyFits(certificate.get(), key.get()))
        return {};
    const bool signedByAuthority = X509_verify(certificate.get(), authority.key.get()) == 1;
    ERR_clear_error();
    if (!signedByAuthority || *chainText != certificatePem(certificate.get()) + authority.pem ||
        !sameNames(alternativeNames(certificate.get()), names) || notBefore(certificate.get()) > now ||
        notAfter(certificate.get()) <= now.addDays(RenewalDays))
        return {};
    ServerCertificate server;
    server.chainPem = *chainText;
    server.keyPem = *keyText;
    server.chainFile = m_folder.filePath(ServerChainFile);
    server.keyFile = m_folder.filePath(ServerKeyFile);
    server.expires = notAfter(certificate.get());
    return server;
}

// A new key and certificate. The key is written first: a crash in between leaves a chain that
// does not fit the key, which the next call replaces.
CertificateAuthority::ServerCertificate
CertificateAuthority::issue(const Loaded& authority, const QList<HostName>& names, const QDateTime& now) const {
    const Key key = makeKey();
    const QDateTime from = now.addSecs(-3600 * BackdatedHours);
    const QDateTime until = std::min(from.addDays(ServerDays), notAfter(authority.certificate.get()));
    const Certificate certificate = makeServer(key.get(), QStringLiteral("Kestrivo web unit on ") + m_hostName, names,
                                               authority.certificate.get(), authority.key.get(), from, until);
    ServerCertificate server;
    server.keyPem = keyPem(key.get());
    server.chainPem = certificatePem(certificate.get()) + authority.pem;
    server.chainFile = m_folder.filePath(ServerChainFile);
    server.keyFile = m_folder.filePath(ServerKeyFile);
    server.expires = notAfter(certificate.get());
    m_folder.write(ServerKeyFile, server.keyPem, OwnerOnly);
    m_folder.write(ServerChainFile, server.chainPem, Public);
    return server;
}
