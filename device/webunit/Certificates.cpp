#include "Certificates.h"

#include "KestrivoError.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

namespace Certificates {

namespace {

struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioFree>;

// What the authority may vouch for, besides the host name: loopback, private and link-local
// addresses, and names that no public registry hands out. A stolen key then fools no phone for
// any public site.
const char* const PermittedAddresses[] = {"127.0.0.0/8",    "10.0.0.0/8", "172.16.0.0/12", "192.168.0.0/16",
                                          "169.254.0.0/16", "::1/128",    "fc00::/7",      "fe80::/10"};
const char* const PermittedDomains[] = {"local", "localhost"};

// The longest common name that X.500 allows.
constexpr int CommonNameLength = 64;

void require(bool done, const char* what) {
    if (done)
        return;
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    char reason[256] = "no reason given";
    if (code != 0)
        ERR_error_string_n(code, reason, sizeof reason);
    throw KestrivoError(ErrorNumber::General,
                        QStringLiteral("A certificate cannot be made (%1): %2.")
                            .arg(QString::fromLatin1(what), QString::fromLatin1(reason)),
                        QStringLiteral("OpenSSL"));
}

// Reading never prompts for a pass phrase: the keys are stored without one.
int noPassPhrase(char*, int, int, void*) {
    return 0;
}

Bio readFrom(const QByteArray& bytes) {
    return Bio(BIO_new_mem_buf(bytes.constData(), int(bytes.size())));
}

QByteArray written(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return QByteArray(data, qsizetype(size));
}

QDateTime timeOf(const ASN1_TIME* time) {
    tm broken{};
    if (!time || ASN1_TIME_to_tm(time, &broken) != 1)
        return {};
    return QDateTime::fromSecsSinceEpoch(qint64(timegm(&broken)), Qt::UTC);
}

// A subnet in the form that OpenSSL's name constraints take: "ADDRESS/MASK".
QString maskedForm(const QString& subnet) {
    const QPair<QHostAddress, int> parsed = QHostAddress::parseSubnet(subnet);
    Q_IPV6ADDR mask{};
    for (int bit = 0; bit < parsed.second; ++bit)
        mask.c[bit / 8] |= quint8(0x80 >> (bit % 8));
    const QHostAddress maskAddress = parsed.first.protocol() == QHostAddress::IPv4Protocol
                                         ? QHostAddress(qFromBigEndian<quint32>(mask.c))
                                         : QHostAddress(mask);
    return parsed.first.toString() + QLatin1Char('/') + maskAddress.toString();
}

QString nameConstraints(const QString& hostName) {
    QStringList subtrees;
    for (const char* subnet : PermittedAddresses)
        subtrees << QStringLiteral("permitted;IP:") + maskedForm(QString::fromLatin1(subnet));
    QStringList domains;
    for (const char* domain : PermittedDomains)
        domains << QString::fromLatin1(domain);
    const std::optional<HostName> host = parseHost(hostName);
    if (host && !host->address && !domains.contains(host->text))
        domains << host->text;
    for (const QString& domain : domains)
        subtrees << QStringLiteral("permitted;DNS:") + domain;
    return QStringLiteral("critical,") + subtrees.join(QLatin1Char(','));
}

QString subjectAlternativeNames(const QList<HostName>& names) {
    QStringList entries;
    for (const HostName& name : names)
        entries << (name.address ? QStringLiteral("IP:") : QStringLiteral("DNS:")) + name.text;
    return entries.join(QLatin1Char(','));
}

void addExtension(X509* certificate, X509V3_CTX* context, int nid, const QString& value) {
    X509_EXTENSION* extension = X509V3_EXT_nconf_nid(nullptr, context, nid, value.toLatin1().constData());
    require(extension != nullptr, OBJ_nid2sn(nid));
    const int added = X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    require(added == 1, OBJ_nid2sn(nid));
}

X509_NAME* nameOf(const QString& commonName) {
    X509_NAME* name = X509_NAME_new();
    require(name != nullptr, "name");
    const QByteArray common = commonName.left(CommonNameLength).toUtf8();
    const bool made =
        X509_NAME_add_entry_by_NID(name, NID_organizationName, MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>("Kestrivo"), -1, -1, 0) == 1 &&
        X509_NAME_add_entry_by_NID(name, NID_commonName, MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(common.constData()), -1, -1, 0) == 1;
    if (!made)
        X509_NAME_free(name);
    require(made, "name");
    return name;
}

// A certificate with everything but its extensions and signature: version 3, a random serial
// of 128 bits, the subject, the public key and the validity.
Certificate startCertificate(EVP_PKEY* key, const QString& commonName, const QDateTime& from, const QDateTime& until) {
    Certificate certificate(X509_new());
    require(certificate != nullptr, "certificate");
    X509* x = certificate.get();
    std::unique_ptr<BIGNUM, decltype(&BN_free)> serial(BN_new(), BN_free);
    require(serial && BN_rand(serial.get(), 128, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ANY) == 1 &&
                BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(x)) != nullptr,
            "serial number");
    X509_NAME* subject = nameOf(commonName);
    const bool named = X509_set_subject_name(x, subject) == 1;
    X509_NAME_free(subject);
    require(named && X509_set_version(x, X509_VERSION_3) == 1 && X509_set_pubkey(x, key) == 1 &&
                ASN1_TIME_set(X509_getm_notBefore(x), time_t(from.toSecsSinceEpoch())) != nullptr &&
                ASN1_TIME_set(X509_getm_notAfter(x), time_t(until.toSecsSinceEpoch())) != nullptr,
            "subject and validity");
    return certificate;
}

} // namespace

void KeyFree::operator()(EVP_PKEY* key) const {
    EVP_PKEY_free(key);
}

void CertificateFree::operator()(X509* certificate) const {
    X509_free(certificate);
}

std::optional<HostName> parseHost(const QString& text) {
    QString host = text.trimmed();
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    QHostAddress address;
    if (address.setAddress(host)) {
        address.setScopeId(QString());
        bool mapped = false;
        const quint32 v4 = address.toIPv4Address(&mapped);
        return HostName{true, mapped ? QHostAddress(v4).toString() : address.toString()};
    }
    if (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    host = host.toLower();
    static const QRegularExpression Label(QStringLiteral("^[a-z0-9]([a-z0-9-]{0,61}[a-z0-9])?$"));
    const QStringList labels = host.split(QLatin1Char('.'));
    if (host.size() > 253 ||
        !std::all_of(labels.begin(), labels.end(), [](const QString& label) { return Label.match(label).hasMatch(); }))
        return std::nullopt;
    return HostName{false, host};
}

Key makeKey() {
    Key key(EVP_EC_gen("P-256"));
    require(key != nullptr, "P-256 key");
    return key;
}

QByteArray keyPem(EVP_PKEY* key) {
    Bio bio(BIO_new(BIO_s_mem()));
    require(bio && PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1, "key");
    return written(bio.get());
}

Key readKey(const QByteArray& pem) {
    Bio bio = readFrom(pem);
    Key key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, noPassPhrase, nullptr) : nullptr);
    ERR_clear_error();
    if (key && !EVP_PKEY_is_a(key.get(), "EC"))
        key.reset();
    return key;
}

QByteArray certificatePem(X509* certificate) {
    Bio bio(BIO_new(BIO_s_mem()));
    require(bio && PEM_write_bio_X509(bio.get(), certificate) == 1, "PEM");
    return written(bio.get());
}

Certificate readCertificate(const QByteArray& pem) {
    Bio bio = readFrom(pem);
    Certificate certificate(bio ? PEM_read_bio_X509(bio.get(), nullptr, noPassPhrase, nullptr) : nullptr);
    ERR_clear_error();
    return certificate;
}

QString fingerprint(X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    require(X509_digest(certificate, EVP_sha256(), digest, &size) == 1, "fingerprint");
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), size).toHex(':').toUpper());
}

QDateTime notBefore(X509* certificate) {
    return timeOf(X509_get0_notBefore(certificate));
}

QDateTime notAfter(X509* certificate) {
    return timeOf(X509_get0_notAfter(certificate));
}

QList<HostName> alternativeNames(X509* certificate) {
    QList<HostName> names;
    auto* general = static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
    for (int i = 0; general && i < sk_GENERAL_NAME_num(general); ++i) {
        const GENERAL_NAME* name = sk_GENERAL_NAME_value(general, i);
        int type = 0;
        const auto* value = static_cast<const ASN1_STRING*>(GENERAL_NAME_get0_value(name, &type));
        const QByteArray bytes(reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)), ASN1_STRING_length(value));
        std::optional<HostName> host;
        if (type == GEN_DNS)
            host = parseHost(QString::fromLatin1(bytes));
        else if (type == GEN_IPADD && bytes.size() == 4)
            host = HostName{true, QHostAddress(qFromBigEndian<quint32>(bytes.constData())).toString()};
        else if (type == GEN_IPADD && bytes.size() == 16)
            host = HostName{true, QHostAddress(reinterpret_cast<const quint8*>(bytes.constData())).toString()};
        if (host)
            names << *host;
    }
    GENERAL_NAMES_free(general);
    return names;
}

Permitted::Permitted(X509* authority) {
    auto* constraints =
        static_cast<NAME_CONSTRAINTS*>(X509_get_ext_d2i(authority, NID_name_constraints, nullptr, nullptr));
    for (int i = 0; constraints && i < sk_GENERAL_SUBTREE_num(constraints->permittedSubtrees); ++i) {
        const GENERAL_NAME* base = sk_GENERAL_SUBTREE_value(constraints->permittedSubtrees, i)->base;
        if (base->type == GEN_DNS)
            m_domains << QString::fromLatin1(reinterpret_cast<const char*>(ASN1_STRING_get0_data(base->d.dNSName)),
                                             ASN1_STRING_length(base->d.dNSName))
                             .toLower();
        else if (base->type == GEN_IPADD)
            m_ranges << QByteArray(reinterpret_cast<const char*>(ASN1_STRING_get0_data(base->d.iPAddress)),
                                   ASN1_STRING_length(base->d.iPAddress));
    }
    NAME_CONSTRAINTS_free(constraints);
}

// The rules of RFC 5280 for the two kinds of names: a name type with no permitted subtree is not
// constrained; a DNS subtree holds its base and every name below it.
bool Permitted::permits(const HostName& name) const {
    if (!name.address) {
        return m_domains.isEmpty() || std::any_of(m_domains.begin(), m_domains.end(), [&](const QString& domain) {
                   return name.text == domain || name.text.endsWith(QLatin1Char('.') + domain);
               });
    }
    if (m_ranges.isEmpty())
        return true;
    const QHostAddress address(name.text);
    QByteArray bytes;
    if (address.protocol() == QHostAddress::IPv4Protocol) {
        bytes.resize(4);
        qToBigEndian(address.toIPv4Address(), bytes.data());
    } else {
        const Q_IPV6ADDR v6 = address.toIPv6Address();
        bytes = QByteArray(reinterpret_cast<const char*>(v6.c), 16);
    }
    return std::any_of(m_ranges.begin(), m_ranges.end(), [&](const QByteArray& range) {
        if (range.size() != 2 * bytes.size())
            return false;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const char mask = range.at(bytes.size() + i);
            if ((bytes.at(i) & mask) != (range.at(i) & mask))
                return false;
        }
        return true;
    });
}

Certificate makeAuthority(EVP_PKEY* key, const QString& hostName, const QDateTime& notBefore, int days) {
    Certificate certificate =
        startCertificate(key, QStringLiteral("Kestrivo on ") + hostName, notBefore, notBefore.addDays(days));
    X509* x = certificate.get();
    require(X509_set_issuer_name(x, X509_get_subject_name(x)) == 1, "issuer");
    X509V3_CTX context;
    X509V3_set_ctx(&context, x, x, nullptr, nullptr, 0);
    addExtension(x, &context, NID_basic_constraints, QStringLiteral("critical,CA:TRUE,pathlen:0"));
    addExtension(x, &context, NID_key_usage, QStringLiteral("critical,keyCertSign,cRLSign"));
    addExtension(x, &context, NID_subject_key_identifier, QStringLiteral("hash"));
    addExtension(x, &context, NID_name_constraints, nameConstraints(hostName));
    require(X509_sign(x, key, EVP_sha256()) > 0, "signature");
    return certificate;
}

Certificate makeServer(EVP_PKEY* key, const QString& subjectName, const QList<HostName>& names, X509* authority,
                       EVP_PKEY* authorityKey, const QDateTime& notBefore, const QDateTime& notAfter) {
    Certificate certificate = startCertificate(key, subjectName, notBefore, notAfter);
    X509* x = certificate.get();
    require(X509_set_issuer_name(x, X509_get_subject_name(authority)) == 1, "issuer");
    X509V3_CTX context;
    X509V3_set_ctx(&context, authority, x, nullptr, nullptr, 0);
    addExtension(x, &context, NID_basic_constraints, QStringLiteral("critical,CA:FALSE"));
    addExtension(x, &context, NID_key_usage, QStringLiteral("critical,digitalSignature"));
    addExtension(x, &context, NID_ext_key_usage, QStringLiteral("serverAuth"));
    addExtension(x, &context, NID_subject_key_identifier, QStringLiteral("hash"));
    addExtension(x, &context, NID_authority_key_identifier, QStringLiteral("keyid:always"));
    addExtension(x, &context, NID_subject_alt_name, subjectAlternativeNames(names));
    require(X509_sign(x, authorityKey, EVP_sha256()) > 0, "signature");
    return certificate;
}

} // namespace Certificates
