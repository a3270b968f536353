// The automatic transmission: where in the second a message leaves, what
// it names, how it waits, when it gives up; its workers and the indicator.

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

#include "SerialTestSupport.h"
#include "serial/TimeMessage.h"
#include "serial/TransmitTime.h"

namespace {

using namespace std::chrono;

// Local wall time y-mo-d h:mi:s.ms as an instant.
TransmitInstant Local(int h, int mi, int s, int ms, int day = 5)
{
    std::tm tm{};
    tm.tm_year = 2003 - 1900;
    tm.tm_mon = 2;
    tm.tm_mday = day;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return TransmitInstant(seconds(std::mktime(&tm))) + milliseconds(ms);
}

std::string MessageAt(TransmitInstant t)
{
    const std::time_t s = system_clock::to_time_t(floor<seconds>(t));
    std::tm tm{};
    ::localtime_r(&s, &tm);
    return TimeMessage(tm.tm_hour, tm.tm_min, tm.tm_sec);
}

// Time moves only when read (a little, as a spin sees it) or slept on.
class FakeTransmitClock final : public TransmitClock
{
public:
    explicit FakeTransmitClock(TransmitInstant start) : now(start) {}

    TransmitInstant Now() override
    {
        ++readings;
        now += step;
        return now;
    }
    void SleepUntil(TransmitInstant t) override
    {
        ++sleeps;
        now = std::max(now, t) + late;
        late = {};
        if (onSleep)
            onSleep();
    }

    TransmitInstant now;
    nanoseconds step = microseconds(20);
    nanoseconds late{};  // how much the next sleep oversleeps
    std::function<void()> onSleep;
    int readings = 0;
    int sleeps = 0;
};

// Records what a worker asks of the page, and when.
class RecordingIndicator final : public SendIndicator
{
public:
    explicit RecordingIndicator(FakeTransmitClock& clock) : m_clock(clock) {}
    void ShowSendIndicator(bool lit) override { calls.push_back({lit, m_clock.now}); }

    struct Call
    {
        bool lit;
        TransmitInstant at;
    };
    std::vector<Call> calls;

private:
    FakeTransmitClock& m_clock;
};

class TransmitTimeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_bAutoCOMM = true;
        g_bComport[0] = true;
    }
    void TearDown() override { SetVisibleRs232cPage(nullptr); }

    PtyPorts m_ports;
    std::stop_source m_stop;
};

TEST_F(TransmitTimeTest, ReadingAtTheCompensationPointNamesItsSecond)
{
    const struct
    {
        TransmitInstant start;
        int compensate;
        TransmitInstant point;
        const char* message;
    } rows[] = {
        {Local(13, 5, 6, 700), 500, Local(13, 5, 7, 500), "@010507\r\n"},
        {Local(13, 5, 7, 300), 500, Local(13, 5, 7, 500), "@010507\r\n"},
        // Inside the window but past the point: the next point is aimed at.
        {Local(13, 5, 7, 520), 500, Local(13, 5, 8, 500), "@010508\r\n"},
        {Local(23, 59, 59, 995), 10, Local(0, 0, 0, 10, 6), "@120000\r\n"},
        {Local(12, 29, 59, 999), 10, Local(12, 30, 0, 10), "@123000\r\n"},
        {Local(0, 59, 59, 100), 990, Local(0, 59, 59, 990), "@125959\r\n"},
    };
    for (const auto& r : rows) {
        g_nCompensateTime = r.compensate;
        FakeTransmitClock clock(r.start);
        const auto reading = WaitForCompensationPoint(clock, m_stop.get_token());
        ASSERT_TRUE(reading);
        EXPECT_GE(*reading, r.point);
        EXPECT_LE(*reading - r.point, milliseconds(kCompensateWindowMs));
        EXPECT_EQ(MessageAt(*reading), r.message);
        // It slept: a spin through the wait would read the clock ~50000 times.
        EXPECT_LT(clock.readings, 400) << r.message;
    }
}

TEST_F(TransmitTimeTest, SendsTheMessageTwiceAndNothingElse)
{
    g_nCompensateTime = 500;
    FakeTransmitClock clock(Local(13, 5, 6, 700));
    EXPECT_EQ(TransmitTime(clock, m_stop.get_token()), "@010507\r\n");
    EXPECT_EQ(m_ports[1].Read(19, 300), "@010507\r\n@010507\r\n");
    EXPECT_EQ(m_ports[2].Pending(), "");
}

TEST_F(TransmitTimeTest, WokenPastTheWindowWaitsForTheNextSecond)
{
    // The sleep before the point ends 40 ms late, 5 ms beyond the window.
    g_nCompensateTime = 500;
    FakeTransmitClock clock(Local(13, 5, 7, 495));
    clock.late = milliseconds(40);
    const auto reading = WaitForCompensationPoint(clock, m_stop.get_token());
    ASSERT_TRUE(reading);
    EXPECT_GE(*reading, Local(13, 5, 8, 500));
    EXPECT_LE(*reading, Local(13, 5, 8, 535));
}

TEST_F(TransmitTimeTest, AChangedCompensationIsAimedAtAfresh)
{
    g_nCompensateTime = 900;
    FakeTransmitClock clock(Local(13, 5, 6, 100));
    clock.onSleep = [] { g_nCompensateTime = 300; };
    const auto reading = WaitForCompensationPoint(clock, m_stop.get_token());
    ASSERT_TRUE(reading);
    EXPECT_GE(*reading, Local(13, 5, 6, 300));
    EXPECT_LE(*reading, Local(13, 5, 6, 335));
}

TEST_F(TransmitTimeTest, EndsAtOnceWithoutSendingWhenStopped)
{
    // Off before it starts: not one sleep.
    g_bAutoCOMM = false;
    FakeTransmitClock idle(Local(13, 5, 6, 100));
    EXPECT_EQ(TransmitTime(idle, m_stop.get_token()), "");
    EXPECT_EQ(idle.sleeps, 0);

    // Switched off during the wait: no further sleep after it.
    g_bAutoCOMM = true;
    FakeTransmitClock clock(Local(13, 5, 6, 100));
    clock.onSleep = [&] {
        if (clock.sleeps == 3)
            g_bAutoCOMM = false;
    };
    EXPECT_EQ(TransmitTime(clock, m_stop.get_token()), "");
    EXPECT_EQ(clock.sleeps, 3);

    // The program ending stops it the same way.
    g_bAutoCOMM = true;
    FakeTransmitClock ending(Local(13, 5, 6, 100));
    ending.onSleep = [&] { m_stop.request_stop(); };
    EXPECT_EQ(TransmitTime(ending, m_stop.get_token()), "");
    EXPECT_EQ(ending.sleeps, 1);

    EXPECT_EQ(m_ports[1].Read(1, 100), "");
}

TEST_F(TransmitTimeTest, IndicatorLightsAt930WhileThePageIsShown)
{
    g_nCompensateTime = 500;
    FakeTransmitClock clock(Local(13, 5, 6, 700));
    RecordingIndicator page(clock);
    SetVisibleRs232cPage(&page);
    TransmitTime(clock, m_stop.get_token());
    ASSERT_EQ(page.calls.size(), 2u);
    EXPECT_TRUE(page.calls[0].lit);
    EXPECT_GE(page.calls[0].at, Local(13, 5, 7, 930));
    EXPECT_LT(page.calls[0].at, Local(13, 5, 7, 935));
    EXPECT_FALSE(page.calls[1].lit);
    EXPECT_GE(page.calls[1].at - page.calls[0].at, kIndicatorLit);

    // Sent after 930 already: lit at once.
    g_nCompensateTime = 990;
    FakeTransmitClock late(Local(13, 5, 6, 700));
    RecordingIndicator latePage(late);
    SetVisibleRs232cPage(&latePage);
    TransmitTime(late, m_stop.get_token());
    ASSERT_EQ(latePage.calls.size(), 2u);
    EXPECT_LT(latePage.calls[0].at, Local(13, 5, 6, 995));
}

TEST_F(TransmitTimeTest, NoIndicatorWithoutAPageOrOnceSwitchedOff)
{
    // No page shown: the worker ends right after sending.
    g_nCompensateTime = 500;
    FakeTransmitClock clock(Local(13, 5, 6, 700));
    TransmitTime(clock, m_stop.get_token());
    EXPECT_LT(clock.now, Local(13, 5, 7, 540));

    // Switched off while waiting for 930: the message went, no light.
    FakeTransmitClock off(Local(13, 5, 6, 700));
    RecordingIndicator page(off);
    SetVisibleRs232cPage(&page);
    off.onSleep = [&] {
        if (off.now > Local(13, 5, 7, 600))
            g_bAutoCOMM = false;
    };
    EXPECT_EQ(TransmitTime(off, m_stop.get_token()), "@010507\r\n");
    EXPECT_TRUE(page.calls.empty());
}

// --- On real threads and the real clock ---

class TransmitWorkersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_bAutoCOMM = true;
        g_bComport[0] = true;
    }
    // A compensation point about half a second from now.
    static int PointHalfASecondAway()
    {
        const auto now = system_clock::now();
        const int ms = int(duration_cast<milliseconds>(now - floor<seconds>(now)).count());
        return std::clamp((ms + 500) % 1000, kCompensateTimeMin, kCompensateTimeMax);
    }

    PtyPorts m_ports;
};

TEST_F(TransmitWorkersTest, WorkerSendsTheSecondItLeavesIn)
{
    g_nCompensateTime = 500;
    TransmitWorkers workers(SystemTransmitClock());
    workers.Start();
    const std::string got = m_ports[1].Read(18, 2500);
    const auto arrived = system_clock::now();
    ASSERT_EQ(got.size(), 18u) << got;
    EXPECT_EQ(got.substr(0, 9), got.substr(9));
    EXPECT_EQ(got.substr(0, 9), MessageAt(TransmitInstant(arrived.time_since_epoch())));
    for (int i = 0; i < 200 && workers.Running() > 0; ++i)
        std::this_thread::sleep_for(milliseconds(5));
    EXPECT_EQ(workers.Running(), 0);
}

TEST_F(TransmitWorkersTest, WaitingWorkersEndAtOnceWhenSwitchedOff)
{
    g_nCompensateTime = PointHalfASecondAway();
    TransmitWorkers workers(SystemTransmitClock());
    for (int i = 0; i < 3; ++i)
        workers.Start();
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(workers.Running(), 3);

    g_bAutoCOMM = false;
    const auto off = steady_clock::now();
    while (workers.Running() > 0 && steady_clock::now() - off < seconds(2))
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_EQ(workers.Running(), 0);
    EXPECT_LT(steady_clock::now() - off, milliseconds(150));
    EXPECT_EQ(m_ports[1].Read(1, 200), "");
}

TEST_F(TransmitWorkersTest, EndingTheProgramStopsWaitingWorkers)
{
    g_nCompensateTime = PointHalfASecondAway();
    const auto start = steady_clock::now();
    {
        TransmitWorkers workers(SystemTransmitClock());
        workers.Start();
        workers.Start();
        std::this_thread::sleep_for(milliseconds(30));
    }
    EXPECT_LT(steady_clock::now() - start, milliseconds(200));
    EXPECT_EQ(m_ports[1].Read(1, 100), "");
}

TEST(SendIndicatorHub, ReplacedPageIsNoLongerCalled)
{
    // A page that takes its time to answer, as a busy GUI queue might.
    struct SlowPage final : SendIndicator
    {
        std::atomic<bool> inside{false};
        std::atomic<int> calls{0};
        void ShowSendIndicator(bool) override
        {
            inside = true;
            ++calls;
            std::this_thread::sleep_for(microseconds(200));
            inside = false;
        }
    };
    SlowPage page;
    std::atomic<bool> done{false};
    std::jthread worker([&] {
        while (!done)
            ShowSendIndicatorOnVisiblePage(true);
    });
    for (int i = 0; i < 200; ++i) {
        SetVisibleRs232cPage(&page);
        std::this_thread::sleep_for(microseconds(100));
        SetVisibleRs232cPage(nullptr);
        ASSERT_FALSE(page.inside) << "called after it was replaced";
    }
    done = true;
    worker.join();
    EXPECT_GT(page.calls, 0);
    EXPECT_FALSE(ShowSendIndicatorOnVisiblePage(true));
}

}  // namespace
