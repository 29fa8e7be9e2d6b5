#pragma once

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

// Devices on the same network as the web unit that are not paired phones, each from a loopback
// address of its own and over TLS (an attacker checks no certificate), attacking until stopped:
// bodies of 300 MB chunked to any path, a GET with 200,000 header lines, 100 slow connections
// that trickle a header line a second, and two floods of requests without the right token. Each
// loop is bounded in count and in time.
class WebUnitAttacks {
public:
    static constexpr long long ChunkedBytes = 300LL * 1024 * 1024;
    static constexpr int HeaderLines = 200000;
    static constexpr int SlowConnections = 100;

    // What the server let each attack do. Answers: how many times the server answered with each
    // status, 0 for a connection it ended without an answer.
    struct Figures {
        std::map<int, int> chunkedAnswers;
        long long chunkedMostWritten = 0; // bytes of one body, the network's buffers included
        std::map<int, int> headerAnswers;
        int headerMostWritten = 0; // header lines of one request, the network's buffers included
        int slowOpenAtEnd = 0;     // of the slow connections
        int slowConnects = 0;      // connections the slow sender opened in all
        std::map<int, int> refusedAnswers;
    };
    // "413 x 40, 401 x 38, cut off x 75".
    static QByteArray answersText(const std::map<int, int>& answers);

    explicit WebUnitAttacks(unsigned short port);
    ~WebUnitAttacks();
    WebUnitAttacks(const WebUnitAttacks&) = delete;
    WebUnitAttacks& operator=(const WebUnitAttacks&) = delete;

    void start();
    Figures stop();

private:
    bool going() const;
    void chunked();
    void headers();
    void slow();
    void refused(int sender);

    unsigned short m_port;
    std::atomic<bool> m_stopping{false};
    std::chrono::steady_clock::time_point m_deadline;
    std::vector<std::thread> m_threads;
    Figures m_figures;
    static constexpr int RefusedSenders = 2;
    std::map<int, int> m_refusedFrom[RefusedSenders];
};
