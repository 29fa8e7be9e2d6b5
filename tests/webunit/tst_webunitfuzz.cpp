#include "EvaluationFileParser.h"
#include "WebUnitFixture.h"
#include "WebUnitServer.h"
#include "WebUnitService.h"

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTest>
#include <csignal>
#include <httplib.h>

// Malformed evaluations thrown at the web unit: bytes changed, cut and inserted, JSON values
// swapped for others of any type. The server never fails, and only an evaluation that passes
// every check becomes a file, one that the PC's import reads.
class tst_WebUnitFuzz : public QObject {
    Q_OBJECT

    static QByteArray mutated(QRandomGenerator& random) {
        QByteArray body = WebUnitFixture::body(WebUnitFixture::evaluation(
            QStringLiteral("fuzz%1").arg(random.generate() % 100000, 6, 10, QLatin1Char('0'))));
        static const QList<QByteArray> Pieces{"{",         "}",
                                              "[",         "]",
                                              ",",         ":",
                                              "\"",        "\\u0000",
                                              "\\ud800",   "null",
                                              "true",      "1e309",
                                              "-0",        "4294967296",
                                              "\"\"",      "\"key\"",
                                              "\"value\"", "\xff\xfe",
                                              "\r\n",      "\"*H*\"",
                                              "\xc3\xa9",  "99999999999999999999"};
        const int changes = 1 + int(random.bounded(4));
        for (int change = 0; change < changes && !body.isEmpty(); ++change) {
            const int at = int(random.bounded(int(body.size())));
            switch (random.bounded(5)) {
            case 0:
                body[at] = char(random.bounded(256));
                break;
            case 1:
                body.truncate(at);
                break;
            case 2:
                body.insert(at, Pieces.at(int(random.bounded(int(Pieces.size())))));
                break;
            case 3:
                body.remove(at, 1 + int(random.bounded(8)));
                break;
            default: {
                // A value of the right place but any type.
                const qsizetype colon = body.indexOf(':', at);
                if (colon > 0)
                    body.insert(colon + 1, Pieces.at(int(random.bounded(int(Pieces.size())))) + ",");
            }
            }
        }
        return body;
    }

private Q_SLOTS:
    void initTestCase() {
        // The server ends connections whose body it will not read; a write here must fail, not kill.
        std::signal(SIGPIPE, SIG_IGN);
    }
    void malformedBodiesWriteNothing() {
        WebUnitFixture unit;
        WebUnitService service(unit.folders());
        QRandomGenerator random(1506);
        int stored = 0, refused = 0;
        for (int round = 0; round < 20000; ++round) {
            const QByteArray body = mutated(random);
            const QStringList before = unit.evaluationFiles();
            const WebUnitService::Reply reply = service.receive(body);
            const QJsonObject answer = QJsonDocument::fromJson(reply.body).object();
            if (reply.status == 201) {
                // A change that left a valid evaluation (a letter of a name, say): a whole file.
                ++stored;
                const QString name = answer.value("fileName").toString();
                QVERIFY(!before.contains(name));
                const EvaluationFileContent content = EvaluationFileParser::parse(unit.evaluationFile(name));
                QCOMPARE(content.evaluations.size(), 1);
                continue;
            }
            QVERIFY2(reply.status == 400 || reply.status == 409 || reply.status == 200, body.constData());
            QVERIFY2(!answer.value(reply.status == 200 ? "fileName" : "error").toString().isEmpty(), body.constData());
            if (reply.status != 200)
                ++refused;
            QCOMPARE(unit.evaluationFiles(), before);
        }
        QVERIFY(refused > 15000);
        QVERIFY(stored > 0);
    }

    void theServerAnswersThroughout() {
        WebUnitFixture unit;
        WebUnitServer server(unit.folders(), WebUnitFixture::Token);
        server.start(QStringLiteral("127.0.0.1:0"));
        httplib::Client client("127.0.0.1", server.port());
        const httplib::Headers headers{{"Authorization", "Bearer " + WebUnitFixture::Token.toStdString()}};
        QRandomGenerator random(2024);
        for (int round = 0; round < 400; ++round) {
            const QByteArray body = mutated(random);
            const httplib::Result result =
                client.Post("/api/evaluations", headers, body.toStdString(), "application/json");
            QVERIFY(result);
            QVERIFY(result->status == 201 || result->status == 200 || result->status == 400 || result->status == 409);
        }
        // Requests that are not HTTP at all, then a proper one.
        for (const QByteArray& garbage :
             {QByteArray("GARBAGE\r\n\r\n"), QByteArray("POST /api/evaluations HTTP/1.1\r\nContent-Length: -5\r\n\r\n"),
              QByteArray("GET /%%%%/../.. HTTP/1.1\r\n\r\n"), QByteArray(9000, 'A') + "\r\n\r\n"}) {
            QTcpSocket raw;
            raw.connectToHost(QHostAddress::LocalHost, server.port());
            QVERIFY(raw.waitForConnected(5000));
            raw.write(garbage);
            raw.waitForBytesWritten(5000);
            raw.waitForReadyRead(5000);
        }
        QCOMPARE(client.Get("/api/templates", headers)->status, 200);
    }
};

QTEST_GUILESS_MAIN(tst_WebUnitFuzz)
#include "tst_webunitfuzz.moc"
