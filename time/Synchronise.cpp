#include "time/Synchronise.h"

#include "base/UserPaths.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kResultTag = "result ";
constexpr std::size_t kMaxHelperOutput = 4096;   // bytes; the helper prints two short lines

std::string ErrnoName(int err)
{
    const char* name = strerrorname_np(err);
    return name ? name : "EUNKNOWN";
}

bool IsErrnoName(std::string_view s)
{
    if (s.size() < 2 || s.size() > 32 || s[0] != 'E')
        return false;
    for (const char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

// Takes "key=" off the front of s, then the value up to the next blank.
std::optional<std::string_view> Field(std::string_view& s, std::string_view key)
{
    if (!s.starts_with(key) || s.size() == key.size() || s[key.size()] != '=')
        return std::nullopt;
    s.remove_prefix(key.size() + 1);
    const auto end = s.find(' ');
    const std::string_view value = s.substr(0, end);
    s.remove_prefix(end == std::string_view::npos ? s.size() : end + 1);
    return value;
}

std::optional<SyncOutcome> ParseResultLine(std::string_view line)
{
    line.remove_prefix(std::strlen(kResultTag));
    SyncOutcome o;
    const auto server = Field(line, "server");
    if (!server || server->size() != 1 || (*server)[0] < '1' || (*server)[0] > '3')
        return std::nullopt;
    o.serverId = (*server)[0] - '0';
    if (o.serverId == kServerNeither)
        return line.empty() ? std::optional(o) : std::nullopt;

    const auto offset = Field(line, "offset");
    if (!offset || offset->empty() || ((*offset)[0] != '+' && (*offset)[0] != '-'))
        return std::nullopt;
    // from_chars takes no '+'; the sign is read here.
    const std::string_view digits = offset->substr(1);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), o.offset,
                                           std::chars_format::fixed);
    if (ec != std::errc{} || end != digits.data() + digits.size() || digits.starts_with('-')
        || !std::isfinite(o.offset))
        return std::nullopt;
    if ((*offset)[0] == '-')
        o.offset = -o.offset;

    const auto set = Field(line, "set");
    if (!set || !line.empty())
        return std::nullopt;
    o.clockSet = *set == "ok";
    if (!o.clockSet) {
        if (!IsErrnoName(*set))
            return std::nullopt;
        o.error = *set;
    }
    return o;
}

} // namespace

std::string SyncMessage(double offset)
{
    char text[96];
    std::snprintf(text, sizeof text, " %.3f 초 이내에서 동기되었습니다.", std::fabs(offset));
    return text;
}

SyncOutcome SetClockFrom(SntpClient& client, const ServerAnswer& answer)
{
    SyncOutcome o;
    if (!answer.answered)
        return o;
    o.serverId = answer.serverId;
    o.offset = answer.result.Offset;
    o.clockSet = client.SetSystemClock(NtpTimestamp::Now().AddSeconds(o.offset));
    if (!o.clockSet)
        o.error = ErrnoName(errno);
    return o;
}

std::string SyncOutcomeMessage(const SyncOutcome& outcome)
{
    if (outcome.serverId == kServerNeither)
        return kNoReplyMessage;
    return outcome.clockSet ? SyncMessage(outcome.offset) : kSyncFailedMessage;
}

int SyncExitStatus(const SyncOutcome& outcome)
{
    if (outcome.serverId == kServerNeither)
        return kSyncExitNoServer;
    return outcome.clockSet ? kSyncExitSet : kSyncExitNotSet;
}

std::string SyncResultLine(const SyncOutcome& outcome)
{
    if (outcome.serverId == kServerNeither)
        return std::string(kResultTag) + "server=" + std::to_string(kServerNeither);
    char text[160];
    std::snprintf(text, sizeof text, "%sserver=%d offset=%+.9f set=%s", kResultTag,
                  outcome.serverId, outcome.offset,
                  outcome.clockSet ? "ok" : outcome.error.c_str());
    return text;
}

std::optional<SyncOutcome> ParseSyncResult(std::string_view output, int exitStatus)
{
    std::optional<SyncOutcome> found;
    int results = 0;
    while (!output.empty()) {
        const auto end = output.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;   // cut off: the helper did not finish its output
        const std::string_view line = output.substr(0, end);
        output.remove_prefix(end + 1);
        if (line.starts_with(kResultTag)) {
            ++results;
            found = ParseResultLine(line);
        }
    }
    if (results != 1 || !found || SyncExitStatus(*found) != exitStatus)
        return std::nullopt;
    return found;
}

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
