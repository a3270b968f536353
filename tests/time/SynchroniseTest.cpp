// The helper's synchronisation, its result line, and the windowed
// program's side that runs it. The real helper runs only without any
// right, so the machine's clock is never set.

#include "time/Synchronise.h"

#include "CommandRun.h"
#include "FakeClock.h"
#include "FakeSntpServer.h"
#include "UnprivilegedHelper.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs a command given word by word; stdout only.
CommandRun Shell(const std::vector<std::string>& cmd)
{
    std::string line;
    for (const std::string& word : cmd)
        line += "'" + word + "' ";
    return RunCommand(line);
}

std::string At(const FakeSntpServer& s)
{
    return "127.0.0.1:" + std::to_string(s.Port());
}

// A stand-in helper written in sh.
HelperSynchroniser Script(const std::string& script)
{
    return HelperSynchroniser("/bin/sh", {"-c", script});
}

} // namespace

TEST(SyncResult, LinesReadBackAsTheyWereWritten)
{
    const SyncOutcome outcomes[] = {
        {1, 1.5, false, "EPERM"},
        {2, -0.000012345, true, ""},
        {1, -3600.25, false, "EINVAL"},
        {3, 0, false, ""},
    };
    for (const SyncOutcome& o : outcomes) {
        const std::string out = SyncOutcomeMessage(o) + "\n" + SyncResultLine(o) + "\n";
        const auto back = ParseSyncResult(out, SyncExitStatus(o));
        ASSERT_TRUE(back) << out;
        EXPECT_EQ(back->serverId, o.serverId);
        EXPECT_NEAR(back->offset, o.offset, 1e-9);
        EXPECT_EQ(back->clockSet, o.clockSet);
        EXPECT_EQ(back->error, o.error);
    }
    EXPECT_EQ(SyncResultLine(outcomes[0]), "result server=1 offset=+1.500000000 set=EPERM");
    EXPECT_EQ(SyncResultLine(outcomes[3]), "result server=3");
    EXPECT_EQ(SyncOutcomeMessage(outcomes[0]), "동기에 실패했습니다.");
    EXPECT_EQ(SyncOutcomeMessage(outcomes[1]), " 0.000 초 이내에서 동기되었습니다.");
    EXPECT_EQ(SyncOutcomeMessage(outcomes[3]), "서버에서 응답이 없습니다");
}

TEST(SyncResult, GarbageIsAFailure)
{
    struct Row { const char* out; int status; };
    const Row rows[] = {
        {"", 0},
        {"동기에 실패했습니다.\n", 3},                                    // no result line
        {"result server=1 offset=+1.5 set=ok", 0},                      // cut before its end
        {"result server=1 offset=+1.5 set=ok\nresult server=1 offset=+1.5 set=ok\n", 0},
        {"result server=1 offset=+1.5 set=ok\n", 3},                    // status disagrees
        {"result server=1 offset=+1.5 set=EPERM\n", 0},
        {"result server=3\n", 0},
        {"result server=0 offset=+1.5 set=ok\n", 0},
        {"result server=4 offset=+1.5 set=ok\n", 0},
        {"result server=12 offset=+1.5 set=ok\n", 0},
        {"result server=1 offset=1.5 set=ok\n", 0},                     // no sign
        {"result server=1 offset=+-1.5 set=ok\n", 0},
        {"result server=1 offset=+nan set=ok\n", 0},
        {"result server=1 offset=+inf set=ok\n", 0},
        {"result server=1 offset=+1e400 set=ok\n", 0},
        {"result server=1 offset=+1.5x set=ok\n", 0},
        {"result server=1 offset= set=ok\n", 0},
        {"result server=1 set=ok\n", 0},
        {"result server=1 offset=+1.5\n", 0},
        {"result server=1 offset=+1.5 set=ok extra=1\n", 0},
        {"result server=1 offset=+1.5  set=ok\n", 0},
        {"result server=1 offset=+1.5 set=perm\n", 3},
        {"result server=1 offset=+1.5 set=E\n", 3},
        {"result server=3 offset=+1.5 set=ok\n", 1},
        {"result  server=1 offset=+1.5 set=ok\n", 0},
    };
    for (const Row& r : rows)
        EXPECT_FALSE(ParseSyncResult(r.out, r.status)) << r.out;
    // Other lines around the result are the helper's to print.
    EXPECT_TRUE(ParseSyncResult("x\nresult server=2 offset=-0.5 set=ok\ny\n", 0));
}

TEST(SyncResult, RandomBytesNeverCrashOrPassUnchecked)
{
    std::mt19937 rng(4711);
    const std::string good = " 1.500 초 이내에서 동기되었습니다.\nresult server=2 offset=+1.500000000 set=ok\n";
    for (int i = 0; i < 100000; ++i) {
        std::string out = good;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < flips; ++f)
            out[rng() % out.size()] = static_cast<char>(rng());
        if (rng() % 8 == 0)
            out.resize(rng() % out.size());
        const int status = static_cast<int>(rng() % 4);
        if (const auto o = ParseSyncResult(out, status)) {
            ASSERT_TRUE(o->serverId >= 1 && o->serverId <= 3);
            ASSERT_TRUE(std::isfinite(o->offset));
            ASSERT_EQ(SyncExitStatus(*o), status);
            ASSERT_EQ(o->clockSet, o->error.empty() && o->serverId != 3);
        }
    }
}

TEST(SyncHelper, SetsTheClockByTheOffsetOfTheServerThatAnswered)
{
    FakeSntpServer secondary({.offset = -0.75});
    FakeClock clock;
    SntpClient client(clock);
    ServerAnswer answer = AskServers(client, {{"127.0.0.1", ClosedLoopbackPort()}, {"127.0.0.1", secondary.Port()}});
    SyncOutcome o = SetClockFrom(client, answer);
    EXPECT_EQ(o.serverId, 2);
    EXPECT_NEAR(o.offset, -0.75, 0.02);
    EXPECT_TRUE(o.clockSet);
    EXPECT_EQ(clock.raised, 1);
    EXPECT_EQ(clock.dropped, 1);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    EXPECT_NEAR(clock.last.tv_sec + clock.last.tv_nsec * 1e-9 - (now.tv_sec + now.tv_nsec * 1e-9), -0.75, 0.05);

    // Refused: the reason travels as its errno name.
    clock.accept = false;
    o = SetClockFrom(client, answer);
    EXPECT_FALSE(o.clockSet);
    EXPECT_EQ(o.error, "EINVAL");
    clock.permitted = false;
    EXPECT_EQ(SetClockFrom(client, answer).error, "EPERM");

    // Nobody answered: nothing is set.
    answer.answered = false;
    o = SetClockFrom(client, answer);
    EXPECT_EQ(o, SyncOutcome{});
    EXPECT_EQ(clock.sets, 2);
}

TEST(SyncHelper, WithoutTheRightItMeasuresAndChangesNothing)
{
    const double skewBefore = RealtimeMinusMonotonic();
    FakeSntpServer ahead({.offset = 1.5});
    const CommandRun run = Shell(Unprivileged({At(ahead)}));
    EXPECT_EQ(run.status, kSyncExitNotSet);
    const auto o = ParseSyncResult(run.out, run.status);
    ASSERT_TRUE(o) << run.out;
    EXPECT_EQ(run.out.rfind("동기에 실패했습니다.\nresult server=1 offset=+1.5", 0), 0u) << run.out;
    EXPECT_NEAR(o->offset, 1.5, 0.02);
    EXPECT_EQ(o->error, "EPERM");

    // A primary whose reply could set a wrong time is passed over.
    FakeSntpServer secondary({.offset = 0.25});
    for (const FakeSntpServer::Reply& bad : {FakeSntpServer::Reply{.zeroReceive = true},
                                            FakeSntpServer::Reply{.transmitLate = 3.0}}) {
        FakeSntpServer primary(bad);
        const CommandRun fallback = Shell(Unprivileged({At(primary), At(secondary)}));
        const auto f = ParseSyncResult(fallback.out, fallback.status);
        ASSERT_TRUE(f) << fallback.out;
        EXPECT_EQ(f->serverId, 2);
        EXPECT_NEAR(f->offset, 0.25, 0.02);
        EXPECT_EQ(primary.Requests(), 1);
    }

    const CommandRun none = Shell(Unprivileged({"127.0.0.1:" + std::to_string(ClosedLoopbackPort())}));
    EXPECT_EQ(none.status, kSyncExitNoServer);
    EXPECT_EQ(none.out, "서버에서 응답이 없습니다\nresult server=3\n");

    EXPECT_EQ(Shell(Unprivileged({"host:99999"})).status, kSyncExitUsage);
    EXPECT_EQ(Shell(Unprivileged({"a", "b", "c"})).status, kSyncExitUsage);
    EXPECT_NEAR(RealtimeMinusMonotonic(), skewBefore, 0.05);
}

TEST(SyncHelper, WithARightItTakesNoArguments)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can start it with a right here";
    // Every capability but CAP_SYS_TIME: privileged, yet unable to set
    // the clock even if the guard were broken.
    FakeSntpServer server;
    const CommandRun run = Shell({"/usr/bin/setpriv", "--bounding-set=-sys_time", "--inh-caps=-all",
                           VESK_SYNC_BIN, At(server)});
    EXPECT_EQ(run.status, kSyncExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(server.Requests(), 0);
}

TEST(HelperSynchroniser, ReadsTheHelpersResult)
{
    FakeSntpServer ahead({.offset = 1.5});
    StopSignal stop;
    HelperSynchroniser helper = UnprivilegedHelper({At(ahead)});
    const auto o = helper.Synchronise(stop);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->serverId, 1);
    EXPECT_NEAR(o->offset, 1.5, 0.02);
    EXPECT_FALSE(o->clockSet);
    EXPECT_EQ(o->error, "EPERM");

    // Whatever prints a good line and agrees in its status is believed...
    EXPECT_EQ(Script("echo 'result server=2 offset=-0.250000000 set=ok'").Synchronise(stop),
              (SyncOutcome{2, -0.25, true, ""}));
    // ...anything else is a failure.
    EXPECT_FALSE(Script("echo 'result server=2 offset=-0.25 set=ok'; exit 3").Synchronise(stop));
    EXPECT_FALSE(Script("echo 'result server=2 offset=-0.25 set=ok'; kill -9 $$").Synchronise(stop));
    EXPECT_FALSE(Script("exec yes 'result server=3'").Synchronise(stop));
    EXPECT_FALSE(HelperSynchroniser("/nonexistent/vesk-sync").Synchronise(stop));
    EXPECT_FALSE(HelperSynchroniser("").Synchronise(stop));
    // It runs with nothing in its environment.
    ::setenv("VESK_SYNC_PROBE", "1", 1);
    EXPECT_TRUE(Script("test -z \"$VESK_SYNC_PROBE\" && echo 'result server=3'; exit 1").Synchronise(stop));
    ::unsetenv("VESK_SYNC_PROBE");
}

TEST(HelperSynchroniser, AStopOrTheTimeLimitEndsAHelperThatHangs)
{
    StopSignal stop;
    HelperSynchroniser hung = Script("sleep 10");
    auto start = Clock::now();
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop.Raise();
    });
    EXPECT_FALSE(hung.Synchronise(stop));
    stopper.join();
    EXPECT_LT(Ms(Clock::now() - start), 1000);

    // A helper that finishes when asked to end still gives its result.
    StopSignal later;
    std::thread raiser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        later.Raise();
    });
    EXPECT_TRUE(Script("trap '' TERM; sleep 0.4; echo 'result server=3'; exit 1").Synchronise(later));
    raiser.join();

    StopSignal never;
    HelperSynchroniser slow = Script("trap '' TERM; sleep 10");
    slow.TimeLimitMs = 200;
    start = Clock::now();
    EXPECT_FALSE(slow.Synchronise(never));
    EXPECT_LT(Ms(Clock::now() - start), 1000);
}

TEST(HelperSynchroniser, TheHelperIsBesideTheProgram)
{
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    std::string dir = self;
    dir.erase(dir.rfind('/') + 1);
    EXPECT_EQ(HelperBesideProgram(), dir + "vesk-sync");
}
