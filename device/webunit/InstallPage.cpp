#include "InstallPage.h"

#include "KestrivoError.h"
#include "WebUnitServer.h"

#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>

static void loadInstallResource() {
    Q_INIT_RESOURCE(webunit_install);
}

namespace {

const QByteArray Html = QByteArrayLiteral("text/html; charset=utf-8");

HttpDaemon::Response plain(int status, const char* text) {
    return {status, QByteArray(text), QByteArrayLiteral("text/plain; charset=utf-8"), {}, false};
}

// The host the phone asked for, without its port, when it is a plain address or name.
QString requestedHost(const QByteArray& hostHeader) {
    static const QRegularExpression plainHost(QStringLiteral("^(\\[[0-9A-Fa-f:.]+\\]|[A-Za-z0-9.-]{1,253})(:\\d+)?$"));
    const QRegularExpressionMatch match = plainHost.match(QString::fromLatin1(hostHeader));
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace

InstallPage::InstallPage(QByteArray authorityPem, QString authorityName, QString fingerprint, QString pcName,
                         quint16 httpsPort)
    : m_authority(std::move(authorityPem)), m_authorityName(std::move(authorityName)),
      m_fingerprint(std::move(fingerprint)), m_pcName(std::move(pcName)), m_httpsPort(httpsPort) {
    loadInstallResource();
}

InstallPage::~InstallPage() {
    m_daemon.stop();
}

void InstallPage::start(const QString& listen) {
    QString host;
    int port = 0;
    if (!WebUnitServer::splitListen(listen, host, port))
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The listen address \"%1\" of the installation page is not "
                                           "ADDRESS:PORT (for example 0.0.0.0:8081).")
                                .arg(listen));
    HttpDaemon::Options options;
    options.address = QHostAddress(host);
    options.port = quint16(port);
    options.maximumBody = 0;
    options.threads = 1;
    m_daemon.start(options);
}

QString InstallPage::address(const QString& host) const {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(host);
    url.setPort(port());
    url.setPath(QStringLiteral("/"));
    return url.toString();
}

QByteArray InstallPage::page(const QByteArray& hostHeader) const {
    QFile file(QStringLiteral(":/webunit-install/install.html"));
    file.open(QIODevice::ReadOnly);
    QString text = QString::fromUtf8(file.readAll());
    QUrl https;
    https.setScheme(QStringLiteral("https"));
    https.setHost(requestedHost(hostHeader).remove(QLatin1Char('[')).remove(QLatin1Char(']')));
    https.setPort(m_httpsPort);
    https.setPath(QStringLiteral("/"));
    text.replace(QStringLiteral("{{PC}}"), m_pcName.toHtmlEscaped())
        .replace(QStringLiteral("{{AUTHORITY}}"), m_authorityName.toHtmlEscaped())
        .replace(QStringLiteral("{{FINGERPRINT}}"), m_fingerprint.toHtmlEscaped())
        .replace(QStringLiteral("{{ADDRESS}}"),
                 https.host().isEmpty() ? QStringLiteral("/") : https.toString().toHtmlEscaped());
    return text.toUtf8();
}

std::optional<HttpDaemon::Response> InstallPage::head(const HttpDaemon::Request& request) {
    HttpDaemon::Response response;
    if (request.hasBody)
        response = plain(413, "This page takes no body.");
    else if (request.method != "GET" && request.method != "HEAD")
        response = plain(405, "Only the installation page is served here.");
    else if (request.path == "/")
        response = {200, page(request.headers.value("host")), Html, {}, false};
    else if (request.path == CertificatePath)
        response = {200,
                    m_authority,
                    QByteArrayLiteral("application/x-x509-ca-cert"),
                    {qMakePair(QByteArrayLiteral("Content-Disposition"),
                               QByteArrayLiteral("attachment; filename=\"kestrivo-ca.crt\""))},
                    false};
    else
        response = plain(404, "Not found");
    response.headers << qMakePair(QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff"))
                     << qMakePair(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"))
                     << qMakePair(QByteArrayLiteral("Content-Security-Policy"),
                                  QByteArrayLiteral("default-src 'none'; style-src 'unsafe-inline'"));
    return response;
}

HttpDaemon::Response InstallPage::whole(const HttpDaemon::Request&, bool) {
    return plain(413, "This page takes no body.");
}
