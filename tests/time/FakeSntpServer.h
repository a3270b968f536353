#pragma once

#include "time/NtpTimestamp.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

// How the fake server answers each request.
struct FakeSntpReply
{
    double offset = 0;          // s, added to the real clock
    double delay = 0;           // s, round trip, split evenly both ways
    int stratum = 2;
    int leap = 0;
    int mode = 4;
    int version = 3;
    double rootDelay = 0;       // s, 16.16 on the wire
    double rootDispersion = 0;  // s, 16.16 on the wire
    std::size_t length = 48;    // bytes sent; longer replies carry filler
    bool wrongOriginate = false;
    bool zeroTransmit = false;
    bool zeroReceive = false;
    double transmitLate = 0;    // s added to T3 only: held longer than the round trip
    double receiveLate = 0;     // s added to T2 only
    const char* refId = "LOCL"; // four letters; the kiss code when stratum is 0
    bool silent = false;        // read the request, never answer
};

// An SNTP server on a loopback UDP port that answers each request the way
// its reply settings say: a true time shifted by an offset, a simulated
// path delay, or one of the broken replies a client must refuse.
class FakeSntpServer
{
public:
    using Reply = FakeSntpReply;


    // Binds 127.0.0.1 (or ::1 when ipv6) on a free port and starts serving.
    explicit FakeSntpServer(Reply reply = {}, bool ipv6 = false);
    ~FakeSntpServer();

    int Port() const { return m_port; }
    int Requests() const { return m_requests.load(); }
    void SetReply(const Reply& reply);

private:
    void Serve();

    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::mutex m_mutex;
    Reply m_reply;
    std::thread m_thread;
};

// A loopback UDP port with nothing bound to it: requests draw an ICMP
// port-unreachable, which a connected socket reports at once.
int ClosedLoopbackPort();
