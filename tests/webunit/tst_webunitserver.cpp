#include "KestrivoError.h"
#include "WebUnitFixture.h"
#include "WebUnitServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <httplib.h>
#include <thread>

// The web unit's HTTP interface as phones meet it: the pairing token, every refusal with
// nothing written, resent evaluations stored once, many phones at once, the limits, HTTPS.
class tst_WebUnitServer : public QObject {
    Q_OBJECT

    struct Answer {
        int status = 0;
        QJsonObject json;
        std::string body;
    };

    static httplib::Headers paired(const QString& token = WebUnitFixture::Token, const std::string& phone = "phone-1") {
        return {{"Authorization", "Bearer " + token.toStdString()}, {"X-Kestrivo-Phone", phone}};
    }

    static Answer answer(const httplib::Result& result) {
        if (!result)
            return {};
        return {result->status, QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object(),
                result->body};
    }

    static Answer post(quint16 port, const QByteArray& body, const httplib::Headers& headers = paired()) {
        httplib::Client client("127.0.0.1", port);
        return answer(client.Post("/api/evaluations", headers, body.toStdString(), "application/json"));
    }

    static Answer get(quint16 port, const std::string& path, const httplib::Headers& headers = paired()) {
        httplib::Client client("127.0.0.1", port);
        return answer(client.Get(path, headers));
    }

    std::unique_ptr<WebUnitFixture> m_unit;
    std::unique_ptr<WebUnitServer> m_server;

    quint16 startServer() {
        m_server = std::make_unique<WebUnitServer>(m_unit->folders(), WebUnitFixture::Token);
        m_server->start(QStringLiteral("127.0.0.1:0"));
        return m_server->port();
    }

private Q_SLOTS:
    void initTestCase() {
        // The server may end a connection whose body it will not read; the client here must
        // hear that as a failed write, as a browser does, not die of it.
        std::signal(SIGPIPE, SIG_IGN);
    }
    void init() {
        m_unit = std::make_unique<WebUnitFixture>();
        startServer();
    }
    void cleanup() {
        m_server.reset();
        m_unit.reset();
    }

    void everyRequestNeedsTheToken() {
        const quint16 port = m_server->port();
        for (const httplib::Headers& headers :
             {httplib::Headers{}, paired(QStringLiteral("00112233445566778899aabbccddeefe")),
              httplib::Headers{{"Authorization", WebUnitFixture::Token.toStdString()}}}) {
            const Answer templates = get(port, "/api/templates", headers);
            QCOMPARE(templates.status, 401);
            QVERIFY(templates.json.value("error").toString().contains("not paired"));
            QCOMPARE(get(port, "/api/template?file=Audit.evt", headers).status, 401);
            QCOMPARE(post(port, WebUnitFixture::body(WebUnitFixture::evaluation()), headers).status, 401);
        }
        QCOMPARE(m_unit->evaluationFiles(), QStringList());
        QVERIFY(!QFile::exists(m_unit->folders().record));
        QCOMPARE(m_server->phonesSeen(), 0);

        // A new token takes effect at once: the old one is refused from then on.
        m_server->setToken(QStringLiteral("ffeeddccbbaa99887766554433221100"));
        QCOMPARE(get(port, "/api/templates").status, 401);
        QCOMPARE(get(port, "/api/templates", paired(QStringLiteral("ffeeddccbbaa99887766554433221100"))).status, 200);
    }

    void servesThePageAndTheTemplates() {
        const quint16 port = m_server->port();
        httplib::Client client("127.0.0.1", port);
        const httplib::Result page = client.Get("/");
        QVERIFY(page);
        QCOMPARE(page->status, 200);
        QVERIFY(page->body.find("<title>Kestrivo evaluations</title>") != std::string::npos);
        QCOMPARE(client.Get("/app.js")->get_header_value("Content-Type"),
                 std::string("text/javascript; charset=utf-8"));
        QCOMPARE(client.Get("/sw.js")->status, 200);
        QCOMPARE(client.Get("/missing.js")->status, 404);
        QCOMPARE(client.Get("/../etc/passwd")->status, 404);
        QCOMPARE(get(port, "/api/nothing").status, 404);

        m_unit->putTemplate("Broken.evt", "\"Q\",1,\"No header\"\r\n");
        m_unit->putTemplate("No Group.evt", "\"H\",5\r\n\"F\",50,\"Notes\",0,10,0,0,0\r\n");
        m_unit->putTemplate("notes.txt", "not a template");
        const QJsonArray list = get(port, "/api/templates").json.value("templates").toArray();
        QCOMPARE(list.size(), 3);
        QCOMPARE(list.at(0).toObject().value("name").toString(), QString("Audit"));
        QCOMPARE(list.at(0).toObject().value("problem").toString(), QString());
        QVERIFY(list.at(1).toObject().value("problem").toString().contains("line 1"));
        QVERIFY(list.at(2).toObject().value("problem").toString().contains("no dropdown group field"));

        const QJsonObject audit = get(port, "/api/template?file=Audit.evt").json;
        QCOMPARE(audit.value("templateKey").toInt(), 12);
        QCOMPARE(audit.value("fileNameFields").toArray(), QJsonArray({40, 42}));
        const QJsonArray fields = audit.value("fields").toArray();
        QCOMPARE(fields.size(), 4);
        QCOMPARE(fields.at(0).toObject().value("values").toArray().at(1).toObject().value("text").toString(),
                 QString("South Depot"));
        QCOMPARE(fields.at(1).toObject().value("length").toInt(), 10);
        QVERIFY(fields.at(1).toObject().value("forced").toBool());
        // The limits that the page checks by: those the server checks by.
        QCOMPARE(fields.at(1).toObject().value("maxLength").toInt(), 10);
        QCOMPARE(fields.at(3).toObject().value("maxLength").toInt(), 3);
        QCOMPARE(audit.value("answerLength").toInt(), 50);
        QCOMPARE(audit.value("nameLength").toInt(), 60);
        // The page tells the types apart by their names, never by the numbers the files store.
        QCOMPARE(fields.at(0).toObject().value("kind").toString(), QString("Dropdown"));
        QCOMPARE(fields.at(1).toObject().value("kind").toString(), QString("Text"));
        QCOMPARE(audit.value("questions").toArray().at(0).toObject().value("answers").toArray(),
                 QJsonArray({"Yes", "No"}));
        for (const char* path : {"/api/template?file=Gone.evt", "/api/template?file=..%2FAudit.evt",
                                 "/api/template?file=notes.txt", "/api/template"})
            QCOMPARE(get(port, path).status, 404);
    }

    void refusalsWriteNothing_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        using F = WebUnitFixture;
        const QJsonObject valid = F::evaluation();
        const auto body = [](const QJsonObject& object) { return F::body(object); };
        QJsonObject unknownField = valid;
        QJsonArray fields = unknownField.value("fields").toArray();
        fields.append(QJsonObject{{"key", 99}, {"value", "x"}});
        unknownField.insert("fields", fields);
        QJsonObject missingQuestion = valid;
        missingQuestion.insert("questions", QJsonArray{valid.value("questions").toArray().at(0)});
        QJsonObject otherTemplate = valid;
        otherTemplate.insert("template", "Gone.evt");
        QJsonObject noId = valid;
        noId.remove("id");

        QTest::newRow("field key") << body(unknownField) << "The template does not hold the field key 99.";
        QTest::newRow("value key") << body(F::withField(valid, 40, "valueKey", 9))
                                   << "The template does not hold the value key 9 of the field \"Site\".";
        QTest::newRow("question key") << body(F::withQuestion(valid, 91, "key", 92))
                                      << "The template does not hold the question key 92.";
        QTest::newRow("pick-list key")
            << body(F::withQuestion(valid, 90, "ticked", QJsonArray{300, 302}))
            << "The template does not hold the pick-list key 302 of the question \"Clean?\".";
        QTest::newRow("Windows-1252") << body(F::withField(valid, 41, "value", QString::fromUtf8("Łukasz")))
                                      << "The entry of the field \"Inspector\" holds \"Ł\", a character that the "
                                         "unit's files cannot hold.";
        QTest::newRow("emoji") << body(F::withQuestion(valid, 91, "answer", QString::fromUtf8("ok 👍")))
                               << "The answer to \"Notes\" holds \"👍\"";
        QTest::newRow("double quote") << body(F::withField(valid, 41, "value", "A \"B\""))
                                      << "holds a double quote (\"), which the unit's files cannot hold.";
        QTest::newRow("line end") << body(F::withQuestion(valid, 91, "answer", "one\r\ntwo"))
                                  << "holds a control character";
        QTest::newRow("too long")
            << body(F::withField(valid, 41, "value", "Annabella B"))
            << "The entry of the field \"Inspector\" has 11 characters; the field holds at most 10.";
        QTest::newRow("answer too long") << body(F::withQuestion(valid, 91, "answer", QString(51, 'x')))
                                         << "an answer holds at most 50.";
        QTest::newRow("forced") << body(F::withField(valid, 41, "value", ""))
                                << "Entry manditory into the Inspector field.";
        QTest::newRow("group") << body(F::withField(valid, 40, "valueKey", 0))
                               << "Entry manditory into the Site field.";
        QTest::newRow("numeric") << body(F::withField(valid, 43, "value", "1e3"))
                                 << "Staff: Invalid entry, must be numeric.";
        QTest::newRow("forced blank") << body(F::withField(valid, 41, "value", " \u00a0 "))
                                      << "Entry manditory into the Inspector field.";
        QTest::newRow("date") << body(F::withField(valid, 42, "value", "02/30/24"))
                              << "Inspected: Invalid date entered.";
        QTest::newRow("missing question") << body(missingQuestion) << "the question \"Notes\" is missing";
        QTest::newRow("template gone") << body(otherTemplate) << "The template \"Gone\" is no longer on the unit.";
        QTest::newRow("no id") << body(noId) << "its id is missing";
        QTest::newRow("dropdown text") << body(F::withField(valid, 40, "value", "North Depot"))
                                       << "the dropdown field \"Site\" takes a valueKey";
        QTest::newRow("malformed JSON") << QByteArray("{\"id\": \"0123456789abcdef\",")
                                        << "The evaluation could not be read";
        QTest::newRow("not an object") << QByteArray("[1, 2]") << "it is not a JSON object";
        QTest::newRow("empty") << QByteArray() << "The evaluation could not be read";
    }

    void refusalsWriteNothing() {
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        const Answer refused = post(m_server->port(), body);
        QCOMPARE(refused.status, 400);
        QVERIFY2(refused.json.value("error").toString().contains(message),
                 qPrintable(refused.json.value("error").toString()));
        QCOMPARE(m_unit->evaluationFiles(), QStringList());
        QCOMPARE(m_server->filesReceived(), 0);
    }

    void bodiesOverOneMegabyteAreRefused() {
        const quint16 port = m_server->port();
        QByteArray large = WebUnitFixture::body(WebUnitFixture::evaluation());
        large.insert(1, "\"padding\": \"" + QByteArray(WebUnitServer::MaximumBody, 'x') + "\", ");
        const Answer refused = post(port, large);
        QCOMPARE(refused.status, 400);
        QVERIFY(refused.json.value("error").toString().contains("larger than 1 MB"));

        // Sent in chunks, without a length: the server counts what arrives.
        httplib::Client client("127.0.0.1", port);
        const std::string chunk(64 * 1024, ' ');
        int sent = 0;
        const Answer chunked = answer(client.Post(
            "/api/evaluations", paired(),
            [&](size_t, httplib::DataSink& sink) {
                if (++sent > 40)
                    sink.done();
                else
                    sink.write(chunk.data(), chunk.size());
                return true;
            },
            "application/json"));
        QCOMPARE(chunked.status, 400);
        QVERIFY(chunked.json.value("error").toString().contains("larger than 1 MB"));
        QCOMPARE(m_unit->evaluationFiles(), QStringList());
        // The server answers on.
        QCOMPARE(post(port, WebUnitFixture::body(WebUnitFixture::evaluation())).status, 201);
    }

    // The phone learns where a refusal points, and whether the template changed under the
    // evaluation, with the version to fit it to.
    void refusalsPointToWhatTheyAreAbout() {
        using F = WebUnitFixture;
        const quint16 port = m_server->port();
        const Answer entry = post(port, F::body(F::withField(F::evaluation(), 43, "value", "1000")));
        QCOMPARE(entry.json.value("field").toInt(), 43);
        QVERIFY(!entry.json.contains("templateChanged"));
        QVERIFY(!entry.json.contains("question"));
        const Answer answer = post(port, F::body(F::withQuestion(F::evaluation(), 91, "answer", QString(51, 'x'))));
        QCOMPARE(answer.json.value("question").toInt(), 91);

        // Uploaded again: a forced field added, and a value of the group field deleted.
        QByteArray changed = F::auditTemplate();
        changed.replace("\"V\",\"South Depot\",8\r\n", "");
        changed.replace("\"F\",40,\"Site\",2,20,2,", "\"F\",40,\"Site\",2,20,1,");
        changed.replace("\"Q\",90", "\"F\",44,\"Shift\",0,10,0,-1,0\r\n\"Q\",90");
        m_unit->putTemplate("Audit.evt", changed);
        const QString version = get(port, "/api/template?file=Audit.evt").json.value("version").toString();
        const Answer added = post(port, F::body(F::evaluation()));
        QCOMPARE(added.status, 400);
        QVERIFY(added.json.value("error").toString().contains("the field \"Shift\" is missing"));
        QCOMPARE(added.json.value("field").toInt(), 44);
        QVERIFY(added.json.value("templateChanged").toBool());
        QCOMPARE(added.json.value("version").toString(), version);

        QJsonObject withShift = F::evaluation();
        QJsonArray fields = withShift.value("fields").toArray();
        fields.append(QJsonObject{{"key", 44}, {"value", "Day"}});
        withShift.insert("fields", fields);
        QCOMPARE(post(port, F::body(withShift)).status, 201);
        const Answer deleted = post(port, F::body(F::withField(withShift, 40, "valueKey", 8)));
        QCOMPARE(deleted.json.value("field").toInt(), 40);
        QVERIFY(deleted.json.value("templateChanged").toBool());

        // Imported again under the same name: the keys the phone knows are gone.
        m_unit->putTemplate("Audit.evt", QByteArray(changed).replace("\"F\",41,", "\"F\",141,"));
        const Answer renamed = post(port, F::body(withShift));
        QVERIFY(renamed.json.value("templateChanged").toBool());
        QVERIFY(!renamed.json.contains("field"));
        QCOMPARE(m_unit->evaluationFiles().size(), 1);
    }

    void aResentEvaluationIsStoredOnce() {
        const QByteArray body = WebUnitFixture::body(WebUnitFixture::evaluation());
        const Answer first = post(m_server->port(), body);
        QCOMPARE(first.status, 201);
        QCOMPARE(first.json.value("fileName").toString(), QString("North Depot050624.txt"));
        const Answer again = post(m_server->port(), body);
        QCOMPARE(again.status, 200);
        QVERIFY(again.json.value("alreadyReceived").toBool());
        QCOMPARE(again.json.value("fileName").toString(), QString("North Depot050624.txt"));

        // Changed on the phone after its answer was lost: the first copy stays, and the phone is told.
        const Answer changed =
            post(m_server->port(),
                 WebUnitFixture::body(WebUnitFixture::withField(WebUnitFixture::evaluation(), 41, "value", "Bob")));
        QCOMPARE(changed.status, 409);
        QVERIFY(changed.json.value("error").toString().contains("reached the PC as North Depot050624.txt"));

        // A server started later knows it too, and so does one on the same unit at the same time.
        startServer();
        QCOMPARE(post(m_server->port(), body).status, 200);
        WebUnitServer second(m_unit->folders(), WebUnitFixture::Token);
        second.start(QStringLiteral("127.0.0.1:0"));
        QCOMPARE(post(second.port(), body).status, 200);
        QCOMPARE(m_unit->evaluationFiles(), QStringList({"North Depot050624.txt"}));
    }

    void sameNamesAreKeptApart() {
        QCOMPARE(post(m_server->port(), WebUnitFixture::body(WebUnitFixture::evaluation("aaaaaaaa-1"))).status, 201);
        // The unit's file system ignores case: a name that differs only in case is taken too.
        QFile taken(m_unit->folders().evaluations + "north depot050624_2.TXT");
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.close();
        const Answer second = post(m_server->port(), WebUnitFixture::body(WebUnitFixture::evaluation("aaaaaaaa-2")));
        QCOMPARE(second.json.value("fileName").toString(), QString("North Depot050624_3.txt"));
        QJsonObject other = WebUnitFixture::withField(WebUnitFixture::evaluation("aaaaaaaa-3"), 42, "value", "1/2/24");
        other = WebUnitFixture::withField(other, 40, "valueKey", 8);
        QCOMPARE(post(m_server->port(), WebUnitFixture::body(other)).json.value("fileName").toString(),
                 QString("South Depot1224.txt"));
        QStringList expected{"North Depot050624.txt", "North Depot050624_3.txt", "South Depot1224.txt",
                             "north depot050624_2.TXT"};
        QStringList files = m_unit->evaluationFiles();
        expected.sort();
        files.sort();
        QCOMPARE(files, expected);
    }

    void manyPhonesAtOnce() {
        constexpr int Phones = 8;
        constexpr int Each = 10;
        // The signals come from the server's threads, several at once. A window takes them
        // queued, in its own thread, and so does this test: a QSignalSpy, which records them
        // in the sending thread, is not made for senders at the same moment.
        int received = 0, phones = 0;
        QObject here;
        connect(
            m_server.get(), &WebUnitServer::fileReceived, &here, [&received] { ++received; }, Qt::QueuedConnection);
        connect(
            m_server.get(), &WebUnitServer::phoneSeen, &here, [&phones] { ++phones; }, Qt::QueuedConnection);
        const quint16 port = m_server->port();
        std::vector<std::thread> senders;
        std::atomic<int> stored{0}, repeated{0};
        for (int phone = 0; phone < Phones; ++phone) {
            senders.emplace_back([&, phone] {
                for (int i = 0; i < Each; ++i) {
                    const QByteArray body = WebUnitFixture::body(
                        WebUnitFixture::evaluation(QStringLiteral("phone%1-%2").arg(phone).arg(i)));
                    // Every evaluation twice, as after a lost answer.
                    for (int time = 0; time < 2; ++time) {
                        const Answer sent =
                            post(port, body, paired(WebUnitFixture::Token, "p" + std::to_string(phone)));
                        (sent.status == 201 ? stored : repeated)++;
                    }
                }
            });
        }
        for (std::thread& sender : senders)
            sender.join();
        QCOMPARE(stored.load(), Phones * Each);
        QCOMPARE(repeated.load(), Phones * Each);
        QCOMPARE(m_unit->evaluationFiles().size(), Phones * Each);
        QCOMPARE(m_server->filesReceived(), Phones * Each);
        QCOMPARE(m_server->phonesSeen(), Phones);
        QTRY_COMPARE(received, Phones * Each);
        QTRY_COMPARE(phones, Phones);
        QFile record(m_unit->folders().record);
        QVERIFY(record.open(QIODevice::ReadOnly));
        QCOMPARE(record.readAll().count('\n'), Phones * Each);
    }

    void listensWhereItIsTold() {
        QVERIFY_THROWS_EXCEPTION(KestrivoError, m_server->start(QStringLiteral("localhost")));
        QVERIFY_THROWS_EXCEPTION(KestrivoError, m_server->start(QStringLiteral("127.0.0.1:70000")));
        WebUnitServer other(m_unit->folders(), WebUnitFixture::Token);
        try {
            other.start(QStringLiteral("127.0.0.1:%1").arg(m_server->port()));
            QFAIL("a port in use was taken");
        } catch (const KestrivoError& error) {
            QVERIFY(error.description().contains("another program uses the port"));
        }
        QVERIFY(m_server->addresses().first().startsWith(
            QStringLiteral("http://127.0.0.1:%1/#token=%2").arg(m_server->port()).arg(WebUnitFixture::Token)));
    }

    void servesOverHttps() {
        QTemporaryDir keys;
        QString certificate, key;
        QVERIFY(WebUnitFixture::companyCertificate(keys, certificate, key));
        WebUnitServer secure(m_unit->folders(), WebUnitFixture::Token);
        try {
            secure.start(QStringLiteral("127.0.0.1:0"), certificate, certificate);
            QFAIL("a certificate was taken for its key");
        } catch (const KestrivoError& error) {
            QVERIFY(error.description().contains("cannot be used together for HTTPS"));
        }
        secure.start(QStringLiteral("127.0.0.1:0"), certificate, key);
        QVERIFY(secure.addresses().first().startsWith("https://127.0.0.1:"));
        httplib::SSLClient client("127.0.0.1", secure.port());
        client.enable_server_certificate_verification(false);
        const httplib::Result sent =
            client.Post("/api/evaluations", paired(), WebUnitFixture::body(WebUnitFixture::evaluation()).toStdString(),
                        "application/json");
        QVERIFY(sent);
        QCOMPARE(sent->status, 201);
        QCOMPARE(m_unit->evaluationFiles(), QStringList({"North Depot050624.txt"}));
    }
};

QTEST_GUILESS_MAIN(tst_WebUnitServer)
#include "tst_webunitserver.moc"
