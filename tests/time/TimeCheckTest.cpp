#include "time/TimeCheck.h"

#include "base/Options.h"

#include "FakeClock.h"
#include "FakeSntpServer.h"
#include "LocalSynchroniser.h"

#include <gtest/gtest.h>

#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

// Records what the check shows, from whichever thread.
class RecordingView : public CheckView
{
public:
    void SetMessage(const std::string& text) override { Add("msg:" + text); }
    void SetCheckButtonsEnabled(bool enabled) override { Add(enabled ? "buttons:on" : "buttons:off"); }
    void SetTimer(int id, std::int64_t ms) override { Add("timer:" + std::to_string(id) + ":" + std::to_string(ms)); }
    void KillTimer(int id) override { Add("kill:" + std::to_string(id)); }
    // At once on the worker's thread, or, when the test stands in for the
    // window's thread (queueWork), when it calls RunQueued.
    void RunOnWindowThread(std::function<void()> work) override
    {
        if (!queueWork)
            return work();
        std::lock_guard lock(m_mutex);
        m_queued.push_back(std::move(work));
    }
    int RunQueued()
    {
        std::vector<std::function<void()>> work;
        {
            std::lock_guard lock(m_mutex);
            work.swap(m_queued);
        }
        for (auto& w : work)
            w();
        return static_cast<int>(work.size());
    }
    bool queueWork = false;

    std::vector<std::string> Events()
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    std::string LastMessage()
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_events.rbegin(); it != m_events.rend(); ++it)
            if (it->starts_with("msg:"))
                return it->substr(4);
        return "<none>";
    }
    int Count(const std::string& prefix)
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count_if(m_events.begin(), m_events.end(),
                                              [&](const std::string& e) { return e.starts_with(prefix); }));
    }
    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_events.clear();
    }

private:
    void Add(std::string e)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(e));
    }
    std::mutex m_mutex;
    std::vector<std::string> m_events;
    std::vector<std::function<void()>> m_queued;
};

class TimeCheckTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vesk-check-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        m_log = (m_dir / "VeskLog.txt").string();
        LastCon = 1000;
        LastDiff = 0.5;
        ServerID = 0;
        Blink = true;
        Log = true;
        AutoCon = true;
        AutoConDuration = 60;
        m_client.TimeoutMs = 300;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A check over these servers; its synchronise asks the same ones and
    // sets the fake clock. Lives as long as the test.
    TimeCheck& Check(std::vector<TimeServer> servers, std::string log = {})
    {
        m_syncs.push_back(std::make_unique<LocalSynchroniser>(m_clock, servers, m_client.TimeoutMs));
        m_checks.push_back(std::make_unique<TimeCheck>(m_client, *m_syncs.back(), m_view, servers,
                                                       log.empty() ? m_log : log));
        return *m_checks.back();
    }

    TimeServer At(const FakeSntpServer& s) { return {"127.0.0.1", s.Port()}; }
    TimeServer Refused() { return {"127.0.0.1", ClosedLoopbackPort()}; }
    bool LogExists() { return fs::exists(m_log); }
    long LogLines()
    {
        const std::string text = LogText();
        return std::count(text.begin(), text.end(), '\n');
    }
    std::string LogText()
    {
        std::ifstream in(m_log);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path m_dir;
    std::string m_log;
    FakeClock m_clock;
    SntpClient m_client;
    RecordingView m_view;
    std::vector<std::unique_ptr<LocalSynchroniser>> m_syncs;
    std::vector<std::unique_ptr<TimeCheck>> m_checks;   // first to go
};

double RealtimeMinusMonotonic()
{
    timespec r{}, m{};
    clock_gettime(CLOCK_REALTIME, &r);
    clock_gettime(CLOCK_MONOTONIC, &m);
    return (r.tv_sec - m.tv_sec) + (r.tv_nsec - m.tv_nsec) * 1e-9;
}

} // namespace

TEST_F(TimeCheckTest, CompareShowsTheOffsetAndSetsOnlyServerId)
{
    FakeSntpServer server({.offset = 5.05});   // mid-digit: load may skew a few ms
    TimeCheck& check = Check({At(server), Refused()});
    EXPECT_TRUE(check.CheckTime(false));
    EXPECT_EQ(m_view.LastMessage().rfind("사용자 PC가 5.0", 0), 0u) << m_view.LastMessage();
    EXPECT_EQ(ServerID, 1);
    EXPECT_EQ(LastCon, 1000);
    EXPECT_EQ(LastDiff, 0.5);
    EXPECT_EQ(m_clock.steps, 0);
    EXPECT_FALSE(LogExists());

    server.SetReply({.offset = -2.05});
    check.CheckTime(false);
    EXPECT_EQ(m_view.LastMessage().rfind("사용자 PC가 2.0", 0), 0u);
    EXPECT_NE(m_view.LastMessage().find("빠릅니다."), std::string::npos);
}

TEST_F(TimeCheckTest, SynchroniseSetsTheClockRecordsAndLogs)
{
    // 0.2502 s ahead, so a loopback error below 0.3 ms still prints 0.250.
    FakeSntpServer server({.offset = -0.2502});
    TimeCheck& check = Check({At(server), Refused()});
    const std::time_t before = std::time(nullptr);
    EXPECT_TRUE(check.CheckTime(true));
    // A loaded machine delays one leg of the loopback trip by a few ms.
    EXPECT_TRUE(std::regex_match(m_view.LastMessage(), std::regex(" 0\\.2[3-7]\\d 초 이내에서 동기되었습니다\\.")))
        << m_view.LastMessage();
    EXPECT_EQ(ServerID, 1);
    EXPECT_GE(LastCon, before);
    EXPECT_LE(LastCon, std::time(nullptr));
    EXPECT_NEAR(LastDiff, -0.2502, 0.02);

    // The clock was stepped by -0.2502 s, with the capability raised and dropped.
    EXPECT_EQ(m_clock.steps, 1);
    EXPECT_EQ(m_clock.raised, 1);
    EXPECT_EQ(m_clock.dropped, 1);
    EXPECT_NEAR(m_clock.LastStepSeconds(), LastDiff, 1e-9);

    EXPECT_EQ(m_view.Count("timer:19:100"), 1);
    const std::string line = LogText();
    EXPECT_EQ(line, SyncLogLine(LastCon, LastDiff));
    EXPECT_TRUE(std::regex_search(line, std::regex(" 0\\.2[3-7]\\d\n$"))) << line;
    EXPECT_EQ(line.size(), 26u);   // "YYYY-MM-DD hh:mm:ss 0.250\n"

    // A second one appends; with Blink and Log off neither happens.
    check.CheckTime(true);
    EXPECT_EQ(LogLines(), 2);
    Blink = false;
    Log = false;
    m_view.Clear();
    check.CheckTime(true);
    EXPECT_EQ(m_view.Count("timer:"), 0);
    EXPECT_EQ(LogLines(), 2);
}

TEST_F(TimeCheckTest, LogLineFormat)
{
    ::setenv("TZ", "Asia/Seoul", 1);   // the log shows local time
    ::tzset();
    // 2003-03-05 09:05:03 in Seoul, PC 0.25 s behind.
    EXPECT_EQ(SyncLogLine(1046822703, 0.25), "2003-03-05 09:05:03 -0.250\n");
    EXPECT_EQ(SyncLogLine(1046822703, -0.0004), "2003-03-05 09:05:03 0.000\n");
    EXPECT_EQ(SyncLogLine(1046822703, -0.25), "2003-03-05 09:05:03 0.250\n");   // PC 0.25 s ahead
    EXPECT_EQ(SyncMessage(-1.5), " 1.500 초 이내에서 동기되었습니다.");
}

TEST_F(TimeCheckTest, RefusedClockChangesNothingButServerId)
{
    FakeSntpServer server({.offset = 1.0});
    TimeCheck& check = Check({Refused(), At(server)});
    for (const bool permitted : {false, true}) {
        m_clock.permitted = permitted;   // no capability / the kernel says no
        m_clock.accept = false;
        m_view.Clear();
        EXPECT_TRUE(check.CheckTime(true));
        EXPECT_EQ(m_view.LastMessage(), "동기에 실패했습니다.");
        EXPECT_EQ(ServerID, 2);
        EXPECT_EQ(LastCon, 1000);
        EXPECT_EQ(LastDiff, 0.5);
        EXPECT_FALSE(LogExists());
        EXPECT_EQ(m_view.Count("timer:"), 0);
    }
    EXPECT_EQ(m_clock.raised, m_clock.dropped);   // dropped on every path
}

TEST_F(TimeCheckTest, FallsBackToTheSecondaryAndReportsNeither)
{
    FakeSntpServer secondary({.offset = 0.1});
    FakeSntpServer silent({.silent = true});
    FakeSntpServer kissOfDeath({.stratum = 0});
    FakeSntpServer unsynchronised({.leap = 3});
    for (const TimeServer& primary : {Refused(), At(silent), At(kissOfDeath)}) {
        TimeCheck& check = Check({primary, At(secondary)});
        EXPECT_TRUE(check.CheckTime(false));
        EXPECT_EQ(ServerID, 2) << primary.port;
    }

    // A bad reply never sets the clock: neither answered usably.
    TimeCheck& bad = Check({At(kissOfDeath), At(unsynchronised)});
    EXPECT_FALSE(bad.CheckTime(true));
    EXPECT_EQ(ServerID, 3);
    EXPECT_EQ(m_view.LastMessage(), "서버에서 응답이 없습니다");
    EXPECT_EQ(m_clock.steps, 0);
    EXPECT_EQ(m_clock.raised, 0);
    EXPECT_EQ(LastCon, 1000);

    TimeCheck& none = Check({Refused(), Refused()});
    EXPECT_FALSE(none.CheckTime(false));
    EXPECT_EQ(ServerID, 3);
}

TEST_F(TimeCheckTest, OneWorkerAtATime)
{
    FakeSntpServer server({.offset = 0.35, .delay = 0.15});
    TimeCheck& check = Check({At(server), Refused()});
    check.SynchroniseRequest();
    check.CompareRequest();   // dropped: a check is running
    check.SynchroniseRequest();
    EXPECT_TRUE(check.IsChecking());
    check.WaitIdle();
    EXPECT_FALSE(check.IsChecking());
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_EQ(m_clock.steps, 1);
    const auto events = m_view.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front(), "buttons:off");
    EXPECT_EQ(events.back(), "buttons:on");
    EXPECT_EQ(m_view.Count("buttons:off"), 1);

    // Idle again: the next request runs, here a compare.
    check.CompareRequest();
    check.WaitIdle();
    EXPECT_EQ(server.Requests(), 2);
    EXPECT_EQ(m_clock.steps, 1);
    EXPECT_EQ(m_view.LastMessage().rfind("사용자 PC가 0.3", 0), 0u) << m_view.LastMessage();
}

TEST_F(TimeCheckTest, RequestsRacingTheWorkerStayOneAtATime)
{
    // Requests arrive as fast as the window could send them while workers
    // end; never two exchanges at once.
    FakeSntpServer server({.offset = 0.0});
    TimeCheck& check = Check({At(server), Refused()});
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < end)
        check.CompareRequest();
    check.WaitIdle();
    EXPECT_GE(server.Requests(), 1);
    EXPECT_EQ(m_view.Count("buttons:off"), m_view.Count("buttons:on"));
    EXPECT_EQ(m_view.Count("msg:"), server.Requests());
}

TEST_F(TimeCheckTest, BlinkSequences)
{
    LastDiff = -0.25;
    TimeCheck& check = Check({});
    const std::string shown = " 0.250 초 이내에서 동기되었습니다.";
    // Ticks until the timer is killed: the first blink has ten changes,
    // every later one eleven, and each ends with the text shown.
    for (const int changes : {10, 11, 11}) {
        m_view.Clear();
        int ticks = 0;
        while (m_view.Count("kill:19") == 0 && ticks < 100) {
            check.OnBlinkTimer();
            ++ticks;
        }
        EXPECT_EQ(m_view.Count("msg:"), changes);
        EXPECT_EQ(m_view.LastMessage(), shown);
        EXPECT_EQ(m_view.Count("msg:" + shown), (changes + 1) / 2);
    }
}

TEST_F(TimeCheckTest, AutoSyncTimerRestartsEvenWhileChecking)
{
    FakeSntpServer server({.offset = 0.0, .delay = 0.15});
    TimeCheck& check = Check({At(server), Refused()});
    check.StartAutoSyncTimer();
    EXPECT_EQ(m_view.Events(), std::vector<std::string>{"timer:16:3600000"});

    check.CompareRequest();
    m_view.Clear();
    AutoConDuration = 144000;   // changed meanwhile: the restart takes it
    check.OnAutoSyncTimer();    // the request is dropped, the timer is not
    EXPECT_EQ(m_view.Events(), (std::vector<std::string>{"kill:16", "timer:16:8640000000"}));
    check.WaitIdle();
    EXPECT_EQ(server.Requests(), 1);

    AutoCon = false;
    m_view.Clear();
    check.StartAutoSyncTimer();
    EXPECT_EQ(m_view.Count("timer:"), 0);
}

TEST_F(TimeCheckTest, UnwritableLogKeepsTheResult)
{
    FakeSntpServer server({.offset = 0.0});
    TimeCheck& check = Check({At(server)}, (m_dir / "missing" / "VeskLog.txt").string());
    EXPECT_TRUE(check.CheckTime(true));
    EXPECT_NE(m_view.LastMessage().find("동기되었습니다"), std::string::npos);
    EXPECT_NE(LastCon, 1000);
}

// A log name planted as a link (to a file of the user's) or as a FIFO is
// not followed: the file stays as it was and the synchronise still counts.
TEST_F(TimeCheckTest, LogIsNeverWrittenThroughALinkOrAFifo)
{
    FakeSntpServer server({.offset = 0.0});
    const fs::path target = m_dir / "bashrc";
    std::ofstream(target) << "mine\n";
    fs::create_symlink(target, m_log);
    TimeCheck& check = Check({At(server)});
    EXPECT_TRUE(check.CheckTime(true));
    EXPECT_NE(LastCon, 1000);
    EXPECT_EQ(LogText(), "mine\n");   // read through the link: untouched

    fs::remove(m_log);
    ASSERT_EQ(::mkfifo(m_log.c_str(), 0600), 0);
    EXPECT_TRUE(check.CheckTime(true));   // no reader: neither blocked nor written
}

TEST_F(TimeCheckTest, OptionsAreTakenWithTheRequest)
{
    // The settings page turns Blink and Log off while the worker waits for
    // the server: this synchronise still blinks and logs, as asked.
    FakeSntpServer server({.offset = 0.05, .delay = 0.2});
    TimeCheck& check = Check({At(server)});
    check.SynchroniseRequest();
    Blink = false;
    Log = false;
    check.WaitIdle();
    EXPECT_EQ(m_clock.steps, 1);
    EXPECT_EQ(m_view.Count("timer:19:100"), 1);
    EXPECT_EQ(LogLines(), 1);
}

TEST_F(TimeCheckTest, IdleAgainInOneStepOnTheWindowsThread)
{
    // The worker hands its end to the window's thread; until that runs the
    // check is busy and its buttons stay off, so a request is dropped.
    m_view.queueWork = true;
    FakeSntpServer server({.offset = 0.0});
    TimeCheck& check = Check({At(server)});
    check.CompareRequest();
    check.WaitIdle();
    EXPECT_TRUE(check.IsChecking());
    EXPECT_EQ(m_view.Count("buttons:on"), 0);
    check.CompareRequest();
    EXPECT_EQ(m_view.Count("buttons:off"), 1);
    EXPECT_EQ(m_view.RunQueued(), 1);
    EXPECT_FALSE(check.IsChecking());
    EXPECT_EQ(m_view.Events().back(), "buttons:on");
    EXPECT_EQ(server.Requests(), 1);
}

TEST_F(TimeCheckTest, ShutdownEndsTheWaitAtOnceAndRefusesLaterRequests)
{
    m_client.TimeoutMs = 2000;
    FakeSntpServer silent({.silent = true});
    FakeSntpServer secondary({.offset = 0.0});
    ServerID = kServerPrimary;
    for (const bool synchronise : {false, true}) {
        TimeCheck& check = Check({At(silent), At(secondary)});
        synchronise ? check.SynchroniseRequest() : check.CompareRequest();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto start = std::chrono::steady_clock::now();
        check.Shutdown();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
        // Cut short, it learned nothing and says nothing; the secondary
        // is never asked.
        EXPECT_EQ(ServerID, kServerPrimary);
        EXPECT_EQ(m_view.Count("msg:"), 0);
        EXPECT_EQ(secondary.Requests(), 0);
        check.CompareRequest();
        check.SynchroniseRequest();
        EXPECT_FALSE(check.IsChecking());
    }
    EXPECT_EQ(m_clock.steps, 0);
    EXPECT_EQ(LastCon, 1000);
}

TEST_F(TimeCheckTest, NoHelperIsAFailedSynchroniseThatKnowsNoServer)
{
    ServerID = kServerSecondary;
    HelperSynchroniser missing((m_dir / "vesk-sync").string());
    TimeCheck check(m_client, missing, m_view, {}, m_log);
    EXPECT_FALSE(check.CheckTime(true));
    EXPECT_EQ(m_view.LastMessage(), "동기에 실패했습니다.");
    EXPECT_EQ(ServerID, kServerSecondary);
    EXPECT_EQ(LastCon, 1000);
}

TEST(ClockSetting, PrivilegeIsDroppedOnEveryPath)
{
    struct Row { bool permitted, accept; bool result; int steps, dropped; int err; };
    const Row rows[] = {
        {true, true, true, 1, 1, 0},
        {true, false, false, 1, 1, EINVAL},   // the kernel refused the value
        {false, true, false, 0, 0, EPERM},    // nothing raised, nothing to drop
    };
    for (const Row& r : rows) {
        FakeClock clock;
        clock.permitted = r.permitted;
        clock.accept = r.accept;
        SntpClient client(clock);
        errno = 0;
        EXPECT_EQ(client.SetSystemClock(1.5), r.result);
        if (!r.result) {
            EXPECT_EQ(errno, r.err);
        }
        EXPECT_EQ(clock.steps, r.steps);
        EXPECT_EQ(clock.dropped, r.dropped);
        EXPECT_EQ(clock.raised, r.permitted ? 1 : 0);
    }

    // The step is to the nanosecond, its nanoseconds in [0, 1e9): a
    // negative offset borrows a second, one within half a nanosecond of
    // the next second carries; no number at all steps nothing.
    FakeClock clock;
    SntpClient client(clock);
    const std::pair<double, timespec> steps[] = {
        {-0.25, {-1, 750000000}}, {1.9999999996, {2, 0}}, {-1e-10, {0, 0}},
        {946080000.5, {946080000, 500000000}}, {-3.0, {-3, 0}},
    };
    for (const auto& [offset, want] : steps) {
        ASSERT_TRUE(client.SetSystemClock(offset));
        EXPECT_EQ(clock.lastStep.tv_sec, want.tv_sec) << offset;
        EXPECT_EQ(clock.lastStep.tv_nsec, want.tv_nsec) << offset;
    }
    const int before = clock.steps;
    EXPECT_FALSE(client.SetSystemClock(NAN));
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(clock.steps, before);
}

TEST(ClockSetting, AClockThatMovesBeforeTheStepIsStillSetRight)
{
    // The helper stopped for 3 s between the exchange and the step: the
    // kernel adds the offset to the clock as it then is.
    FakeClock clock;
    clock.now = 1000;
    clock.stallOnRaise = 3;
    SntpClient client(clock);
    SyncPlan plan;
    plan.answer.answered = true;
    plan.answer.serverId = 1;
    plan.answer.result.Offset = 1.5;
    const SyncOutcome o = SetClockFrom(client, plan);
    EXPECT_TRUE(o.clockSet);
    EXPECT_DOUBLE_EQ(clock.now, 1000 + 3 + 1.5);

    // A refused plan steps nothing, and says why.
    plan.refusal = kStepDisputed;
    EXPECT_EQ(SetClockFrom(client, plan), (SyncOutcome{1, 1.5, false, kStepDisputed}));
    EXPECT_EQ(clock.steps, 1);
}

TEST(ClockSetting, OnceDroppedTheRightIsGoneForGood)
{
    // The real capability handling, without any step: a child that holds
    // CAP_SYS_TIME (root does) raises and drops it, and can raise it no more.
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root holds CAP_SYS_TIME here";
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!KeepOnlyTimeCapability() || !SystemClockSetter().RaiseTimeCapability())
            ::_exit(10);
        SystemClockSetter().DropTimeCapability();
        cap_t caps = cap_get_proc();
        cap_flag_value_t permitted = CAP_SET;
        cap_get_flag(caps, CAP_SYS_TIME, CAP_PERMITTED, &permitted);
        cap_free(caps);
        if (permitted != CAP_CLEAR)
            ::_exit(11);
        ::_exit(!SystemClockSetter().RaiseTimeCapability() && errno == EPERM ? 0 : 12);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: not held, 11: still permitted, 12: raised again";
}

TEST(ClockSetting, ProcessWithoutTheCapabilityLeavesTheClockAlone)
{
    // The real setter, in a child that has given CAP_SYS_TIME up for good.
    // The server's offset is zero, so even a broken guard could not move
    // the clock by more than the exchange's own error.
    FakeSntpServer server({.offset = 0.0});
    const double skewBefore = RealtimeMinusMonotonic();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_CAPBSET_DROP, CAP_SYS_TIME, 0, 0, 0);   // fails harmlessly without CAP_SETPCAP
        cap_t caps = cap_get_proc();
        const cap_value_t timeCap[] = {CAP_SYS_TIME};
        for (const cap_flag_t flag : {CAP_EFFECTIVE, CAP_PERMITTED, CAP_INHERITABLE})
            cap_set_flag(caps, flag, 1, timeCap, CAP_CLEAR);
        cap_set_proc(caps);
        cap_free(caps);
        caps = cap_get_proc();
        cap_flag_value_t effective = CAP_SET, permitted = CAP_SET;
        cap_get_flag(caps, CAP_SYS_TIME, CAP_EFFECTIVE, &effective);
        cap_get_flag(caps, CAP_SYS_TIME, CAP_PERMITTED, &permitted);
        cap_free(caps);
        if (effective != CAP_CLEAR || permitted != CAP_CLEAR)
            ::_exit(10);   // could not give it up: go no further

        // The kernel refuses the step itself...
        if (SystemClockSetter().Step(timespec{0, 0}) || errno != EPERM)
            ::_exit(11);
        // ...and the helper's synchronise reports the refusal.
        SntpClient client(SystemClockSetter());
        const SyncOutcome o = SetClockFrom(client, PlanSync(client, {{"127.0.0.1", server.Port()}}));
        if (o.serverId != 1 || o.clockSet || o.error != "EPERM" || SyncOutcomeMessage(o) != "동기에 실패했습니다.")
            ::_exit(12);
        ::_exit(0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: capability kept, 11: set not refused, 12: wrong result";
    EXPECT_NEAR(RealtimeMinusMonotonic(), skewBefore, 0.05);
}
