#include "HttpDaemon.h"
#include "ProgramSettings.h"
#include "WebUnitFixture.h"
#include "WebUnitServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <httplib.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

// A device on the same network that is not a paired phone: it must cost the PC nothing. Each
// attack runs against the server in this process, whose memory is measured around it; the
// attacker plays 127.0.0.2, a paired phone 127.0.0.1.
class tst_WebUnitHostile : public QObject {
    Q_OBJECT

    // A connection from a given loopback address, written to and read from by hand.
    class Raw {
    public:
        Raw(const char* from, quint16 port) {
            m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in source{};
            source.sin_family = AF_INET;
            ::inet_pton(AF_INET, from, &source.sin_addr);
            ::bind(m_socket, reinterpret_cast<sockaddr*>(&source), sizeof source);
            sockaddr_in target{};
            target.sin_family = AF_INET;
            target.sin_port = htons(port);
            ::inet_pton(AF_INET, "127.0.0.1", &target.sin_addr);
            m_connected = ::connect(m_socket, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0;
        }
        ~Raw() { ::close(m_socket); }
        bool connected() const { return m_connected; }
        // False once the server has closed or refused the connection.
        bool write(const QByteArray& bytes) {
            return ::send(m_socket, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
        }
        // What the server sent until it closed the connection or the time ran out.
        QByteArray readUntilClosed(int milliseconds) {
            QByteArray read;
            QElapsedTimer waited;
            waited.start();
            while (waited.elapsed() < milliseconds) {
                pollfd ready{m_socket, POLLIN, 0};
                if (::poll(&ready, 1, 50) <= 0)
                    continue;
                char buffer[4096];
                const ssize_t got = ::recv(m_socket, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    m_closed = true;
                    break;
                }
                read.append(buffer, got);
            }
            return read;
        }
        bool closed() const { return m_closed; }
        int descriptor() const { return m_socket; }

    private:
        int m_socket = -1;
        bool m_connected = false;
        bool m_closed = false;
    };

    static qint64 residentKilobytes() {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
        return 0;
    }

    static httplib::Headers paired() {
        return {{"Authorization", "Bearer " + WebUnitFixture::Token.toStdString()}, {"X-Kestrivo-Phone", "phone-1"}};
    }

    // Whether a TLS client limited to one protocol version and these suites gets through.
    static bool handshakes(quint16 port, int version, const char* suites) {
        SSL_CTX* context = SSL_CTX_new(TLS_client_method());
        SSL_CTX_set_min_proto_version(context, version);
        SSL_CTX_set_max_proto_version(context, version);
        SSL_CTX_set_security_level(context, 0);
        if (version < TLS1_3_VERSION)
            SSL_CTX_set_cipher_list(context, suites);
        Raw raw("127.0.0.1", port);
        SSL* tls = SSL_new(context);
        SSL_set_fd(tls, raw.descriptor());
        const bool through = SSL_connect(tls) == 1;
        SSL_free(tls);
        SSL_CTX_free(context);
        return through;
    }

    std::unique_ptr<WebUnitFixture> m_unit;
    std::unique_ptr<WebUnitServer> m_server;
    quint16 m_port = 0;

    int pairedStatus(const char* path = "/api/templates") {
        httplib::Client client("127.0.0.1", m_port);
        client.set_connection_timeout(2);
        client.set_read_timeout(2);
        const httplib::Result result = client.Get(path, paired());
        return result ? result->status : 0;
    }

    // Sends up to limit bytes of a chunked body after head, until the server stops taking them.
    static qint64 floodChunked(Raw& raw, const QByteArray& head, qint64 limit) {
        if (!raw.write(head))
            return 0;
        const QByteArray chunk = QByteArray::number(64 * 1024, 16) + "\r\n" + QByteArray(64 * 1024, 'x') + "\r\n";
        qint64 sent = 0;
        while (sent < limit && raw.write(chunk))
            sent += chunk.size();
        return sent;
    }

private Q_SLOTS:
    void initTestCase() {
        // The server ends connections whose body it will not read; a write here must fail, not kill.
        std::signal(SIGPIPE, SIG_IGN);
    }
    void init() {
        m_unit = std::make_unique<WebUnitFixture>();
        m_server = std::make_unique<WebUnitServer>(m_unit->folders(), WebUnitFixture::Token);
        m_server->start(QStringLiteral("0.0.0.0:0"));
        m_port = m_server->port();
    }
    void cleanup() {
        m_server.reset();
        m_unit.reset();
    }

    void floodsDoNotGrowTheServer_data() {
        QTest::addColumn<QByteArray>("head");
        const QByteArray chunked = " HTTP/1.1\r\nHost: pc\r\nTransfer-Encoding: chunked\r\n";
        QTest::newRow("page") << QByteArray("POST /" + chunked + "\r\n");
        QTest::newRow("no token") << QByteArray("POST /api/evaluations" + chunked + "\r\n");
        QTest::newRow("unknown api") << QByteArray("PUT /api/anything" + chunked + "\r\n");
        QTest::newRow("paired, too large") << QByteArray("POST /api/evaluations" + chunked + "Authorization: Bearer " +
                                                         WebUnitFixture::Token.toLatin1() + "\r\n\r\n");
    }

    void floodsDoNotGrowTheServer() {
        QFETCH(QByteArray, head);
        const qint64 before = residentKilobytes();
        Raw attacker("127.0.0.2", m_port);
        QVERIFY(attacker.connected());
        const qint64 sent = floodChunked(attacker, head, 300LL * 1024 * 1024);
        QVERIFY2(sent < 300LL * 1024 * 1024, "the server read 300 MB from a sender it should have stopped");
        QVERIFY2(residentKilobytes() - before < 64 * 1024, qPrintable(QString::number(residentKilobytes() - before)));
        QCOMPARE(m_unit->evaluationFiles(), QStringList());
        QCOMPARE(pairedStatus(), 200);
    }

    void endlessHeadersAreRefused() {
        const qint64 before = residentKilobytes();
        Raw attacker("127.0.0.2", m_port);
        QVERIFY(attacker.write("GET / HTTP/1.1\r\nHost: pc\r\n"));
        int lines = 0;
        for (; lines < 200000; ++lines) {
            if (!attacker.write("X-Filler-" + QByteArray::number(lines) + ": x\r\n"))
                break;
        }
        attacker.write("\r\n");
        const QByteArray answer = attacker.readUntilClosed(3000);
        QVERIFY2(!answer.startsWith("HTTP/1.1 200"), answer.left(80).constData());
        QVERIFY(residentKilobytes() - before < 64 * 1024);
        QCOMPARE(pairedStatus(), 200);
    }

    void slowSendersDoNotHoldPhones() {
        // 100 connections that trickle a header line now and then.
        std::vector<std::unique_ptr<Raw>> slow;
        for (int i = 0; i < 100; ++i) {
            slow.push_back(std::make_unique<Raw>("127.0.0.2", m_port));
            slow.back()->write("GET /api/templates HTTP/1.1\r\nHost: pc\r\n");
        }
        QElapsedTimer answered;
        answered.start();
        for (int round = 0; round < 3; ++round) {
            for (auto& raw : slow)
                raw->write("X-Slow: still here\r\n");
            answered.restart();
            QCOMPARE(pairedStatus(), 200);
            QVERIFY2(answered.elapsed() < 2000, qPrintable(QString::number(answered.elapsed())));
        }
        // The address holds only a few of them, and those are cut off at the deadline however
        // steadily they trickle.
        int open = 0;
        for (auto& raw : slow)
            open += raw->write("X-Slow: again\r\n") ? 1 : 0;
        QVERIFY(open <= int(HttpDaemon::ConnectionsPerAddress));
        QElapsedTimer deadline;
        deadline.start();
        Raw trickler("127.0.0.3", m_port);
        trickler.write("GET / HTTP/1.1\r\n");
        while (!trickler.closed() && deadline.elapsed() < (HttpDaemon::HeadSeconds + 5) * 1000) {
            trickler.write("X-Slow: x\r\n");
            trickler.readUntilClosed(1000);
        }
        QVERIFY(trickler.closed());
        QVERIFY(deadline.elapsed() >= HttpDaemon::HeadSeconds * 1000 - 500);
    }

    void stopDoesNotWaitForSlowSenders() {
        std::vector<std::unique_ptr<Raw>> slow;
        for (int i = 0; i < 10; ++i) {
            slow.push_back(std::make_unique<Raw>("127.0.0.2", m_port));
            slow.back()->write("POST /api/evaluations HTTP/1.1\r\nHost: pc\r\nAuthorization: Bearer " +
                               WebUnitFixture::Token.toLatin1() + "\r\nContent-Length: 1000\r\n\r\n{");
        }
        QTest::qWait(200);
        QElapsedTimer stopping;
        stopping.start();
        m_server->stop();
        QVERIFY2(stopping.elapsed() < 1000, qPrintable(QString::number(stopping.elapsed())));
        QVERIFY(slow.front()->readUntilClosed(1000).isEmpty() && slow.front()->closed());
    }

    void everyApiPathNeedsTheToken() {
        httplib::Client client("127.0.0.1", m_port);
        for (const char* path : {"/api/templates", "/api/template?file=Audit.evt", "/api/nothing", "/api/",
                                 "/api/evaluations/1", "/api/../api/templates"}) {
            const httplib::Result result = client.Get(path);
            QVERIFY(result);
            QCOMPARE(result->status, 401);
        }
        QCOMPARE(client.Delete("/api/evaluations")->status, 401);
        // Only the page's files are served, and only to GET; only the evaluations take a body.
        QCOMPARE(client.Post("/", "x", "text/plain")->status, 413);
        QCOMPARE(client.Delete("/index.html")->status, 405);
        QCOMPARE(client.Post("/api/templates", paired(), "x", "text/plain")->status, 413);
        QCOMPARE(client.Get("/api/nothing", paired())->status, 404);
    }

    void refusedSendersAreReported() {
        m_server->setUnpairedReportInterval(300);
        QSignalSpy reports(m_server.get(), &WebUnitServer::unpairedRequests);
        for (int i = 0; i < 3; ++i) {
            Raw attacker("127.0.0.2", m_port);
            attacker.write("GET /api/templates HTTP/1.1\r\nHost: pc\r\nConnection: close\r\n\r\n");
            QVERIFY(attacker.readUntilClosed(2000).startsWith("HTTP/1.1 401"));
        }
        QTRY_COMPARE(reports.size(), 1);
        QCOMPARE(reports.at(0).at(0).toString(), QString("127.0.0.2"));
        QCOMPARE(reports.at(0).at(1).toInt(), 3);
        QCOMPARE(WebUnitServer::unpairedText("127.0.0.2", 3),
                 QString("3 requests without the pairing token from 127.0.0.2"));
        // Nothing new, nothing said; a new refusal is said once the interval has passed.
        QTest::qWait(500);
        QCOMPARE(reports.size(), 1);
        QCOMPARE(pairedStatus("/api/nothing?x"), 404);
        Raw again("127.0.0.2", m_port);
        again.write("GET /api/x HTTP/1.1\r\nHost: pc\r\n\r\n");
        again.readUntilClosed(300);
        QTRY_COMPARE(reports.size(), 2);
        QCOMPARE(reports.at(1).at(1).toInt(), 4);
    }

    void onlyForwardSecretSuites();
    void ctrlCDoesNotWaitForSlowSenders();

    void failuresNameNoPathOfThePc() {
        QTemporaryDir logs;
        const QString kept = programSettings().LogPath;
        programSettings().LogPath = logs.path() + QLatin1Char('/');
        QVERIFY(QDir(m_unit->folders().evaluations).removeRecursively());
        httplib::Client client("127.0.0.1", m_port);
        const httplib::Result sent =
            client.Post("/api/evaluations", paired(), WebUnitFixture::body(WebUnitFixture::evaluation()).toStdString(),
                        "application/json");
        QVERIFY(sent);
        QCOMPARE(sent->status / 100, 5);
        QVERIFY2(sent->body.find(m_unit->root().toStdString()) == std::string::npos, sent->body.c_str());
        QVERIFY(sent->body.find("/tmp") == std::string::npos);
        // The PC's user finds the details in the error log.
        programSettings().LogPath = kept;
        QFile log(logs.filePath("ErrorLog.txt"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("WebUnitService.receive"));
    }
};

void tst_WebUnitHostile::onlyForwardSecretSuites() {
    // A company's RSA certificate would allow the old key exchange without forward secrecy.
    QTemporaryDir keys;
    QString certificate, key;
    QVERIFY(WebUnitFixture::companyCertificate(keys, certificate, key));
    WebUnitServer secure(m_unit->folders(), WebUnitFixture::Token);
    secure.start(QStringLiteral("127.0.0.1:0"), certificate, key);
    QVERIFY(handshakes(secure.port(), TLS1_3_VERSION, ""));
    QVERIFY(handshakes(secure.port(), TLS1_2_VERSION, "ECDHE-RSA-AES128-GCM-SHA256"));
    for (const char* weak : {"AES128-GCM-SHA256", "AES256-SHA256", "DHE-RSA-AES128-SHA", "ECDHE-RSA-AES128-SHA"})
        QVERIFY2(!handshakes(secure.port(), TLS1_2_VERSION, weak), weak);
    QVERIFY(!handshakes(secure.port(), TLS1_1_VERSION, "ALL:@SECLEVEL=0"));
}

void tst_WebUnitHostile::ctrlCDoesNotWaitForSlowSenders() {
    const QString cli = qEnvironmentVariable("KESTRIVO_BINARY_DIR") + "/bin/kestrivo-cli";
    QCOMPARE(QProcess::execute(cli, {"init"}), 0);
    QProcess serving;
    serving.setProcessChannelMode(QProcess::MergedChannels);
    serving.start(cli, {"unit", "serve", "--listen", "127.0.0.1:0"});
    QVERIFY(serving.waitForStarted());
    QString output;
    QRegularExpressionMatch address;
    for (int wait = 0; wait < 100 && !address.hasMatch(); ++wait) {
        serving.waitForReadyRead(100);
        output += QString::fromUtf8(serving.readAll());
        address = QRegularExpression(QStringLiteral("https://127\\.0\\.0\\.1:(\\d+)/#token")).match(output);
    }
    QVERIFY2(address.hasMatch(), qPrintable(output));
    const quint16 port = quint16(address.captured(1).toUInt());
    std::vector<std::unique_ptr<Raw>> slow;
    for (int i = 0; i < 10; ++i) {
        slow.push_back(std::make_unique<Raw>("127.0.0.2", port));
        slow.back()->write("GET / HTTP/1.1\r\nHost: pc\r\n");
    }
    QTest::qWait(200);
    QElapsedTimer stopping;
    stopping.start();
    ::kill(pid_t(serving.processId()), SIGINT);
    QVERIFY(serving.waitForFinished(5000));
    QVERIFY2(stopping.elapsed() < 1000, qPrintable(QString::number(stopping.elapsed())));
    QCOMPARE(serving.exitCode(), 0);
    QVERIFY(serving.readAll().contains("Stopped:"));
}

QTEST_GUILESS_MAIN(tst_WebUnitHostile)
#include "tst_webunithostile.moc"
