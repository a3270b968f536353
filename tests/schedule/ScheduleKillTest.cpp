// A save killed at any moment leaves the last completed save, whole.

#include "ScheduleTestSupport.h"

#include "schedule/ScheduleFile.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <random>
#include <thread>

extern char** environ;

TEST_F(ScheduleTest, SaveKilledAtRandomMomentsNeverLosesACompletedSave)
{
    std::mt19937 rng(42);
    int rounds = 0;  // rounds in which a save completed
    for (int round = 0; round < 15; ++round) {
        std::size_t reported = 0;  // entries of the last save this child completed
        int out[2];
        ASSERT_EQ(::pipe2(out, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        char bin[] = VESK_SAVE_LOOP_BIN;
        std::string dir = Dir();
        char* argv[] = {bin, dir.data(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, bin, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);

        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(5, 200)(rng)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself";

        std::string lines;
        char buffer[4096];
        for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
            lines.append(buffer, static_cast<std::size_t>(n));
        ::close(out[0]);
        const std::size_t lastLine = lines.rfind('\n', lines.size() >= 2 ? lines.size() - 2 : 0);
        if (lines.ends_with('\n')) {
            reported = std::stoul(lines.substr(lastLine == std::string::npos ? 0 : lastLine + 1));
            ++rounds;
        }

        std::string bytes = ReadAll(m_dir / kLiveScheduleFile);
        bool whole = false;
        const auto entries = ReadRecords(bytes, &whole);
        EXPECT_TRUE(whole) << "round " << round;
        EXPECT_GE(entries.size(), reported) << "round " << round;
    }
    EXPECT_GT(rounds, 0);
}
