#include "ScriptedPrompter.h"
#include "Settings.h"
#include "WebUnitFixture.h"
#include "WindowControls.h"
#include "frmWebUnit.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
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

    static int phoneAsks(quint16 port, const std::string& token) {
        httplib::Client phone("127.0.0.1", port);
        const httplib::Result result =
            phone.Get("/api/templates", {{"Authorization", "Bearer " + token}, {"X-Kestrivo-Phone", "phone-a"}});
        return result ? result->status : 0;
    }

private Q_SLOTS:
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
        QVERIFY2(address->text().startsWith("http://127.0.0.1:"), qPrintable(address->text()));
        QVERIFY(control<QWidget>(window, "picQrCode")->isVisible());
        QVERIFY(window.logic().qrCode().size() >= 21);
        QVERIFY(!control<QPushButton>(window, "cmdStart")->isEnabled());
        QCOMPARE(control<QLabel>(window, "lblPhones")->text(), QString("Phones seen: 0"));

        quint16 port = 0;
        std::string token;
        addressParts(address->text(), port, token);
        QCOMPARE(phoneAsks(port, token), 200);
        QTRY_COMPARE(control<QLabel>(window, "lblPhones")->text(), QString("Phones seen: 1"));
        httplib::Client phone("127.0.0.1", port);
        const httplib::Result sent =
            phone.Post("/api/evaluations", {{"Authorization", "Bearer " + token}, {"X-Kestrivo-Phone", "phone-a"}},
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

QTEST_MAIN(tst_frmWebUnit)
#include "tst_frmwebunit.moc"
