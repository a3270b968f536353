#include "time/Synchronise.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kResultTag = "result ";

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
        if (!IsErrnoName(*set) && *set != kStepUnconfirmed && *set != kStepDisputed)
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

SyncPlan PlanSync(SntpClient& client, const std::vector<TimeServer>& servers,
                  const std::vector<PeerAddresses>& resolved)
{
    SyncPlan plan{AskServers(client, servers, resolved), {}};
    const ServerAnswer& first = plan.answer;
    if (!first.answered || std::fabs(first.result.Offset) <= kConfirmStepAbove)
        return plan;
    // The servers before the one that answered have just failed.
    const ServerAnswer second = AskServers(client, servers, resolved,
                                           static_cast<std::size_t>(first.serverId));
    plan.answer.failures.insert(plan.answer.failures.end(), second.failures.begin(),
                                second.failures.end());
    char text[160];
    if (!second.answered) {
        plan.refusal = kStepUnconfirmed;
        std::snprintf(text, sizeof text, "%+.3f 초를 확인해 줄 다른 서버가 없습니다",
                      first.result.Offset);
    } else if (std::fabs(second.result.Offset - first.result.Offset) > kAgreeWithin) {
        plan.refusal = kStepDisputed;
        std::snprintf(text, sizeof text, "%s: %+.3f 초, 첫 서버의 %+.3f 초와 맞지 않습니다",
                      FormatTimeServer(servers[second.serverId - 1]).c_str(),
                      second.result.Offset, first.result.Offset);
    } else {
        return plan;
    }
    plan.answer.failures.push_back(text);
    return plan;
}

SyncOutcome SetClockFrom(SntpClient& client, const SyncPlan& plan)
{
    SyncOutcome o;
    if (!plan.answer.answered)
        return o;
    o.serverId = plan.answer.serverId;
    o.offset = plan.answer.result.Offset;
    if (!plan.refusal.empty()) {
        o.error = plan.refusal;
        return o;
    }
    o.clockSet = client.SetSystemClock(o.offset);
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
