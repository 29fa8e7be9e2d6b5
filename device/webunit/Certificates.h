#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <openssl/types.h>
#include <optional>

// The pieces of X.509 that Kestrivo's certificate authority is made of, over OpenSSL's library.
// Functions that build something throw KestrivoError when OpenSSL fails; functions that read
// answer nothing (a null pointer, an empty value) for bytes they cannot understand.
namespace Certificates {

struct KeyFree {
    void operator()(EVP_PKEY* key) const;
};
struct CertificateFree {
    void operator()(X509* certificate) const;
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Certificate = std::unique_ptr<X509, CertificateFree>;

// A name a certificate can carry for a server: an IP address (in Qt's text form) or a DNS name
// (lower case, no trailing dot).
struct HostName {
    bool address = false;
    QString text;
    bool operator==(const HostName&) const = default;
};
// The host name of an address or a DNS name as a user or a network interface writes it
// ("[fe80::1%eth0]", "::ffff:10.0.0.5", "PC.local."); nothing for anything else.
std::optional<HostName> parseHost(const QString& text);

// A new ECDSA key on the curve P-256.
Key makeKey();
QByteArray keyPem(EVP_PKEY* key);
Key readKey(const QByteArray& pem);

QByteArray certificatePem(X509* certificate);
// The first certificate of the PEM text.
Certificate readCertificate(const QByteArray& pem);
// "AB:CD:…": the SHA-256 digest of the certificate, as phones show it.
QString fingerprint(X509* certificate);
QDateTime notBefore(X509* certificate);
QDateTime notAfter(X509* certificate);
// The certificate's subject alternative names that are IP addresses or DNS names.
QList<HostName> alternativeNames(X509* certificate);

// What a certificate authority may vouch for: the subtrees its name constraints permit. An
// authority without name constraints permits every name.
class Permitted {
public:
    explicit Permitted(X509* authority);
    bool permits(const HostName& name) const;

private:
    bool m_constrained = false;
    QStringList m_domains;
    QList<QByteArray> m_ranges; // address then mask, 8 or 32 bytes
};

// The authority's self-signed certificate for the key, valid from notBefore for this many days.
// Its name constraints permit loopback and private addresses, the DNS subtrees "local" and
// "localhost", and the host name when it is a DNS name.
Certificate makeAuthority(EVP_PKEY* key, const QString& hostName, const QDateTime& notBefore, int days);

// A server certificate for the key and these names, signed by the authority.
Certificate makeServer(EVP_PKEY* key, const QString& subjectName, const QList<HostName>& names, X509* authority,
                       EVP_PKEY* authorityKey, const QDateTime& notBefore, const QDateTime& notAfter);

} // namespace Certificates
