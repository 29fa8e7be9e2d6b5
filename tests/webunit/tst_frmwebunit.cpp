#include "CertificateAuthority.h"
#include "ProgramSettings.h"
#include "ScriptedPrompter.h"
#include "Settings.h"
#include "WebUnitFixture.h"
#include "WindowControls.h"
#include "frmWebUnit.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <httplib.h>

// The window "Phones and Tablets" driven as a user does, with a phone at the other end.
class tst_frmWebUnit : public QObject {
    Q_OBJECT

    template <typename T> static T* control(QWidget& window, const char* name) {
        return WindowControls::control<T>(&window, name);
    }

    static void click(QWidget& window, const char* button) {
        QTest::mouseClick(control<QPushButton>(window, button), Qt::LeftButton);
    }

    // The port and the token of the address the window shows.
    static void addressParts(const QString& address, quint16& port, std::string& token) {
        const QUrl url(address);
        port = quint16(url.port());
        token = url.fragment().mid(QStringLiteral("token=").size()).toStdString();
    }

    // A phone that has installed the PC's certificate, as the installation page tells it to.
    static std::unique_ptr<httplib::SSLClient> trustingPhone(quint16 port) {
        auto phone = std::make_unique<httplib::SSLClient>("127.0.0.1", port);
        phone->set_ca_cert_path((CertificateAuthority::programFolder() + "authority.pem").toStdString().c_str());
        phone->enable_server_certificate_verification(true);
        return phone;
    }

    static int phoneAsks(quint16 port, const std::string& token) {
        const httplib::Result result = trustingPhone(port)->Get(
            "/api/templates", {{"Authorization", "Bearer " + token}, {"X-Kestrivo-Phone", "phone-a"}});
        return result ? result->status : 0;
    }

    QTemporaryDir m_data;

private Q_SLOTS:
    void initTestCase() {
        // The PC's certificate authority lives in the data folder.
        programSettings().DataPath = m_data.path() + QLatin1Char('/');
    }

    void servesPhonesUntilStopped() {
        WebUnitFixture unit;
        Settings::writeSetting(QStringLiteral("WebUnitListen"), QStringLiteral("127.0.0.1:0"));
        ScriptedPrompter prompter;
        frmWebUnit window(unit.folders());
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QLabel* address = control<QLabel>(window, "lblAddress");
        QVERIFY(address->text().isEmpty());
        QVERIFY(!control<QPushButton>(window, "cmdStop")->isEnabled());

        click(window, "cmdStart");
        QVERIFY2(address->text().startsWith("https://127.0.0.1:"), qPrintable(address->text()));
        QVERIFY(control<QWidget>(window, "picQrCode")->isVisible());
        QVERIFY(window.logic().qrCode().size() >= 21);
        // Once per phone: the installation page, over plain HTTP, hands out the PC's certificate.
        QCOMPARE(control<QLabel>(window, "lblInstallCaption")->text(), QString("1. Once per phone: install"));
        QCOMPARE(control<QLabel>(window, "lblOpenCaption")->text(), QString("2. Open"));
        QVERIFY(control<QWidget>(window, "picInstallQrCode")->isVisible());
        const QUrl install(control<QLabel>(window, "lblInstallAddress")->text());
        QCOMPARE(install.scheme(), QString("http"));
        httplib::Client installer("127.0.0.1", quint16(install.port()));
        const httplib::Result certificate = installer.Get("/kestrivo-ca.crt");
        QVERIFY(certificate);
        QCOMPARE(certificate->get_header_value("Content-Type"), std::string("application/x-x509-ca-cert"));
        QFile authority(CertificateAuthority::programFolder() + "authority.pem");
        QVERIFY(authority.open(QIODevice::ReadOnly));
        QCOMPARE(QByteArray::fromStdString(certificate->body), authority.readAll());
        QVERIFY(control<QLabel>(window, "lblFingerprint")->text().contains(window.logic().fingerprint()));
        QCOMPARE(window.logic().fingerprint().size(), 32 * 3 - 1);
        QVERIFY(!control<QPushButton>(window, "cmdStart")->isEnabled());
        QCOMPARE(control<QLabel>(window, "lblPhones")->text(), QString("Phones seen: 0"));

        quint16 port = 0;
        std::string token;
        addressParts(address->text(), port, token);
        QCOMPARE(phoneAsks(port, token), 200);
        QTRY_COMPARE(control<QLabel>(window, "lblPhones")->text(), QString("Phones seen: 1"));
        const httplib::Result sent = trustingPhone(port)->Post(
            "/api/evaluations", {{"Authorization", "Bearer " + token}, {"X-Kestrivo-Phone", "phone-a"}},
            WebUnitFixture::body(WebUnitFixture::evaluation()).toStdString(), "application/json");
        QCOMPARE(sent->status, 201);
        QTRY_COMPARE(control<QLabel>(window, "lblFiles")->text(),
                     QString("Files received: 1 (last: North Depot050624.txt)"));
        QCOMPARE(unit.evaluationFiles(), QStringList({"North Depot050624.txt"}));

        // A new token is asked for first; then the old address is refused.
        const QString before = address->text();
        prompter.answer(PromptAnswer::No);
        click(window, "cmdNewToken");
        QCOMPARE(address->text(), before);
        prompter.answer(PromptAnswer::Yes);
        click(window, "cmdNewToken");
        QVERIFY(prompter.last().text.contains("Make a new pairing token?"));
        QVERIFY(address->text() != before);
        QCOMPARE(phoneAsks(port, token), 401);
        QTRY_COMPARE(control<QLabel>(window, "lblUnpaired")->text(),
                     QString("1 request without the pairing token from 127.0.0.1"));
        addressParts(address->text(), port, token);
        QCOMPARE(phoneAsks(port, token), 200);
        QCOMPARE(Settings::readSetting(QStringLiteral("WebUnitToken")).toStdString(), token);

        // Closing while phones may still send is asked; No keeps the window and the server.
        prompter.answer(PromptAnswer::No);
        window.close();
        QVERIFY(window.isVisible());
        QCOMPARE(phoneAsks(port, token), 200);

        click(window, "cmdStop");
        QVERIFY(address->text().isEmpty());
        QVERIFY(!control<QWidget>(window, "picQrCode")->isVisible());
        QVERIFY(control<QPushButton>(window, "cmdStart")->isEnabled());
        QCOMPARE(phoneAsks(port, token), 0);
        QCOMPARE(prompter.pending(), 0);
        window.close();
        QVERIFY(!window.isVisible());
    }

    void aUnitThatIsNotThereIsNotServed();

    void aServerThatCannotStartSaysWhy() {
        WebUnitFixture unit;
        Settings::writeSetting(QStringLiteral("WebUnitListen"), QStringLiteral("every address"));
        ScriptedPrompter prompter;
        frmWebUnit window(unit.folders());
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        prompter.answer(PromptAnswer::Ok);
        click(window, "cmdStart");
        QCOMPARE(prompter.last().title, QString("Phones and Tablets"));
        QVERIFY(prompter.last().text.contains("The listen address \"every address\" is not ADDRESS:PORT"));
        QVERIFY(control<QPushButton>(window, "cmdStart")->isEnabled());
        QVERIFY(control<QLabel>(window, "lblAddress")->text().isEmpty());
        // Not serving: the window closes without a question.
        window.close();
        QVERIFY(!window.isVisible());
    }
};

void tst_frmWebUnit::aUnitThatIsNotThereIsNotServed() {
    QTemporaryDir parent;
    const QString missing = parent.filePath("unplugged") + QLatin1Char('/');
    ScriptedPrompter prompter;
    frmWebUnit window(WebUnitFolders::forUnit(missing, "\\Templates\\", "\\Evaluations\\"));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    prompter.answer(PromptAnswer::Ok);
    click(window, "cmdStart");
    QVERIFY2(prompter.last().text.contains("The unit folder " + missing + " is not there"),
             qPrintable(prompter.last().text));
    QVERIFY(control<QPushButton>(window, "cmdStart")->isEnabled());
    // Nothing was made on the PC's own disk in place of the unit.
    QVERIFY(!QFileInfo::exists(missing));
    window.close();
}

QTEST_MAIN(tst_frmWebUnit)
#include "tst_frmwebunit.moc"
