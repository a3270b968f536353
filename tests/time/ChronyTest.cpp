// The compare command end to end, and the client against a real NTP server.

#include "time/SntpClient.h"

#include "FakeSntpServer.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

struct CommandRun
{
    int status = -1;
    std::string out;
};

// Runs the compare command with the given arguments; stdout only.
CommandRun Compare(const std::string& args)
{
    CommandRun run;
    FILE* p = ::popen((std::string(VESK_COMPARE_BIN) + " " + args + " 2>/dev/null").c_str(), "r");
    if (!p)
        return run;
    std::array<char, 512> buf;
    while (std::fgets(buf.data(), buf.size(), p))
        run.out += buf.data();
    const int st = ::pclose(p);
    run.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return run;
}

// The copy unpacked by the test setup first, then an installed one.
std::string FindChronyd()
{
    for (const std::string& path : {std::string(VESK_SOURCE_DIR) + "/.tools/chrony/usr/sbin/chronyd",
                                   std::string("/usr/sbin/chronyd")})
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    return {};
}

// chronyd serving its own clock on a loopback port; it never touches the
// clock (-x) and listens on nothing else.
class Chronyd
{
public:
    explicit Chronyd(int port)
    {
        m_dir = std::filesystem::temp_directory_path() / ("vesk-chrony-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
        const auto conf = m_dir / "chrony.conf";
        std::ofstream(conf) << "port " << port << "\nbindaddress 127.0.0.1\nallow 127.0.0.1\n"
                            << "local stratum 8\ncmdport 0\nbindcmdaddress /\n"
                            << "pidfile " << (m_dir / "chronyd.pid").string() << "\n";
        const std::string bin = FindChronyd();
        m_pid = ::fork();
        if (m_pid == 0) {
            if (::freopen("/dev/null", "w", stderr) == nullptr) {
                // Its messages then show among the test's: no harm.
            }
            // Root stays root: an unpacked chronyd has no user of its own.
            if (::geteuid() == 0)
                ::execl(bin.c_str(), "chronyd", "-x", "-d", "-u", "root", "-f", conf.c_str(), nullptr);
            else
                ::execl(bin.c_str(), "chronyd", "-x", "-d", "-U", "-f", conf.c_str(), nullptr);
            ::_exit(127);
        }
    }
    ~Chronyd()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    bool Running() const { return m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0; }

private:
    std::filesystem::path m_dir;
    pid_t m_pid = -1;
};

} // namespace

TEST(CompareCommand, PrintsTheMessageAndTheServer)
{
    FakeSntpServer server({.offset = 1.234, .stratum = 3});
    const std::string where = "127.0.0.1:" + std::to_string(server.Port());
    const CommandRun ok = Compare(where);
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out.rfind("사용자 PC가 1.2", 0), 0u) << ok.out;
    EXPECT_NE(ok.out.find("서버 " + where + ", 계층 3, 오프셋 +12"), std::string::npos) << ok.out;

    // The first argument refuses, the second answers.
    const CommandRun fallback = Compare("127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + " " + where);
    EXPECT_EQ(fallback.status, 0);
    EXPECT_NE(fallback.out.find(where), std::string::npos);

    const CommandRun none = Compare("127.0.0.1:" + std::to_string(ClosedLoopbackPort()));
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "서버에서 응답이 없습니다\n");

    EXPECT_EQ(Compare("host:99999").status, 2);
}

TEST(ChronyServer, OffsetAgainstTheSameClockIsNearZero)
{
    if (FindChronyd().empty()) {
        if (std::getenv("VESK_REQUIRE_CHRONYD"))
            FAIL() << "chronyd not found; scripts/fetch-chronyd.sh unpacks it";
        GTEST_SKIP() << "chronyd not found; scripts/fetch-chronyd.sh unpacks it";
    }
    const int port = ClosedLoopbackPort();
    Chronyd chronyd(port);
    SntpClient client;
    client.TimeoutMs = 200;
    SntpResult r;
    // chronyd answers once it has bound its port and taken the local clock
    // as its reference; until then it is silent or reports leap 3.
    bool answered = false;
    for (int i = 0; i < 100 && !answered; ++i) {
        answered = client.Query("127.0.0.1", r, port);
        if (!answered)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(answered) << client.LastErrorText() << (chronyd.Running() ? "" : " (chronyd ended)");
    // Same clock: within 1 ms of zero at its best, a busy machine's
    // scheduling aside.
    double best = 1.0;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(client.Query("127.0.0.1", r, port)) << client.LastErrorText();
        EXPECT_NEAR(r.Offset, 0.0, 0.02);
        EXPECT_EQ(r.Stratum, 8);
        best = std::min(best, std::fabs(r.Offset));
    }
    EXPECT_LT(best, 0.001);
}
