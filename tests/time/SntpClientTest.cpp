#include "time/Compare.h"
#include "time/SntpClient.h"
#include "time/UdpSocket.h"

#include "FakeSntpServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cerrno>
#include <cmath>
#include <memory>
#include <chrono>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <thread>

namespace {

using Reply = FakeSntpServer::Reply;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// A reply as a server would send it, for the parser tests.
std::array<std::uint8_t, 68> Packet(const NtpTimestamp& t1, const NtpTimestamp& t2,
                                    const NtpTimestamp& t3, std::uint8_t byte0 = 0x1C,
                                    std::uint8_t stratum = 1, std::uint32_t rootDelay = 0,
                                    std::uint32_t rootDispersion = 0)
{
    std::array<std::uint8_t, 68> p{};
    p[0] = byte0;
    p[1] = stratum;
    for (int i = 0; i < 4; ++i) {
        p[4 + i] = static_cast<std::uint8_t>(rootDelay >> (24 - 8 * i));
        p[8 + i] = static_cast<std::uint8_t>(rootDispersion >> (24 - 8 * i));
    }
    std::memcpy(&p[24], t1.ToNetwork().data(), 8);
    std::memcpy(&p[32], t2.ToNetwork().data(), 8);
    std::memcpy(&p[40], t3.ToNetwork().data(), 8);
    return p;
}

// s seconds after a day after the build: a time a server may give.
NtpTimestamp Sec(double s)
{
    return NtpTimestamp::FromTimespec({static_cast<time_t>(EarliestServerTime() + 86400), 0}).AddSeconds(s);
}

NtpTimestamp Unix(std::int64_t s)
{
    return NtpTimestamp::FromTimespec({static_cast<time_t>(s), 0});
}

} // namespace

TEST(SntpReply, OffsetAndDelayFromTheFourTimestamps)
{
    struct Row { double t1, t2, t3, t4, delay, offset; };
    const Row rows[] = {
        {10.0, 11.0, 11.5, 10.5, 0.0, 1.0},
        {100.000, 99.600, 99.610, 100.030, 0.020, -0.410},
    };
    for (const Row& r : rows) {
        const auto p = Packet(Sec(r.t1), Sec(r.t2), Sec(r.t3));
        SntpResult result;
        ASSERT_EQ(ParseReply(p.data(), 48, Sec(r.t1), Sec(r.t4), result), SntpError::None);
        EXPECT_NEAR(result.Delay, r.delay, 1e-7);
        EXPECT_NEAR(result.Offset, r.offset, 1e-7);
        // A reply with an authenticator parses the same.
        SntpResult longer;
        ASSERT_EQ(ParseReply(p.data(), 68, Sec(r.t1), Sec(r.t4), longer), SntpError::None);
        EXPECT_EQ(longer.Offset, result.Offset);
    }
}

TEST(SntpReply, RefusesWhatAClientMustNotUse)
{
    const NtpTimestamp t1 = Sec(0), t2 = Sec(1), t3 = Sec(1.001);
    struct Row { std::uint8_t byte0, stratum; std::size_t len; NtpTimestamp t1, t3; SntpError want; };
    const Row rows[] = {
        {0x1C, 1, 48, t1, t3, SntpError::None},
        {0x1C, 15, 48, t1, t3, SntpError::None},
        {0xDC, 0, 48, t1, t3, SntpError::KissOfDeath},     // its standard form: leap 3 too
        {0x5C, 2, 48, t1, t3, SntpError::None},            // leap second announced
        {0x1C, 1, 47, t1, t3, SntpError::ShortReply},
        {0x1C, 1, 0, t1, t3, SntpError::ShortReply},
        {0x1B, 1, 48, t1, t3, SntpError::NotServerMode},   // our own request echoed
        {0x1D, 1, 48, t1, t3, SntpError::NotServerMode},   // broadcast
        {0xDC, 1, 48, t1, t3, SntpError::Unsynchronised},
        {0x1C, 0, 48, t1, t3, SntpError::KissOfDeath},
        {0x1C, 16, 48, t1, t3, SntpError::BadStratum},
        {0x1C, 255, 48, t1, t3, SntpError::BadStratum},
        {0x1C, 1, 48, t1, NtpTimestamp(0, 0), SntpError::NoTransmitTime},
        {0x1C, 1, 48, NtpTimestamp(t1.Seconds(), 1), t3, SntpError::WrongOriginate},
        {0x04, 1, 48, t1, t3, SntpError::BadVersion},      // version 0
        {0x3C, 1, 48, t1, t3, SntpError::BadVersion},      // version 7
        {0x0C, 1, 48, t1, t3, SntpError::None},            // version 1
        {0x24, 1, 48, t1, t3, SntpError::None},            // version 4
        {0x1C, 1, 48, t1, Unix(EarliestServerTime() - 1), SntpError::BeforeBuild},
    };
    for (const Row& r : rows) {
        const auto p = Packet(r.t1, t2, r.t3, r.byte0, r.stratum);
        SntpResult result;
        EXPECT_EQ(ParseReply(p.data(), r.len, t1, Sec(0.01), result), r.want)
            << int(r.byte0) << " stratum " << int(r.stratum) << " len " << r.len;
    }
    // A receive time from before the build (2001), and the root distance
    // (delay / 2 + dispersion, 16.16 s) at its limit of 5 s and past it.
    SntpResult old;
    const auto p2001 = Packet(t1, Unix(991353600), t3);
    EXPECT_EQ(ParseReply(p2001.data(), 48, t1, Sec(0.01), old), SntpError::BeforeBuild);
    struct Distance { std::uint32_t delay, dispersion; SntpError want; };
    for (const Distance d : {Distance{10u << 16, 0, SntpError::None},
                             Distance{4u << 16, 3u << 16, SntpError::None},
                             Distance{4u << 16, (3u << 16) + 1, SntpError::FarFromSource},
                             Distance{0, 100u << 16, SntpError::FarFromSource},
                             Distance{0x80000000u, 0, SntpError::FarFromSource}}) {
        const auto p = Packet(t1, t2, t3, 0x1C, 1, d.delay, d.dispersion);
        SntpResult result;
        EXPECT_EQ(ParseReply(p.data(), 48, t1, Sec(0.01), result), d.want) << d.delay << " " << d.dispersion;
    }

    // Leap indicator and stratum are read from the top bits and byte 1.
    const auto p = Packet(t1, t2, t3, 0xDC, 1);
    SntpResult result;
    ParseReply(p.data(), 48, t1, Sec(0.01), result);
    EXPECT_EQ(result.LeapIndicator, 3);
    EXPECT_EQ(result.Stratum, 1);
}

TEST(SntpReply, AnExchangeAcrossTheEraBoundaryGivesSeconds)
{
    // Around 2036-02-07 06:28:16 UTC, when the seconds wrap to 0: sent
    // just before, the server 2 s ahead answers in era 1; sent just after,
    // the server 2 s behind answers in era 0.
    const std::pair<NtpTimestamp, double> rows[] = {{{0xFFFFFFFFu, 0x80000000u}, 2.0}, {{1u, 0u}, -2.0}};
    for (const auto& [t1, ahead] : rows) {
        const NtpTimestamp t4 = t1.AddSeconds(0.003);
        const auto p = Packet(t1, t1.AddSeconds(ahead + 0.001), t1.AddSeconds(ahead + 0.002));
        SntpResult r;
        ASSERT_EQ(ParseReply(p.data(), 48, t1, t4, r), SntpError::None);
        EXPECT_NEAR(r.Offset, ahead, 1e-6);
        EXPECT_NEAR(r.Delay, 0.002, 1e-6);
    }
}

TEST(SntpReply, RandomBytesNeverCrashOrPassUnchecked)
{
    // Mutations of a good reply: whatever passes must satisfy every check.
    std::mt19937 rng(12345);
    const NtpTimestamp t1 = Sec(0);
    const auto good = Packet(t1, Sec(1), Sec(1.001));
    for (int i = 0; i < 200000; ++i) {
        auto p = good;
        const int flips = 1 + static_cast<int>(rng() % 6);
        for (int f = 0; f < flips; ++f)
            p[rng() % p.size()] = static_cast<std::uint8_t>(rng());
        const std::size_t len = rng() % 4 == 0 ? rng() % 69 : 48 + rng() % 21;
        SntpResult r;
        if (ParseReply(p.data(), len, t1, Sec(0.002), r) == SntpError::None) {
            ASSERT_GE(len, 48u);
            ASSERT_EQ(p[0] & 7, 4);
            ASSERT_NE(p[0] >> 6, 3);
            ASSERT_TRUE((p[0] >> 3 & 7) >= 1 && (p[0] >> 3 & 7) <= 4);
            ASSERT_LE(r.RootDistance, kMaxRootDistance);
            ASSERT_GE(r.Receive.ToUnixSeconds(), EarliestServerTime());
            ASSERT_GE(r.Transmit.ToUnixSeconds(), EarliestServerTime());
            ASSERT_TRUE(p[1] >= 1 && p[1] <= 15);
            ASSERT_EQ(r.Originate, t1);
            ASSERT_NE(r.Transmit.Value(), 0u);
            ASSERT_NE(r.Receive.Value(), 0u);
            ASSERT_GE(r.Delay, 0.0);
            ASSERT_TRUE(std::isfinite(r.Offset) && std::isfinite(r.Delay));
        }
    }
}

TEST(SntpQuery, MeasuresTheServersOffsetOnLoopback)
{
    for (const double offset : {0.0, 1.234, -0.41, -3600.5}) {
        FakeSntpServer server({.offset = offset});
        SntpClient client;
        SntpResult r;
        ASSERT_TRUE(client.Query("127.0.0.1", r, server.Port())) << client.LastErrorText();
        EXPECT_NEAR(r.Offset, offset, 0.02);   // precision: scripts/measure-compare.sh
        EXPECT_GE(r.Delay, -0.0001);
        EXPECT_LT(r.Delay, 0.05);
        EXPECT_EQ(r.Stratum, 2);
        EXPECT_EQ(client.LastError(), SntpError::None);
    }
    // A path delay is measured, and taken out of the offset.
    FakeSntpServer slow({.offset = 2.0, .delay = 0.2});
    SntpClient client;
    SntpResult r;
    ASSERT_TRUE(client.Query("127.0.0.1", r, slow.Port()));
    EXPECT_NEAR(r.Delay, 0.2, 0.03);
    EXPECT_NEAR(r.Offset, 2.0, 0.01);
}

TEST(SntpQuery, ReplyLengths)
{
    struct Row { std::size_t length; bool ok; };
    for (const Row row : {Row{0, false}, Row{20, false}, Row{47, false}, Row{48, true},
                          Row{68, true}, Row{100, true}}) {
        FakeSntpServer server({.offset = 0.5, .length = row.length});
        SntpClient client;
        SntpResult r;
        EXPECT_EQ(client.Query("127.0.0.1", r, server.Port()), row.ok) << row.length;
        if (row.ok)
            EXPECT_NEAR(r.Offset, 0.5, 0.02);
        else
            EXPECT_EQ(client.LastError(), SntpError::ShortReply) << row.length;
    }
}

TEST(SntpQuery, BrokenRepliesFailWithTheirReason)
{
    struct Row { Reply reply; SntpError want; };
    const Row rows[] = {
        {{.stratum = 0}, SntpError::KissOfDeath},
        {{.stratum = 16}, SntpError::BadStratum},
        {{.leap = 3}, SntpError::Unsynchronised},
        {{.mode = 3}, SntpError::NotServerMode},
        {{.wrongOriginate = true}, SntpError::WrongOriginate},
        {{.zeroTransmit = true}, SntpError::NoTransmitTime},
        {{.zeroReceive = true}, SntpError::NoReceiveTime},
        {{.transmitLate = 1.0}, SntpError::NegativeDelay},
        {{.stratum = 0, .leap = 3}, SntpError::KissOfDeath},
        {{.version = 0}, SntpError::BadVersion},
        {{.version = 7}, SntpError::BadVersion},
        {{.rootDispersion = 100}, SntpError::FarFromSource},
        // The server held the request -2.5 s: a round trip of 2.5 s.
        {{.transmitLate = -2.5}, SntpError::DelayTooLong},
        // A receive time in 2001.
        {{.receiveLate = 991353600.0 - static_cast<double>(std::time(nullptr))}, SntpError::BeforeBuild},
    };
    for (const Row& row : rows) {
        FakeSntpServer server(row.reply);
        SntpClient client;
        SntpResult r;
        EXPECT_FALSE(client.Query("127.0.0.1", r, server.Port()));
        EXPECT_EQ(client.LastError(), row.want);
        EXPECT_EQ(errno, EBADMSG);
        EXPECT_FALSE(client.LastErrorText().empty());
    }
    // The kiss code is told, also in the standard form with leap 3.
    FakeSntpServer kod({.stratum = 0, .leap = 3, .refId = "RATE"});
    SntpClient client;
    SntpResult r;
    client.Query("127.0.0.1", r, kod.Port());
    EXPECT_EQ(client.LastErrorText(), "서버가 요청을 거부했습니다 (RATE)");
}

TEST(SntpQuery, SilentServerTimesOutAfterTwoSeconds)
{
    FakeSntpServer server({.silent = true});
    SntpClient client;
    SntpResult r;
    const auto start = Clock::now();
    EXPECT_FALSE(client.Query("127.0.0.1", r, server.Port()));
    const double took = Ms(Clock::now() - start);
    EXPECT_EQ(client.LastError(), SntpError::Timeout);
    EXPECT_EQ(errno, ETIMEDOUT);
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_NEAR(took, 2000, 20);
}

TEST(SntpQuery, AStopEndsTheWaitAtOnceAndSendsNothingAfter)
{
    FakeSntpServer server({.silent = true});
    StopSignal stop;
    SntpClient client;
    client.SetStopSignal(&stop);
    SntpResult r;
    const auto start = Clock::now();
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop.Raise();
    });
    EXPECT_FALSE(client.Query("127.0.0.1", r, server.Port()));
    const double took = Ms(Clock::now() - start);
    stopper.join();
    EXPECT_EQ(client.LastError(), SntpError::Stopped);
    EXPECT_EQ(errno, ECANCELED);
    EXPECT_GE(took, 90);
    EXPECT_LT(took, 600);   // not the 2000 ms of the timeout
    // Raised, it stays raised: no later query sends.
    EXPECT_FALSE(client.Query("127.0.0.1", r, server.Port()));
    EXPECT_EQ(server.Requests(), 1);
}

TEST(SntpSocket, ADatagramCarriesTheKernelsArrivalTime)
{
    // Read 150 ms after it came, a datagram still tells when that was.
    UdpSocket receiver, sender;
    sockaddr_in at{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t len = sizeof at;
    ASSERT_TRUE(receiver.Create(AF_INET));
    ASSERT_EQ(::bind(receiver.Handle(), reinterpret_cast<sockaddr*>(&at), len), 0);
    ASSERT_EQ(::getsockname(receiver.Handle(), reinterpret_cast<sockaddr*>(&at), &len), 0);
    ASSERT_TRUE(sender.Connect("127.0.0.1", ntohs(at.sin_port)));
    // The kernel turns stamping on a moment after the first socket asks.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const NtpTimestamp sent = NtpTimestamp::Now();
    ASSERT_TRUE(sender.Send("x", 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    char buf[8];
    timespec arrival{};
    bool stamped = false;
    ASSERT_EQ(receiver.Read(buf, sizeof buf, arrival, stamped), 1);
    ASSERT_TRUE(stamped);
    EXPECT_NEAR(NtpTimestamp::FromTimespec(arrival).Diff(sent), 0.0, 0.05);
}

TEST(SntpSocket, ASendCarriesTheKernelsSendTime)
{
    // Asked 150 ms after the send, the socket still tells when that was:
    // a request's T1 does not depend on how soon this process runs.
    UdpSocket receiver, sender;
    sockaddr_in at{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t len = sizeof at;
    ASSERT_TRUE(receiver.Create(AF_INET));
    ASSERT_EQ(::bind(receiver.Handle(), reinterpret_cast<sockaddr*>(&at), len), 0);
    ASSERT_EQ(::getsockname(receiver.Handle(), reinterpret_cast<sockaddr*>(&at), &len), 0);
    ASSERT_TRUE(sender.Connect("127.0.0.1", ntohs(at.sin_port)));
    timespec left{};
    EXPECT_FALSE(sender.SentAt(left));   // nothing sent yet
    const NtpTimestamp before = NtpTimestamp::Now();
    ASSERT_TRUE(sender.Send("x", 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_TRUE(sender.SentAt(left));
    EXPECT_GE(NtpTimestamp::FromTimespec(left).Diff(before), 0.0);
    EXPECT_LT(NtpTimestamp::FromTimespec(left).Diff(before), 0.05);
    // A wait that sees only the send time goes on waiting for a reply.
    bool ready = true;
    ASSERT_TRUE(sender.Send("y", 1));
    ASSERT_TRUE(sender.WaitReadable(100, ready));
    EXPECT_FALSE(ready);
    EXPECT_TRUE(sender.SentAt(left));
}

TEST(SntpQuery, RefusedPortAndBadNamesFailAtOnce)
{
    SntpClient client;
    SntpResult r;
    auto start = Clock::now();
    EXPECT_FALSE(client.Query("127.0.0.1", r, ClosedLoopbackPort()));
    EXPECT_EQ(client.LastError(), SntpError::Receive);
    EXPECT_EQ(errno, ECONNREFUSED);
    EXPECT_LT(Ms(Clock::now() - start), 500);

    // Neither name can be asked of a resolver (a label longer than 63
    // bytes, an empty name), so no lookup leaves the machine.
    for (const std::string& bad : {std::string(64, 'x') + ".example", std::string()}) {
        start = Clock::now();
        EXPECT_FALSE(client.Query(bad.c_str(), r, 123));
        EXPECT_EQ(client.LastError(), SntpError::Resolve) << bad;
        EXPECT_NE(client.LastErrorText().find("호스트 이름을 찾을 수 없습니다"), std::string::npos);
        EXPECT_LT(Ms(Clock::now() - start), 500);
    }
}

TEST(SntpQuery, Ipv6Loopback)
{
    std::unique_ptr<FakeSntpServer> server;
    try {
        server = std::make_unique<FakeSntpServer>(Reply{.offset = -1.5}, true);
    } catch (const std::exception&) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    SntpClient client;
    SntpResult r;
    ASSERT_TRUE(client.Query("::1", r, server->Port())) << client.LastErrorText();
    EXPECT_NEAR(r.Offset, -1.5, 0.02);
}

TEST(Compare, FallsBackInOrderAndNumbersTheServer)
{
    FakeSntpServer primary({.offset = 0.1});
    FakeSntpServer secondary({.offset = 0.2});
    const TimeServer p{"127.0.0.1", primary.Port()};
    const TimeServer s{"127.0.0.1", secondary.Port()};
    const TimeServer refused{"127.0.0.1", ClosedLoopbackPort()};
    SntpClient client;

    ServerAnswer a = AskServers(client, {p, s});
    EXPECT_EQ(a.serverId, 1);
    EXPECT_NEAR(a.result.Offset, 0.1, 0.02);
    EXPECT_EQ(secondary.Requests(), 0);

    a = AskServers(client, {refused, s});
    EXPECT_EQ(a.serverId, 2);
    EXPECT_NEAR(a.result.Offset, 0.2, 0.02);
    ASSERT_EQ(a.failures.size(), 1u);

    // A server that refuses us (kiss-o'-death) counts as no answer.
    primary.SetReply({.stratum = 0});
    a = AskServers(client, {p, s});
    EXPECT_EQ(a.serverId, 2);

    a = AskServers(client, {refused, refused});
    EXPECT_EQ(a.serverId, 3);
    EXPECT_EQ(a.failures.size(), 2u);
}

TEST(Compare, TwoSilentServersTakeTheirTwoTimeouts)
{
    FakeSntpServer first({.silent = true});
    FakeSntpServer second({.silent = true});
    SntpClient client;
    const auto start = Clock::now();
    const ServerAnswer a = AskServers(client, {{"127.0.0.1", first.Port()}, {"127.0.0.1", second.Port()}});
    EXPECT_NEAR(Ms(Clock::now() - start), 4000, 40);
    EXPECT_EQ(a.serverId, 3);
    EXPECT_EQ(first.Requests(), 1);
    EXPECT_EQ(second.Requests(), 1);
}

TEST(Compare, Messages)
{
    EXPECT_EQ(CompareMessage(0.0), "사용자 PC가 0.000 초 늦습니다.");
    EXPECT_EQ(CompareMessage(-0.0004), "사용자 PC가 0.000 초 빠릅니다.");
    EXPECT_EQ(CompareMessage(1.2345), "사용자 PC가 1.234 초 늦습니다.");   // %.3f, as printf rounds
    EXPECT_EQ(CompareMessage(-12.5), "사용자 PC가 12.500 초 빠릅니다.");
}

TEST(Compare, ServerArguments)
{
    struct Row { const char* text; bool ok; const char* host; int port; };
    const Row rows[] = {
        {"time.example", true, "time.example", 123},
        {"127.0.0.1:10123", true, "127.0.0.1", 10123},
        {"[::1]:10123", true, "::1", 10123},
        {"[::1]", true, "::1", 123},
        {"::1", true, "::1", 123},
        {"fe80::1:2", true, "fe80::1:2", 123},
        {"host:", false, "", 0},
        {"host:0", false, "", 0},
        {"host:65536", false, "", 0},
        {"host:12x", false, "", 0},
        {":123", false, "", 0},
        {"[::1", false, "", 0},
        {"[::1]x", false, "", 0},
        {"", false, "", 0},
    };
    for (const Row& r : rows) {
        const auto s = ParseTimeServer(r.text);
        ASSERT_EQ(s.has_value(), r.ok) << r.text;
        if (s) {
            EXPECT_EQ(s->host, r.host);
            EXPECT_EQ(s->port, r.port);
        }
    }
}
