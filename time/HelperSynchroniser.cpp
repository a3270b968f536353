#include "time/HelperSynchroniser.h"

#include "base/UserPaths.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

constexpr std::size_t kMaxHelperOutput = 4096;   // bytes; the helper prints two short lines

} // namespace

HelperSynchroniser::HelperSynchroniser(std::string program, std::vector<std::string> args)
    : m_program(std::move(program)), m_args(std::move(args))
{
}

std::optional<SyncOutcome> HelperSynchroniser::Synchronise(const StopSignal& stop)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    // Nothing of this process's reaches the helper but its standard error.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    std::vector<char*> argv{m_program.data()};
    for (std::string& a : m_args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    char* envp[] = {nullptr};   // the helper takes nothing from the environment
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, m_program.c_str(), &actions, nullptr, argv.data(), envp);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        errno = spawned;
        return std::nullopt;
    }

    // Read to the end of its output. A stop asks it to end (it finishes a
    // clock setting it has begun); the time limit ends it for good. Once
    // told to end, its own end is enough: what it started may hold the
    // pipe open.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeLimitMs);
    std::string output;
    bool asked = false, killed = false, reaped = false, garbage = false;
    int status = 0;
    for (;;) {
        if (stop.IsRaised() && !asked) {
            ::kill(pid, SIGTERM);
            asked = true;
        }
        const auto left = std::max<long long>(
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count(), 0);
        if (left == 0 && !killed) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
        if ((asked || killed) && !reaped)
            reaped = ::waitpid(pid, &status, WNOHANG) == pid;
        long long waitMs = killed ? kStopPollSliceMs : left;
        if (asked || stop.Fd() < 0)
            waitMs = std::min<long long>(waitMs, kStopPollSliceMs);
        pollfd p[2] = {{out[0], POLLIN, 0}, {asked ? -1 : stop.Fd(), POLLIN, 0}};
        const int n = ::poll(p, 2, reaped ? 0 : static_cast<int>(waitMs));
        if (n < 0 && errno != EINTR)
            break;
        if (n <= 0 || !p[0].revents) {
            if (reaped)
                break;
            continue;
        }
        char buf[512];
        const ssize_t got = ::read(out[0], buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        if (output.size() + static_cast<std::size_t>(got) > kMaxHelperOutput) {
            garbage = true;   // far more than a result: not the helper we know
            ::kill(pid, SIGKILL);
            break;
        }
        output.append(buf, static_cast<std::size_t>(got));
    }
    ::close(out[0]);
    while (!reaped && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (garbage || killed || !WIFEXITED(status))
        return std::nullopt;
    return ParseSyncResult(output, WEXITSTATUS(status));
}

std::string HelperBesideProgram()
{
    const std::string dir = ProgramDirectory();
    if (dir.empty())
        return {};   // no such program: the run fails
    return dir + "/" + kSyncHelperName;
}
