// The helper's synchronisation, its result line, and the windowed
// program's side that runs it. The real helper runs only without any
// right, so the machine's clock is never set.

#include "time/HelperSandbox.h"
#include "time/HelperSynchroniser.h"

#include "FakeSntpServer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <set>
#include <tuple>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The helper as a process without any right: as root, every capability
// leaves the bounding and inheritable sets first, so even a broken guard
// could not set the clock.
std::vector<std::string> Unprivileged(std::vector<std::string> args)
{
    std::vector<std::string> cmd;
    if (::geteuid() == 0)
        cmd = {"/usr/bin/setpriv", "--bounding-set=-all", "--inh-caps=-all"};
    cmd.push_back(VESK_SYNC_BIN);
    cmd.insert(cmd.end(), args.begin(), args.end());
    return cmd;
}

std::optional<SyncOutcome> RunHelper(const std::vector<std::string>& cmd,
                                     const StopSignal& stop = StopSignal(), int limitMs = 30000)
{
    HelperSynchroniser helper(cmd.front(), {cmd.begin() + 1, cmd.end()});
    helper.TimeLimitMs = limitMs;
    return helper.Synchronise(stop);
}

// A stand-in helper written in sh.
std::optional<SyncOutcome> Script(const std::string& sh, const StopSignal& stop = StopSignal(),
                                  int limitMs = 30000)
{
    return RunHelper({"/bin/sh", "-c", sh}, stop, limitMs);
}

// What a command prints, given word by word.
std::string Output(const std::vector<std::string>& cmd)
{
    std::string line, out;
    for (const std::string& word : cmd)
        line += "'" + word + "' ";
    char buf[256];
    FILE* p = ::popen(line.c_str(), "r");
    while (p && std::fgets(buf, sizeof buf, p))
        out += buf;
    if (p)
        ::pclose(p);
    return out;
}

std::string At(const FakeSntpServer& s)
{
    return "127.0.0.1:" + std::to_string(s.Port());
}

// Raises a stop 100 ms from now, from another thread.
std::jthread RaiseSoon(StopSignal& stop)
{
    return std::jthread([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop.Raise();
    });
}

} // namespace

TEST(SyncResult, OnlyOneWellFormedLineThatAgreesWithTheStatusCounts)
{
    // What the helper prints is read back in the helper's tests below.
    EXPECT_EQ(ParseSyncResult(" 0.000 초 이내에서 동기되었습니다.\nresult server=2 offset=-0.000012345 set=ok\n", 0),
              (SyncOutcome{2, -0.000012345, true, ""}));

    const std::pair<const char*, int> garbage[] = {
        {"", 0}, {"동기에 실패했습니다.\n", 3},
        {"result server=1 offset=+1.5 set=ok", 0},                         // cut short
        {"result server=1 offset=+1.5 set=ok\nresult server=1 offset=+1.5 set=ok\n", 0},
        {"result server=1 offset=+1.5 set=ok\n", 3}, {"result server=3\n", 0},   // status disagrees
        {"result server=0 offset=+1.5 set=ok\n", 0}, {"result server=12 offset=+1.5 set=ok\n", 0},
        {"result server=1 offset=1.5 set=ok\n", 0}, {"result server=1 offset=+-1.5 set=ok\n", 0},
        {"result server=1 offset=+nan set=ok\n", 0}, {"result server=1 offset=+1e400 set=ok\n", 0},
        {"result server=1 offset=+1.5x set=ok\n", 0}, {"result server=1 set=ok\n", 0},
        {"result server=1 offset=+1.5 set=ok x=1\n", 0}, {"result server=1 offset=+1.5 set=perm\n", 3},
        {"result server=3 offset=+1.5 set=ok\n", 1},
    };
    for (const auto& [out, status] : garbage)
        EXPECT_FALSE(ParseSyncResult(out, status)) << out;

    // Random damage never passes unchecked.
    std::mt19937 rng(4711);
    const std::string good = "result server=2 offset=+1.500000000 set=ok\n";
    for (int i = 0; i < 100000; ++i) {
        std::string out = good;
        for (int f = 1 + static_cast<int>(rng() % 4); f > 0; --f)
            out[rng() % out.size()] = static_cast<char>(rng());
        const int status = static_cast<int>(rng() % 4);
        if (const auto o = ParseSyncResult(out, status)) {
            ASSERT_TRUE(o->serverId >= 1 && o->serverId <= 3 && std::isfinite(o->offset));
            ASSERT_EQ(SyncExitStatus(*o), status);
        }
    }
}

TEST(SyncHelper, WithoutTheRightItMeasuresAndChangesNothing)
{
    FakeSntpServer ahead({.offset = 1.5});
    const auto o = RunHelper(Unprivileged({At(ahead)}));
    ASSERT_TRUE(o);
    EXPECT_EQ(o->serverId, 1);
    EXPECT_NEAR(o->offset, 1.5, 0.02);
    EXPECT_EQ(o->error, "EPERM");
    // What it prints is the message, then the result line. The offset is
    // a measurement: a loopback trip a few microseconds longer one way
    // prints +1.49999..., so it is read, not matched as text.
    const std::string out = Output(Unprivileged({At(ahead)}));
    EXPECT_EQ(out.rfind("동기에 실패했습니다.\nresult server=1 offset=", 0), 0u) << out;
    const auto printed = ParseSyncResult(out.substr(out.find('\n') + 1), kSyncExitNotSet);
    ASSERT_TRUE(printed) << out;
    EXPECT_NEAR(printed->offset, 1.5, 0.02);

    // A primary whose reply could set a wrong time is passed over.
    FakeSntpServer secondary({.offset = 0.25});
    const double in2001 = 991353600.0 - static_cast<double>(std::time(nullptr));
    for (const FakeSntpServer::Reply& bad : {FakeSntpServer::Reply{.zeroReceive = true},
                                             FakeSntpServer::Reply{.transmitLate = 3.0},
                                             FakeSntpServer::Reply{.version = 0},
                                             FakeSntpServer::Reply{.version = 7},
                                             FakeSntpServer::Reply{.rootDispersion = 100},
                                             FakeSntpServer::Reply{.transmitLate = -2.5},
                                             FakeSntpServer::Reply{.receiveLate = in2001}}) {
        FakeSntpServer primary(bad);
        const auto f = RunHelper(Unprivileged({At(primary), At(secondary)}));
        ASSERT_TRUE(f);
        EXPECT_EQ(f->serverId, 2);
        EXPECT_NEAR(f->offset, 0.25, 0.02);
    }
    EXPECT_EQ(RunHelper(Unprivileged({"127.0.0.1:" + std::to_string(ClosedLoopbackPort())})), SyncOutcome{});
    EXPECT_FALSE(RunHelper(Unprivileged({"a", "b", "c"})));   // at most two servers
}

TEST(SyncHelper, OneServerCannotMoveTheClockByYears)
{
    // 30 years ahead, and 76 (2102: past the 68 years a timestamp wraps at).
    constexpr double k30Years = 946728000, k76Years = 2398377600;
    FakeSntpServer right({.offset = 0.25}), silent({.silent = true});
    FakeSntpServer ahead({.offset = k30Years}), aheadToo({.offset = k30Years});
    FakeSntpServer far({.offset = k76Years}), farToo({.offset = k76Years});

    // Both far ahead agree: it would step (the step itself fails here).
    for (const auto& [first, second, years] : {std::tuple{&ahead, &aheadToo, k30Years},
                                               std::tuple{&far, &farToo, k76Years}}) {
        const auto o = RunHelper(Unprivileged({At(*first), At(*second)}));
        ASSERT_TRUE(o);
        EXPECT_EQ(o->serverId, 1);
        EXPECT_NEAR(o->offset, years, 0.05);
        EXPECT_EQ(o->error, "EPERM");
    }
    // The secondary disagrees, or cannot be heard: no step, and the
    // result line says why.
    EXPECT_EQ(RunHelper(Unprivileged({At(ahead), At(right)}))->error, kStepDisputed);
    EXPECT_EQ(RunHelper(Unprivileged({At(ahead), At(silent)}))->error, kStepUnconfirmed);
    const std::string out = Output(Unprivileged({At(far), At(right)}));
    EXPECT_NE(out.find("동기에 실패했습니다.\nresult server=1 offset=+2398377"), std::string::npos) << out;
    EXPECT_NE(out.find(" set=disputed\n"), std::string::npos) << out;
    // Only the secondary answers: nothing is left to confirm a big step.
    const auto alone = RunHelper(Unprivileged({At(silent), At(ahead)}));
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->serverId, 2);
    EXPECT_EQ(alone->error, kStepUnconfirmed);
    // A step up to 1000 s needs no second opinion.
    FakeSntpServer hour({.offset = -999});
    EXPECT_EQ(RunHelper(Unprivileged({At(hour), At(silent)}))->error, "EPERM");
    EXPECT_EQ(silent.Requests(), 2);
}

TEST(SyncHelper, KeepsNothingOfItsCallersAndOnlyTheCallsItNeeds)
{
    // A descriptor the caller left open; the helper waits on a silent
    // server meanwhile.
    int leaked[2];
    ASSERT_EQ(::pipe(leaked), 0);
    FakeSntpServer silent({.silent = true});
    const auto cmd = Unprivileged({At(silent)});
    std::vector<char*> argv;
    for (const std::string& a : cmd)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ASSERT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    const std::string proc = "/proc/" + std::to_string(pid);
    for (int i = 0; i < 200 && silent.Requests() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(silent.Requests(), 1);

    std::set<std::string> fds, sockets;
    for (const auto& e : std::filesystem::directory_iterator(proc + "/fd")) {
        fds.insert(e.path().filename());
        if (std::filesystem::read_symlink(e.path()).string().starts_with("socket:"))
            sockets.insert(e.path().filename());
    }
    std::ifstream status(proc + "/status");
    std::string line, seccomp;
    while (std::getline(status, line))
        if (line.starts_with("Seccomp:"))
            seccomp = line;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(leaked[0]);
    ::close(leaked[1]);

    EXPECT_EQ(seccomp, "Seccomp:\t2");
    EXPECT_EQ(fds.size(), 4u) << "0, 1, 2 and the socket";
    EXPECT_EQ(sockets.size(), 1u);
    EXPECT_FALSE(fds.contains(std::to_string(leaked[0])) || fds.contains(std::to_string(leaked[1])));
}

TEST(SyncHelper, AnyOtherCallEndsItAtOnce)
{
#ifdef VESK_SANITIZED
    GTEST_SKIP() << "a sanitizer's runtime makes calls the filter would end it for";
#else
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!RestrictSystemCalls())
            ::_exit(10);
        // What an exchange needs still works...
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        timespec now{};
        if (fd < 0 || ::close(fd) != 0 || ::clock_gettime(CLOCK_REALTIME, &now) != 0)
            ::_exit(11);
        // ...and opening a file ends it.
        ::open("/etc/hostname", O_RDONLY);
        ::_exit(12);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGSYS);
#endif
}

TEST(SyncHelper, WithARightItTakesNoArguments)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can start it with a right here";
    // Every capability but CAP_SYS_TIME: privileged, yet unable to set
    // the clock even if the guard were broken.
    FakeSntpServer server;
    EXPECT_FALSE(RunHelper(
        {"/usr/bin/setpriv", "--bounding-set=-sys_time", "--inh-caps=-all", VESK_SYNC_BIN, At(server)}));
    EXPECT_EQ(server.Requests(), 0);
}

TEST(HelperSynchroniser, AnythingButTheHelpersResultIsAFailure)
{
    EXPECT_EQ(Script("echo 'result server=2 offset=-0.250000000 set=ok'"), (SyncOutcome{2, -0.25, true, ""}));
    EXPECT_FALSE(Script("echo 'result server=2 offset=-0.25 set=ok'; exit 3"));
    EXPECT_FALSE(Script("echo 'result server=2 offset=-0.25 set=ok'; kill -9 $$"));
    EXPECT_FALSE(Script("exec yes 'result server=3'"));   // floods its output
    EXPECT_FALSE(RunHelper({"/nonexistent/vesk-sync"}));
    // It gets no descriptor of the caller's but standard error.
    int open[2];
    ASSERT_EQ(::pipe(open), 0);
    const std::string leaked = "/proc/$$/fd/" + std::to_string(open[0]) + " -o -e /proc/$$/fd/" + std::to_string(open[1]);
    EXPECT_TRUE(Script("test -e " + leaked + " || echo 'result server=3'; exit 1"));
    ::close(open[0]);
    ::close(open[1]);
    // It runs with nothing in its environment.
    ::setenv("VESK_SYNC_PROBE", "1", 1);
    EXPECT_TRUE(Script("test -z \"$VESK_SYNC_PROBE\" && echo 'result server=3'; exit 1"));
    ::unsetenv("VESK_SYNC_PROBE");
}

TEST(HelperSynchroniser, AStopOrTheTimeLimitEndsAHelperThatHangs)
{
    StopSignal stop;
    const std::jthread raise = RaiseSoon(stop);
    auto start = Clock::now();
    EXPECT_FALSE(Script("sleep 10", stop));   // its child keeps the pipe open
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));

    // A helper that finishes when asked to end still gives its result.
    StopSignal later;
    const std::jthread raiseLater = RaiseSoon(later);
    EXPECT_TRUE(Script("trap '' TERM; sleep 0.4; echo 'result server=3'; exit 1", later));

    start = Clock::now();
    EXPECT_FALSE(Script("trap '' TERM; sleep 10", StopSignal(), 200));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}
