#include "FieldDayPhone.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <httplib.h>
#include <random>
#include <thread>

namespace FieldDayPhone {

namespace {

constexpr int MaxTries = 40;
constexpr qint64 GiveUpMs = 120000;
constexpr int RequestTimeoutSeconds = 15; // as the page's own
constexpr int ThinkMinMs = 200;
constexpr int ThinkMaxMs = 1500;

httplib::Headers headers(const PhoneTarget& target, int phone) {
    return {{"Authorization", "Bearer " + target.token},
            {"X-Kestrivo-Phone", "fieldday-phone-" + std::to_string(phone)}};
}

std::unique_ptr<httplib::SSLClient> trustingClient(const PhoneTarget& target) {
    auto client = std::make_unique<httplib::SSLClient>("127.0.0.1", target.port);
    client->set_ca_cert_path(target.authorityFile.c_str());
    client->enable_server_certificate_verification(true);
    client->set_keep_alive(true);
    client->set_connection_timeout(5);
    client->set_read_timeout(RequestTimeoutSeconds);
    client->set_write_timeout(RequestTimeoutSeconds);
    return client;
}

// Waits in short steps, so that a stop is heard at once.
void pause(int milliseconds, const std::atomic<bool>& stop) {
    for (int waited = 0; waited < milliseconds && !stop; waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(20, milliseconds - waited)));
}

std::string randomId(std::mt19937& random) {
    static const char Hex[] = "0123456789abcdef";
    std::string id;
    for (int i = 0; i < 32; ++i)
        id += Hex[random() % 16];
    return id;
}

enum class Delivery { Acknowledged, Refused, Unsent };

// Sends one evaluation until the PC acknowledges it, refuses it, or the tries run out.
Delivery deliver(httplib::SSLClient& client, const httplib::Headers& headers, const std::string& body,
                 std::atomic<int>* inFlight, const std::atomic<bool>& stop, PhoneTally& tally) {
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    for (int attempt = 0; attempt < MaxTries && sinceFirst.elapsed() < GiveUpMs && !stop; ++attempt) {
        if (attempt > 0)
            pause(250 << std::min(attempt - 1, 3), stop);
        QElapsedTimer answered;
        answered.start();
        if (inFlight)
            ++*inFlight;
        const httplib::Result result = client.Post("/api/evaluations", headers, body, "application/json");
        if (inFlight)
            --*inFlight;
        if (!result) {
            ++tally.connectionErrors;
            continue;
        }
        tally.answerMs.push_back(double(answered.nsecsElapsed()) / 1e6);
        if (result->status >= 500) {
            ++tally.serverErrors;
            continue;
        }
        if (result->status == 201 || result->status == 200) {
            tally.alreadyReceived += result->status == 200 ? 1 : 0;
            tally.acknowledgedMs.push_back(double(sinceFirst.nsecsElapsed()) / 1e6);
            return Delivery::Acknowledged;
        }
        tally.refusals.push_back(std::to_string(result->status) + ": " + result->body);
        return Delivery::Refused;
    }
    return Delivery::Unsent;
}

} // namespace

QString tag(int phone, int number) {
    return QStringLiteral("P%1-E%2").arg(phone, 2, 10, QLatin1Char('0')).arg(number, 2, 10, QLatin1Char('0'));
}

std::string evaluation(const FieldDayForm& form, int phone, int number, const std::string& id) {
    const QJsonArray fields{QJsonObject{{"key", form.site}, {"valueKey", form.sites[(phone + number) % 2]}},
                            QJsonObject{{"key", form.tag}, {"value", tag(phone, number)}},
                            QJsonObject{{"key", form.visited}, {"value", "05/06/24"}}};
    const QJsonArray questions{
        QJsonObject{{"key", form.counted}, {"answer", "1"}, {"tbc", false}, {"ticked", QJsonArray()}}};
    const QJsonObject body{{"id", QString::fromStdString(id)},
                           {"saved", "2024-05-06 14:03:11"},
                           {"template", QString::fromStdString(form.file)},
                           {"fields", fields},
                           {"questions", questions}};
    return QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString();
}

void send(const PhoneTarget& target, const FieldDayForm& form, int phone, int count, unsigned seed,
          const std::atomic<bool>& stop, std::atomic<int>& acknowledged, PhoneTally& tally) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> think(ThinkMinMs, ThinkMaxMs);
    const std::unique_ptr<httplib::SSLClient> client = trustingClient(target);
    const httplib::Headers paired = headers(target, phone);
    for (int number = 0; number < count; ++number) {
        pause(think(random), stop);
        const std::string body = evaluation(form, phone, number, randomId(random));
        switch (deliver(*client, paired, body, target.inFlight, stop, tally)) {
        case Delivery::Acknowledged:
            ++acknowledged;
            break;
        case Delivery::Refused:
        case Delivery::Unsent:
            tally.unacknowledged.push_back(number);
            break;
        }
    }
}

int templatesStatus(const PhoneTarget& target) {
    const httplib::Result result = trustingClient(target)->Get("/api/templates", headers(target, -1));
    return result ? result->status : 0;
}

} // namespace FieldDayPhone
