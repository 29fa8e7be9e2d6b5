// The web unit under load, over HTTPS with the PC's own certificate authority, which the phones
// trust as they do once its certificate is installed: the size of the page; the page in headless
// Chromium (template list after opening, a template at every limit ready to fill in); 20 phones
// sending 50 evaluations each at once (every file written exactly once, the time of each answer,
// the server's memory); and the same 20 phones while devices that are not paired attack the
// server (300 MB chunked bodies, 200,000 header lines, 100 slow connections, floods of requests
// without the token). The server runs in a process of its own, so that its memory is its own.
#include "CertificateAuthority.h"
#include "KestrivoError.h"
#include "WebUnitAttacks.h"
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
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int Fields = 20;
constexpr int Questions = 50;
constexpr int Answers = 20;
constexpr int PickEntries = 30;
constexpr int Phones = 20;
constexpr int EachPhone = 50;
const QString TemplateFile = QStringLiteral("Limits.evt");
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

std::string evaluation(const QString& run, int phone, int serial) {
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
    const QJsonObject body{{"id", QStringLiteral("%1-phone%2-evaluation%3").arg(run).arg(phone).arg(serial)},
                           {"saved", "2024-05-06 14:03:11"},
                           {"template", TemplateFile},
                           {"fields", fields},
                           {"questions", questions}};
    return QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString();
}

WebUnitFolders unitFolders(const QString& root) {
    return WebUnitFolders::forUnit(root, QStringLiteral("\\Templates\\"), QStringLiteral("\\Evaluations\\"));
}

// "bench_webunit --serve UNIT AUTHORITY": the server of the unit with a certificate of the
// authority for 127.0.0.1; prints its port and serves until the benchmark ends.
int serve(const QString& unit, const QString& authorityFolder) {
    // However the benchmark ends, its server ends with it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const CertificateAuthority::ServerCertificate issued =
        CertificateAuthority(authorityFolder).serverCertificate({QStringLiteral("127.0.0.1")});
    WebUnitServer server(unitFolders(unit), Token);
    server.start(QStringLiteral("127.0.0.1:0"), {issued.chainPem, issued.keyPem});
    std::printf("%d\n", int(server.port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

// A unit with the template at every limit, served by a process of its own.
class ServedUnit {
public:
    ServedUnit(const QString& root, const QString& authorityFolder) : folders(unitFolders(root)) {
        QDir().mkpath(root); // the unit is "connected": the server serves no unit that is not there
        folders.create();
        QFile file(folders.templates + TemplateFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(limitTemplate()) < 0 || !file.flush())
            throw KestrivoError(1, QStringLiteral("The template cannot be written to %1.").arg(file.fileName()));
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--serve"), root, authorityFolder});
        if (!m_process.waitForReadyRead(60000))
            throw KestrivoError(1, QStringLiteral("The server did not start."));
        port = quint16(m_process.readLine().trimmed().toUInt());
    }
    ~ServedUnit() {
        m_process.kill();
        m_process.waitForFinished();
    }
    ServedUnit(const ServedUnit&) = delete;
    ServedUnit& operator=(const ServedUnit&) = delete;

    QString address() const { return QStringLiteral("https://127.0.0.1:%1/#token=%2").arg(port).arg(Token); }
    int files() const { return int(QDir(folders.evaluations).entryList(QDir::Files).size()); }
    // From the kernel's account of the server's process: "VmHWM" its peak, "VmRSS" now.
    double megabytes(const QByteArray& field) const {
        QFile status(QStringLiteral("/proc/%1/status").arg(m_process.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith(field + ':'))
                return double(line.mid(field.size() + 1).trimmed().split(' ').first().toLong()) / 1024;
        }
        return 0;
    }

    // The processor time that the server has used, user and system.
    double cpuSeconds() const {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return 0;
        const QList<QByteArray> fields = stat.readAll().split(')').last().split(' ');
        return fields.size() > 13
                   ? double(fields.at(12).toLong() + fields.at(13).toLong()) / double(::sysconf(_SC_CLK_TCK))
                   : 0;
    }

    WebUnitFolders folders;
    quint16 port = 0;

private:
    QProcess m_process;
};

void printPageSize() {
    qint64 pageBytes = 0;
    QDirIterator page(QStringLiteral(":/webunit"), QDir::Files);
    while (page.hasNext())
        pageBytes += QFileInfo(page.next()).size();
    std::printf("Page files together: %.1f KB (limit 200 KB)\n", double(pageBytes) / 1024);
}

void timePage(const QString& address, const QString& authorityFile) {
    QProcess timing;
    const QString script = QStringLiteral(KESTRIVO_BENCH_SOURCE_DIR "/webunit_page_timing.py");
    timing.start(QStringLiteral("/usr/bin/python3"), {script, address, TemplateFile, authorityFile});
    if (!timing.waitForFinished(180000) || timing.exitCode() != 0) {
        std::printf("Headless Chromium could not time the page: %s\n", timing.readAllStandardError().constData());
        return;
    }
    for (const QByteArray& line : timing.readAllStandardOutput().split('\n')) {
        if (line.startsWith("list "))
            std::printf("Template list on the screen: %s ms after opening the page (limit 1000 ms)\n",
                        line.mid(5).constData());
        else if (line.startsWith("form "))
            std::printf("Template at every limit ready to fill in: %s ms after the tap (limit 300 ms)\n",
                        line.mid(5).constData());
    }
}

struct Sent {
    std::vector<double> times; // ms, of every answer
    int stored = 0;
    int failed = 0;
    double seconds = 0;
};

// The phones send at once, each from an address of its own as on a Wi-Fi network, over one kept
// connection, trusting the PC's authority and nothing else.
Sent sendAtOnce(quint16 port, const QString& authorityFile, const QString& run) {
    std::vector<std::vector<double>> times(Phones);
    std::atomic<int> stored{0}, failed{0};
    QElapsedTimer wall;
    wall.start();
    std::vector<std::thread> phones;
    for (int phone = 0; phone < Phones; ++phone) {
        phones.emplace_back([&, phone] {
            httplib::SSLClient client("127.0.0.1", port);
            client.set_ca_cert_path(authorityFile.toStdString().c_str());
            client.enable_server_certificate_verification(true);
            client.set_keep_alive(true);
            client.set_read_timeout(30, 0);
            client.set_socket_options([phone](socket_t socket) {
                sockaddr_in source{};
                source.sin_family = AF_INET;
                source.sin_addr.s_addr = htonl((127u << 24) | (1u << 8) | unsigned(phone + 1));
                ::bind(socket, reinterpret_cast<sockaddr*>(&source), sizeof source);
            });
            const httplib::Headers headers{{"Authorization", "Bearer " + Token.toStdString()},
                                           {"X-Kestrivo-Phone", "phone" + std::to_string(phone)}};
            for (int serial = 0; serial < EachPhone; ++serial) {
                const std::string body = evaluation(run, phone, serial);
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
    Sent sent;
    sent.seconds = double(wall.elapsed()) / 1000;
    for (const std::vector<double>& phone : times)
        sent.times.insert(sent.times.end(), phone.begin(), phone.end());
    std::sort(sent.times.begin(), sent.times.end());
    sent.stored = stored;
    sent.failed = failed;
    return sent;
}

void printSent(const Sent& sent, int files, int p95Limit, int slowestLimit) {
    const std::vector<double>& all = sent.times;
    std::printf("%d phones x %d evaluations at once: %d stored, %d failed, %d files in the unit's folder "
                "(every one once: %s), in %.1f s\n",
                Phones, EachPhone, sent.stored, sent.failed, files,
                files == Phones * EachPhone && sent.stored == Phones * EachPhone ? "yes" : "NO", sent.seconds);
    std::printf("Answers: median %.1f ms, 95 %% within %.1f ms (limit %d ms), slowest %.1f ms", all[all.size() / 2],
                all[size_t(double(all.size()) * 0.95)], p95Limit, all.back());
    if (slowestLimit > 0)
        std::printf(" (limit %d ms)", slowestLimit);
    std::printf("\n");
}

void quietRun(const QString& root, const QString& authorityFolder, const QString& authorityFile) {
    std::printf("\nOver HTTPS, phones trusting the PC's own certificate authority:\n");
    const ServedUnit unit(root, authorityFolder);
    timePage(unit.address(), authorityFile);
    const double cpu = unit.cpuSeconds();
    const Sent sent = sendAtOnce(unit.port, authorityFile, QStringLiteral("quiet"));
    printSent(sent, unit.files(), 200, 0);
    std::printf("Processor time of the server for them: %.1f s (%.1f ms an evaluation)\n", unit.cpuSeconds() - cpu,
                (unit.cpuSeconds() - cpu) * 1000 / (Phones * EachPhone));
    std::printf("Peak memory of the server: %.1f MB (limit 100 MB)\n", unit.megabytes("VmHWM"));
}

void attackedRun(const QString& root, const QString& authorityFolder, const QString& authorityFile) {
    std::printf("\nThe same phones while devices that are not paired attack the server:\n");
    const ServedUnit unit(root, authorityFolder);
    const double started = unit.megabytes("VmRSS");
    WebUnitAttacks attacks(unit.port);
    attacks.start();
    // The slow connections are open and the floods under way before the first phone sends.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double cpu = unit.cpuSeconds();
    const Sent sent = sendAtOnce(unit.port, authorityFile, QStringLiteral("attacked"));
    const double used = unit.cpuSeconds() - cpu;
    const WebUnitAttacks::Figures figures = attacks.stop();
    printSent(sent, unit.files(), 500, 2000);
    std::printf("Processor time of the server meanwhile, attacks included: %.1f s\n", used);
    const double peak = unit.megabytes("VmHWM");
    std::printf("Peak memory of the server: %.1f MB (limit 100 MB), %.1f MB above its start (limit 64 MB)\n", peak,
                peak - started);
    std::printf("300 MB chunked to any path, answers: %s; at most %.1f MB of one body written, the network's buffers "
                "included\n",
                WebUnitAttacks::answersText(figures.chunkedAnswers).constData(),
                double(figures.chunkedMostWritten) / (1024 * 1024));
    std::printf("GET with 200,000 header lines, answers: %s; at most %d lines written, the network's buffers "
                "included\n",
                WebUnitAttacks::answersText(figures.headerAnswers).constData(), figures.headerMostWritten);
    std::printf("%d slow connections from 127.0.0.2: %d still open at the end (limit %u per address), %d opened "
                "in all\n",
                WebUnitAttacks::SlowConnections, figures.slowOpenAtEnd, HttpDaemon::ConnectionsPerAddress,
                figures.slowConnects);
    std::printf("Requests without the pairing token, answers: %s (only 401 allowed)\n",
                WebUnitAttacks::answersText(figures.refusedAnswers).constData());
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    // The server may end a connection whose body it will not read: a failed write, not a death.
    std::signal(SIGPIPE, SIG_IGN);
    const QStringList arguments = application.arguments();
    try {
        if (arguments.size() == 4 && arguments.at(1) == QLatin1String("--serve"))
            return serve(arguments.at(2), arguments.at(3));
        QTemporaryDir work;
        const QString authorityFolder = work.filePath(QStringLiteral("authority")) + QLatin1Char('/');
        const QString authorityFile = CertificateAuthority(authorityFolder).authority().certificateFile;
        printPageSize();
        quietRun(work.filePath(QStringLiteral("quiet")), authorityFolder, authorityFile);
        attackedRun(work.filePath(QStringLiteral("attacked")), authorityFolder, authorityFile);
        return 0;
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "bench_webunit: %s\n", qPrintable(error.description()));
        return 1;
    }
}
