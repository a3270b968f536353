// The automatic transmission: where in the second a message leaves, what
// it names, how it waits and gives up; its workers and the indicator.

#include <gtest/gtest.h>

#include <termios.h>

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "SerialTestSupport.h"
#include "serial/TimeMessage.h"
#include "serial/TransmitTime.h"

namespace {

using namespace std::chrono;

// 2003-03-05 (day) h:mi:s.ms local time.
TransmitInstant Local(int h, int mi, int s, int ms, int day = 5)
{
    std::tm tm{};
    tm.tm_year = 103, tm.tm_mon = 2, tm.tm_mday = day, tm.tm_isdst = -1;
    tm.tm_hour = h, tm.tm_min = mi, tm.tm_sec = s;
    return TransmitInstant(seconds(std::mktime(&tm))) + milliseconds(ms);
}

// Moves on a little at each reading, as a spin sees it, and by sleeps. A
// change planned for a moment wakes a sleep that passes it, as the page's
// wake does, if the sleeper then no longer wants to wait.
struct FakeClock final : TransmitClock
{
    explicit FakeClock(TransmitInstant start) : now(start) {}
    TransmitInstant Now() override
    {
        ++readings;
        return now += microseconds(20);
    }
    void SleepUntil(TransmitInstant t, const std::function<bool()>& keepWaiting) override
    {
        ++sleeps;
        if (change && change->first <= t) {
            now = std::max(now, change->first);
            std::exchange(change, std::nullopt)->second();
            if (!keepWaiting())
                return;
        }
        now = std::max(now, t) + std::exchange(late, {});
    }
    void At(TransmitInstant t, std::function<void()> what) { change.emplace(t, std::move(what)); }
    TransmitInstant now;
    nanoseconds late{};  // the next sleep oversleeps by this
    std::optional<std::pair<TransmitInstant, std::function<void()>>> change;
    int readings = 0, sleeps = 0;
};

struct Indicator final : SendIndicator
{
    explicit Indicator(FakeClock& c) : clock(c) {}
    void ShowSendIndicator(bool lit) override { calls.push_back({lit, clock.now}); }
    FakeClock& clock;
    std::vector<std::pair<bool, TransmitInstant>> calls;
};

struct TransmitTimeTest : ::testing::Test
{
    void SetUp() override { g_bAutoCOMM = g_bComport[0] = true; }
    void TearDown() override { SetVisibleRs232cPage(nullptr); }
    std::string Send(FakeClock& clock) { return TransmitTime(clock, m_stop.get_token()); }

    PtyPorts m_ports;
    std::stop_source m_stop;
};

TEST_F(TransmitTimeTest, MessageIsReadAtTheNextCompensationPointAndNamesItsSecond)
{
    const struct { TransmitInstant start; int point; int late; TransmitInstant at; const char* sent; } rows[] = {
        {Local(13, 5, 6, 700), 500, 0, Local(13, 5, 7, 500), "@010507\r\n"},
        {Local(13, 5, 7, 480), 500, 0, Local(13, 5, 7, 500), "@010507\r\n"},
        {Local(13, 5, 7, 520), 500, 0, Local(13, 5, 8, 500), "@010508\r\n"},  // past it: the next
        {Local(13, 5, 7, 495), 500, 40, Local(13, 5, 8, 500), "@010508\r\n"},  // woken past the window
        {Local(23, 59, 59, 995), 10, 0, Local(0, 0, 0, 10, 6), "@120000\r\n"},
        {Local(0, 59, 59, 100), 990, 0, Local(0, 59, 59, 990), "@125959\r\n"},
    };
    for (const auto& r : rows) {
        g_nCompensateTime = r.point;
        FakeClock clock(r.start);
        clock.late = milliseconds(r.late);
        ASSERT_EQ(Send(clock), r.sent);
        EXPECT_EQ(m_ports[1].Read(18), std::string(r.sent) + r.sent);
        // Sent within 35 ms after the point, having slept: a spin through
        // the wait would read the clock tens of thousands of times.
        EXPECT_GE(clock.now, r.at);
        EXPECT_LE(clock.now, r.at + milliseconds(kCompensateWindowMs));
        EXPECT_LT(clock.readings, 400) << r.sent;
        EXPECT_EQ(clock.sleeps, r.late ? 2 : 1) << "sleeps until the point itself";
    }
}

TEST_F(TransmitTimeTest, OnlyTickedPortsHearItAt4800EightNoneOne)
{
    // Each port starts at 9600 baud with 2 stop bits (a pseudo-terminal
    // keeps 8 bits and no parity whatever it is told).
    for (int n = 1; n <= kComPortCount; ++n) {
        termios t{};
        ::tcgetattr(m_ports[n].slave, &t);
        t.c_cflag |= CSTOPB;
        ::cfsetspeed(&t, B9600);
        ASSERT_EQ(::tcsetattr(m_ports[n].slave, TCSANOW, &t), 0);
    }
    g_bComport[2] = true;
    FakeClock clock(Local(13, 5, 6, 700));
    ASSERT_EQ(Send(clock), "@010507\r\n");
    for (int n = 1; n <= kComPortCount; ++n) {
        const bool ticked = n == 1 || n == 3;
        EXPECT_EQ(m_ports[n].Read(18, ticked ? 2500 : 50), ticked ? "@010507\r\n@010507\r\n" : "") << n;
        termios t{};
        ::tcgetattr(m_ports[n].slave, &t);
        EXPECT_EQ(::cfgetospeed(&t), speed_t(ticked ? B4800 : B9600)) << n;
        EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), ticked ? CS8 : CS8 | CSTOPB) << n;
    }
}

// A device holding the line with XOFF keeps its port writing until the
// second the message names is over; a later port then hears nothing rather
// than a time that is no longer true, and an earlier one has had it.
TEST_F(TransmitTimeTest, APortHoldingTheLineCostsLaterPortsTheirTurnNotAStaleTime)
{
    g_bComport[1] = g_bComport[2] = true;
    ASSERT_TRUE(m_ports[2].Hold());
    g_nCompensateTime = 900;
    ShiftedClock clock(800);
    const TransmitInstant secondEnds = ceil<seconds>(clock.Now());
    const std::string sent = TransmitTime(clock, m_stop.get_token());
    EXPECT_LT(clock.Now(), secondEnds + milliseconds(300)) << "held only until the second ended";
    EXPECT_EQ(m_ports[1].Read(18), sent + sent);
    EXPECT_EQ(m_ports[2].Read(1, 50), "");
    EXPECT_EQ(m_ports[3].Read(1, 50), "");
}

// The program's exit waits for no worker.
TEST_F(TransmitTimeTest, StopEndsWorkersAtOnceAsleepOrHeldByAPort)
{
    g_bComport[1] = true;
    ASSERT_TRUE(m_ports[2].Hold());
    g_nCompensateTime = 100;
    ShiftedClock clock(50);  // the second then has 900 ms left to hold it
    auto workers = std::make_unique<TransmitWorkers>(clock);
    workers->Start();
    ASSERT_EQ(m_ports[1].Read(18).size(), 18u);
    std::this_thread::sleep_for(milliseconds(20));  // writing to COM2 now
    workers->Start();  // asleep until the next second's point
    std::this_thread::sleep_for(milliseconds(20));
    const auto start = steady_clock::now();
    workers.reset();
    EXPECT_LT(steady_clock::now() - start, milliseconds(300));
}

TEST_F(TransmitTimeTest, ChangesDuringTheWaitAreSeenAtOnce)
{
    // A moved compensation point is aimed at afresh.
    g_nCompensateTime = 900;
    FakeClock moved(Local(13, 5, 6, 100));
    moved.At(Local(13, 5, 6, 200), [] { g_nCompensateTime = 300; });
    EXPECT_EQ(Send(moved), "@010506\r\n");
    EXPECT_LE(moved.now, Local(13, 5, 6, 335));
    m_ports[1].Read(18);

    // Switched off, or the program ending: no sleep more, nothing sent.
    FakeClock off(Local(13, 5, 6, 100));
    off.At(Local(13, 5, 6, 200), [] { g_bAutoCOMM = false; });
    EXPECT_EQ(Send(off), "");
    EXPECT_EQ(off.sleeps, 1);
    g_bAutoCOMM = true;
    FakeClock stopped(Local(13, 5, 6, 100));
    stopped.At(Local(13, 5, 6, 200), [&] { m_stop.request_stop(); });
    EXPECT_EQ(Send(stopped), "");
    EXPECT_EQ(stopped.sleeps, 1);
    EXPECT_EQ(m_ports[1].Read(1, 100), "");
}

TEST_F(TransmitTimeTest, IndicatorLightsAt930OnlyWhileThePageIsShownAndOn)
{
    FakeClock clock(Local(13, 5, 6, 700));
    Indicator page(clock);
    SetVisibleRs232cPage(&page);
    Send(clock);
    ASSERT_EQ(page.calls.size(), 2u);
    EXPECT_TRUE(page.calls[0].first && !page.calls[1].first);
    EXPECT_GE(page.calls[0].second, Local(13, 5, 7, 930));
    EXPECT_LT(page.calls[0].second, Local(13, 5, 7, 932));
    EXPECT_GE(page.calls[1].second - page.calls[0].second, kIndicatorLit);

    // Switched off while waiting for 930: the message went, no light.
    FakeClock off(Local(13, 5, 6, 700));
    Indicator offPage(off);
    SetVisibleRs232cPage(&offPage);
    off.At(Local(13, 5, 7, 600), [] { g_bAutoCOMM = false; });
    EXPECT_EQ(Send(off), "@010507\r\n");
    EXPECT_TRUE(offPage.calls.empty());
}

// On real threads and the real clock.
TEST_F(TransmitTimeTest, WorkersSendTheSecondTheyLeaveInAndEndWhenSwitchedOff)
{
    {
        TransmitWorkers workers(SystemTransmitClock());
        workers.Start();
        const std::string got = m_ports[1].Read(18);
        const time_t now = std::time(nullptr);
        std::tm tm{};
        ::localtime_r(&now, &tm);
        const std::string named = TimeMessage(tm.tm_hour, tm.tm_min, tm.tm_sec);
        EXPECT_EQ(got, named + named);
    }
    // Three workers waiting about half a second for their point.
    const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    g_nCompensateTime = std::clamp(int((ms + 500) % 1000), 10, 990);
    TransmitWorkers workers(SystemTransmitClock());
    for (int i = 0; i < 3; ++i)
        workers.Start();
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(workers.Running(), 3);
    g_bAutoCOMM = false;
    WakeTransmitWorkers();  // as the page does after a change
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(workers.Running(), 0);
    EXPECT_EQ(m_ports[1].Read(1, 100), "");
}

TEST(SendIndicatorHub, AReplacedPageIsNoLongerCalled)
{
    struct SlowPage final : SendIndicator
    {
        std::atomic<bool> inside{false};
        void ShowSendIndicator(bool) override
        {
            inside = true;
            std::this_thread::sleep_for(microseconds(200));
            inside = false;
        }
    } page;
    std::jthread worker([](std::stop_token stop) {
        while (!stop.stop_requested())
            ShowSendIndicatorOnVisiblePage(true);
    });
    for (int i = 0; i < 100; ++i) {
        SetVisibleRs232cPage(&page);
        std::this_thread::sleep_for(microseconds(300));
        SetVisibleRs232cPage(nullptr);
        ASSERT_FALSE(page.inside) << "called after it was replaced";
    }
}

}  // namespace
