// Killed at any moment, a save leaves the last completed save, whole, and
// the alarm thread leaves a book that gives no alarm twice.

#include "ScheduleTestSupport.h"

#include "base/Cp949.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <random>
#include <thread>

namespace {

// A test program started with its standard output on a pipe, killed at
// the end at the latest.
class Child
{
public:
    explicit Child(std::vector<std::string> args)
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), nullptr) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        m_out = out[0];
        ::fcntl(m_out, F_SETFL, O_NONBLOCK);
    }
    ~Child()
    {
        Kill();
        if (m_out >= 0)
            ::close(m_out);
    }
    bool Started() const { return m_pid > 0; }
    void Kill()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = 0;
    }
    // What it wrote so far; all of it once it was killed.
    const std::string& Output()
    {
        char buffer[4096];
        for (ssize_t n; (n = ::read(m_out, buffer, sizeof buffer)) > 0;)
            m_output.append(buffer, static_cast<std::size_t>(n));
        return m_output;
    }

private:
    pid_t m_pid = 0;
    int m_out = -1;
    std::string m_output;
};

template <typename F>
bool Within(std::chrono::milliseconds limit, F cond)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return cond();
}

} // namespace

TEST_F(ScheduleTest, SaveKilledAtRandomMomentsNeverLosesACompletedSave)
{
    std::mt19937 rng(42);
    int completed = 0;  // rounds in which the saver finished a save
    for (int round = 0; round < 15; ++round) {
        // The saver prints the entries of each save it finished.
        Child saver({VESK_SAVE_LOOP_BIN, Dir()});
        ASSERT_TRUE(saver.Started());
        // Every other round kills a later save, however slowly a loaded
        // machine starts the saver.
        if (round % 2 == 1)
            ASSERT_TRUE(Within(std::chrono::seconds(20), [&] { return !saver.Output().empty(); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(5, 200)(rng)));
        saver.Kill();
        const std::string lines = saver.Output();
        std::size_t reported = 0;
        if (const auto end = lines.rfind('\n'); end != std::string::npos) {
            const auto begin = lines.rfind('\n', end - 1);
            reported = std::stoul(lines.substr(begin == std::string::npos ? 0 : begin + 1));
            ++completed;
        }
        bool whole = false;
        const auto entries = ReadRecords(ReadAll(m_dir / "forward_v3_3.sch"), &whole);
        EXPECT_TRUE(whole) << round;
        EXPECT_GE(entries.size(), reported) << round;
    }
    EXPECT_GE(completed, 7);
}

// The book behind a link to a private file elsewhere, killed just after an
// alarm was given and saved: the link stays, memo bytes CP949 lacks stay,
// the new year's backup is as private as the book, and a restart within
// the same second does not give the alarm again.
TEST_F(ScheduleTest, AlarmThreadKilledAfterAnAlarmLeavesABookThatDoesNotRepeatIt)
{
    constexpr int kLead1 = 1;
    const std::time_t A = Local(2003, 3, 5, 9, 5);
    const std::string odd = "\xC9\xA1 \xFE\xFE \x80 \xC8\xB8\xC0\xC7 \xB0";  // 회의 among them
    const fs::path book = m_dir / "private" / "book.sch";
    fs::create_directories(book.parent_path());
    WriteAll(book, Record(Entry(A, {kOnTime, kLead1}, RepeatOnce, "X")) +
                       RecordWithMemoBytes(Entry(A - 60, {kOnTime}, RepeatDaily), odd));
    fs::permissions(book, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path live = m_dir / kLiveScheduleFile;
    fs::create_symlink(book, live);
    const auto saved = [&] { return ReadRecords(ReadAll(book)); };

    // Started a second before the lead point, in a new year.
    Child first({VESK_ALARM_RUN_BIN, Dir(), std::to_string(A - 61), "2002"});
    ASSERT_TRUE(Within(std::chrono::seconds(5), [&] {
        return first.Output().find("[1분전] X") != std::string::npos && saved().size() == 3;
    })) << first.Output();
    first.Kill();
    EXPECT_EQ(first.Output(), "loaded\n[1분전] X\r\n[알림] " + Cp949ToUtf8(odd) + "\r\n");
    EXPECT_TRUE(fs::is_symlink(live));
    const std::string bytes = ReadAll(book);
    const auto at = bytes.find(odd);  // the daily entry and its done copy
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(bytes.find(odd, at + 1), std::string::npos);
    const auto perms = fs::status(m_dir / "forward_v3_3.sch_").permissions() & fs::perms::all;
    EXPECT_EQ(perms, fs::perms::owner_read | fs::perms::owner_write);

    Child again({VESK_ALARM_RUN_BIN, Dir(), std::to_string(A - 60), "2003"});
    ASSERT_TRUE(Within(std::chrono::seconds(5), [&] { return !again.Output().empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // a pass at A - 60, one after
    again.Kill();
    EXPECT_EQ(again.Output(), "loaded\n");
}
