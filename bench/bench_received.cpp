// The web unit's record of received evaluations without HTTP: one phone alone, then 20 phones at
// once on two servers of one unit, every evaluation under the same name. What the lock costs
// shows as the time per evaluation when all wait for it (the whole run divided by the count).
#include "ReceivedEvaluations.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int Phones = 20;
constexpr int EachPhone = 50;
constexpr int Alone = 200;

// About the size of an evaluation of a template at every limit.
QByteArray evaluation(const QString& id) {
    return "\"*H*\",\"2024-05-06 14:03:11 #" + id.toLatin1() + "\",1,1000\r\n" + QByteArray(4000, 'x') + "\r\n";
}

struct Figures {
    std::vector<double> times;
    double seconds = 0;
    int failed = 0;
};

void print(const char* what, Figures& figures) {
    std::vector<double>& all = figures.times;
    std::sort(all.begin(), all.end());
    std::printf("%s: %zu stored, %d failed in %.2f s, %.2f ms per evaluation; answers: median %.2f ms, 95 %% within "
                "%.2f ms, slowest %.2f ms\n",
                what, all.size(), figures.failed, figures.seconds, figures.seconds * 1000 / double(all.size()),
                all[all.size() / 2], all[size_t(double(all.size()) * 0.95)], all.back());
}

bool timed(ReceivedEvaluations& server, const QString& id, std::vector<double>& times) {
    QElapsedTimer answered;
    answered.start();
    try {
        if (server.receive(id, QStringLiteral("Site"), QStringLiteral(".txt"), evaluation(id)).outcome !=
            ReceivedEvaluations::Outcome::Stored)
            return false;
    } catch (...) {
        return false;
    }
    times.push_back(double(answered.nsecsElapsed()) / 1e6);
    return true;
}

} // namespace

int main() {
    QTemporaryDir unit;
    const QString evaluations = unit.path() + QStringLiteral("/Evaluations/");
    const QString record = unit.path() + QStringLiteral("/.kestrivo-webunit/received.txt");
    QDir().mkpath(evaluations);

    ReceivedEvaluations first(record, evaluations), second(record, evaluations);
    Figures alone;
    QElapsedTimer wall;
    wall.start();
    for (int serial = 0; serial < Alone; ++serial)
        alone.failed += timed(first, QStringLiteral("alone-%1").arg(serial), alone.times) ? 0 : 1;
    alone.seconds = double(wall.elapsed()) / 1000;
    print("One phone", alone);

    std::vector<std::vector<double>> times(Phones);
    std::atomic<int> failed{0};
    wall.restart();
    std::vector<std::thread> phones;
    for (int phone = 0; phone < Phones; ++phone) {
        phones.emplace_back([&, phone] {
            for (int serial = 0; serial < EachPhone; ++serial) {
                if (!timed(phone % 2 ? second : first, QStringLiteral("phone%1-%2").arg(phone).arg(serial),
                           times[size_t(phone)]))
                    ++failed;
            }
        });
    }
    for (std::thread& phone : phones)
        phone.join();
    Figures together;
    together.seconds = double(wall.elapsed()) / 1000;
    together.failed = failed;
    for (const std::vector<double>& phone : times)
        together.times.insert(together.times.end(), phone.begin(), phone.end());
    print("20 phones on two servers", together);

    // Every stored evaluation is in a file of its own, with its own bytes.
    int whole = 0;
    for (const QString& name : QDir(evaluations).entryList(QDir::Files)) {
        QFile file(evaluations + name);
        if (file.open(QIODevice::ReadOnly) && file.readAll().size() > 4000)
            ++whole;
    }
    const int stored = int(alone.times.size() + together.times.size());
    std::printf("Files in the folder: %d whole for %d stored (every one once: %s)\n", whole, stored,
                whole == stored ? "yes" : "NO");
    return 0;
}
