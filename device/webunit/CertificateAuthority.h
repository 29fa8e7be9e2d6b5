#pragma once

#include "PrivateFolder.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QSysInfo>

namespace Certificates {
struct HostName;
}

// This PC's own certificate authority for the web unit. A phone installs its certificate once
// and then trusts every server certificate that it issues for the PC's addresses. Its name
// constraints let it vouch only for loopback and private addresses, names under "local" and
// "localhost", and the PC's host name, so a stolen key fools no phone for any public site.
//
// Everything lives in one folder of mode 700: the authority's key (mode 600) and certificate,
// the server's key (mode 600) and chain, and a lock file that every process and thread using
// the folder honours, so that two programs starting at once end with one authority.
class CertificateAuthority {
public:
    // Days a server certificate is valid: iOS refuses more than 825, and 397 is what public
    // authorities may issue, so no phone finds it too long.
    static constexpr int ServerDays = 397;
    // Days a certificate of the authority is valid.
    static constexpr int AuthorityDays = 3650;
    // A certificate this many days or fewer from its end is made anew.
    static constexpr int RenewalDays = 30;
    // Certificates start this many hours before they are made, for phones whose clock is behind.
    static constexpr int BackdatedHours = 24;

    struct Authority {
        QByteArray certificatePem; // what phones install
        QString certificateFile;   // the same, in the folder
        QString name;              // "Kestrivo on HOST"
        QString fingerprint;       // SHA-256 of the certificate, "AB:CD:…" as phones show it
        QDateTime expires;
    };

    struct ServerCertificate {
        QByteArray chainPem; // the server's certificate, then the authority's
        QByteArray keyPem;   // the server's private key, PKCS #8 without a pass phrase
        QString chainFile;   // the same two, in the folder; the key's file is mode 600
        QString keyFile;
        QStringList names;   // the IP addresses and DNS names it vouches for, in the order given
        QStringList leftOut; // the hosts given that the authority may not vouch for, as given
        QDateTime expires;
    };

    // folder ends with "/"; it is made on first need.
    explicit CertificateAuthority(QString folder, QString hostName = QSysInfo::machineHostName());
    // The program's folder: the setting DataPath + "webunit/".
    static QString programFolder();

    const QString& hostName() const { return m_hostName; }
    // The names a server of this PC answers to besides its addresses: the host name, its
    // ".local" name (multicast DNS), and "localhost".
    QStringList localNames() const;

    // The authority; the first call makes it. Throws KestrivoError.
    Authority authority(const QDateTime& now = QDateTime::currentDateTimeUtc()) const;

    // A server certificate for these IP addresses and DNS names: the one issued before while it
    // names the same ones, in any order, and is not near its end; else a new one. Hosts the
    // authority may not vouch for are left out. Throws KestrivoError, also when none is left.
    ServerCertificate serverCertificate(const QStringList& hosts,
                                        const QDateTime& now = QDateTime::currentDateTimeUtc()) const;

private:
    struct Loaded;
    Loaded loadAuthority(const QDateTime& now) const;
    ServerCertificate reuse(const Loaded& authority, const QList<Certificates::HostName>& names,
                            const QDateTime& now) const;
    ServerCertificate issue(const Loaded& authority, const QList<Certificates::HostName>& names,
                            const QDateTime& now) const;

    PrivateFolder m_folder;
    QString m_hostName;
};
