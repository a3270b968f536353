// A save killed at any moment leaves the last completed save, whole.

#include "ScheduleTestSupport.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <random>
#include <thread>

TEST_F(ScheduleTest, SaveKilledAtRandomMomentsNeverLosesACompletedSave)
{
    std::mt19937 rng(42);
    int completed = 0;  // rounds in which the saver finished a save
    for (int round = 0; round < 15; ++round) {
        // The saver prints the entries of each save it finished.
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string bin = VESK_SAVE_LOOP_BIN, dir = Dir();
        char* argv[] = {bin.data(), dir.data(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, bin.c_str(), &actions, nullptr, argv, nullptr), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(5, 200)(rng)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);

        std::string lines;
        char buffer[4096];
        for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
            lines.append(buffer, static_cast<std::size_t>(n));
        ::close(out[0]);
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
    EXPECT_GT(completed, 0);
}
