// The web unit under load: the size of the page, the page in headless Chromium (template list
// after opening, a template at every limit ready to fill in), and 20 phones sending 50
// evaluations each at once (every file written exactly once, the time of each answer, memory).
#include "WebUnitServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <httplib.h>
#include <thread>

namespace {

constexpr int Fields = 20;
constexpr int Questions = 50;
constexpr int Answers = 20;
constexpr int PickEntries = 30;
constexpr int Phones = 20;
constexpr int EachPhone = 50;
const QString Token = QStringLiteral("0123456789abcdef0123456789abcdef");

// A template at every limit: 20 fields (the first the group, every type), 50 questions of
// 20 answers and 30 pick-list entries.
QByteArray limitTemplate() {
    QByteArray file = "\"H\",1\r\n\"N\",100\r\n\"N\",101\r\n";
    for (int field = 0; field < Fields; ++field) {
        const int type = field == 0 ? 2 : field % 4;
        const int values = type == 2 ? 8 : 0;
        file += QStringLiteral("\"F\",%1,\"Field %2\",%3,30,%4,%5,%6\r\n")
                    .arg(100 + field)
                    .arg(field + 1)
                    .arg(type)
                    .arg(values)
                    .arg(field < 3 ? -1 : 0)
                    .arg(field == 0 ? -1 : 0)
                    .toLatin1();
        for (int value = 0; value < values; ++value)
            file +=
                QStringLiteral("\"V\",\"Value %1\",%2\r\n").arg(value + 1).arg(1000 + field * 10 + value).toLatin1();
    }
    for (int question = 0; question < Questions; ++question) {
        file += QStringLiteral("\"Q\",%1,\"Question number %2: is everything in order here?\"\r\n")
                    .arg(2000 + question)
                    .arg(question + 1)
                    .toLatin1();
        for (int answer = 0; answer < Answers; ++answer)
            file += QStringLiteral("\"A\",\"Answer %1\"\r\n").arg(answer + 1).toLatin1();
        for (int entry = 0; entry < PickEntries; ++entry)
            file += QStringLiteral("\"P\",%1,\"Pick-list entry %2\"\r\n")
                        .arg(10000 + question * 100 + entry)
                        .arg(entry + 1)
                        .toLatin1();
    }
    return file;
}

std::string evaluation(int phone, int serial) {
    QJsonArray fields, questions;
    for (int field = 0; field < Fields; ++field) {
        const int type = field == 0 ? 2 : field % 4;
        if (type == 2)
            fields << QJsonObject{{"key", 100 + field}, {"valueKey", 1000 + field * 10 + serial % 8}};
        else
            fields << QJsonObject{{"key", 100 + field},
                                  {"value", type == 1   ? QString::number(serial)
                                            : type == 3 ? QStringLiteral("05/06/24")
                                                        : QStringLiteral("Phone %1").arg(phone)}};
    }
    for (int question = 0; question < Questions; ++question) {
        QJsonArray ticked;
        for (int entry = 0; entry < PickEntries; entry += 7)
            ticked << 10000 + question * 100 + entry;
        questions << QJsonObject{{"key", 2000 + question},
                                 {"answer", QStringLiteral("Answer %1").arg(1 + (serial + question) % Answers)},
                                 {"tbc", question % 5 == 0},
                                 {"ticked", ticked}};
    }
    const QJsonObject body{{"id", QStringLiteral("phone%1-evaluation%2").arg(phone).arg(serial)},
                           {"saved", "2024-05-06 14:03:11"},
                           {"template", "Limits.evt"},
                           {"fields", fields},
                           {"questions", questions}};
    return QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString();
}

long peakMemoryKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    // The server may end a connection whose body it will not read: a failed write, not a death.
    std::signal(SIGPIPE, SIG_IGN);
    QTemporaryDir unit;
    const WebUnitFolders folders =
        WebUnitFolders::forUnit(unit.path(), QStringLiteral("\\Templates\\"), QStringLiteral("\\Evaluations\\"));
    folders.create();
    QFile file(folders.templates + QStringLiteral("Limits.evt"));
    if (!file.open(QIODevice::WriteOnly) || file.write(limitTemplate()) < 0)
        return 1;
    file.close();
    WebUnitServer server(folders, Token);
    server.start(QStringLiteral("127.0.0.1:0"));

    qint64 pageBytes = 0;
    QDirIterator page(QStringLiteral(":/webunit"), QDir::Files);
    while (page.hasNext())
        pageBytes += QFileInfo(page.next()).size();
    std::printf("Page files together: %.1f KB (limit 200 KB)\n", double(pageBytes) / 1024);

    QProcess timing;
    const QString script = QStringLiteral(KESTRIVO_BENCH_SOURCE_DIR "/webunit_page_timing.py");
    timing.start(QStringLiteral("/usr/bin/python3"),
                 {script, server.addresses().first(), QStringLiteral("Limits.evt")});
    if (timing.waitForFinished(120000) && timing.exitCode() == 0) {
        for (const QByteArray& line : timing.readAllStandardOutput().split('\n')) {
            if (line.startsWith("list "))
                std::printf("Template list on the screen: %s ms after opening the page (limit 1000 ms)\n",
                            line.mid(5).constData());
            else if (line.startsWith("form "))
                std::printf("Template at every limit ready to fill in: %s ms after the tap (limit 300 ms)\n",
                            line.mid(5).constData());
        }
    } else {
        std::printf("Headless Chromium could not time the page: %s\n", timing.readAllStandardError().constData());
    }

    std::vector<std::vector<double>> times(Phones);
    std::atomic<int> stored{0}, failed{0};
    QElapsedTimer wall;
    wall.start();
    std::vector<std::thread> phones;
    for (int phone = 0; phone < Phones; ++phone) {
        phones.emplace_back([&, phone] {
            httplib::Client client("127.0.0.1", server.port());
            client.set_keep_alive(true);
            const httplib::Headers headers{{"Authorization", "Bearer " + Token.toStdString()},
                                           {"X-Kestrivo-Phone", "phone" + std::to_string(phone)}};
            for (int serial = 0; serial < EachPhone; ++serial) {
                const std::string body = evaluation(phone, serial);
                QElapsedTimer answered;
                answered.start();
                const httplib::Result result = client.Post("/api/evaluations", headers, body, "application/json");
                times[size_t(phone)].push_back(double(answered.nsecsElapsed()) / 1e6);
                (result && result->status == 201 ? stored : failed)++;
            }
        });
    }
    for (std::thread& phone : phones)
        phone.join();
    const double seconds = double(wall.elapsed()) / 1000;
    std::vector<double> all;
    for (const std::vector<double>& phone : times)
        all.insert(all.end(), phone.begin(), phone.end());
    std::sort(all.begin(), all.end());
    const int files = int(QDir(folders.evaluations).entryList(QDir::Files).size());
    std::printf("%d phones x %d evaluations at once: %d stored, %d failed, %d files in the unit's folder "
                "(every one once: %s), in %.1f s\n",
                Phones, EachPhone, stored.load(), failed.load(), files,
                files == Phones * EachPhone && stored == Phones * EachPhone ? "yes" : "NO", seconds);
    std::printf("Answers: median %.1f ms, 95 %% within %.1f ms (limit 200 ms), slowest %.1f ms\n", all[all.size() / 2],
                all[size_t(double(all.size()) * 0.95)], all.back());
    std::printf("Peak memory of the server with its 20 phones in one process: %.1f MB (limit 100 MB)\n",
                double(peakMemoryKb()) / 1024);
    return 0;
}
