#pragma once
// One synchronisation of the system clock, as the helper vesk-sync makes
// it: only that small program sets the clock (it alone may be granted
// CAP_SYS_TIME), and it prints its outcome as one result line, which the
// windowed program reads (HelperSynchroniser.h).

#include "base/Options.h"
#include "time/Compare.h"
#include "time/SntpClient.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kSyncFailedMessage = "동기에 실패했습니다.";
inline constexpr const char* kSyncHelperName = "vesk-sync";

// The helper's exit status: 0 only when the clock was set.
constexpr int kSyncExitSet = 0;
constexpr int kSyncExitNoServer = 1;
constexpr int kSyncExitUsage = 2;
constexpr int kSyncExitNotSet = 3;

// A step larger than this (s) is made only when a second server agrees,
// within kAgreeWithin: one server gone wrong cannot move the clock by
// years, while a PC whose clock is really that far off is still set.
constexpr double kConfirmStepAbove = 1000;
constexpr double kAgreeWithin = 1;

// Why an answered synchronise did not step, where it is not an errno name.
inline constexpr const char* kStepUnconfirmed = "unconfirmed";   // no second server answered
inline constexpr const char* kStepDisputed = "disputed";         // the second server disagreed

// The synchronised message for an offset in seconds (its size is shown).
std::string SyncMessage(double offset);

// What one synchronisation came to.
struct SyncOutcome
{
    int serverId = kServerNeither;   // or kServerPrimary, kServerSecondary
    double offset = 0;               // s, positive when the PC was behind
    bool clockSet = false;
    std::string error;               // why the clock was not set: an errno name ("EPERM"),
                                     // kStepUnconfirmed or kStepDisputed

    bool operator==(const SyncOutcome&) const = default;
};

// What the servers said, and whether it may step the clock.
struct SyncPlan
{
    ServerAnswer answer;   // the first server that answered
    std::string refusal;   // empty, kStepUnconfirmed or kStepDisputed
};

// Asks the servers in turn (AskServers). An offset larger than
// kConfirmStepAbove is then put to the servers after the one that
// answered; it stands only when the first of them to answer agrees
// within kAgreeWithin.
SyncPlan PlanSync(SntpClient& client, const std::vector<TimeServer>& servers,
                  const std::vector<PeerAddresses>& resolved = {});

// Steps the clock by the plan's offset, unless the plan refuses it: the
// kernel adds the offset to the clock as it is at that moment, so no
// delay after the exchange makes the result wrong.
SyncOutcome SetClockFrom(SntpClient& client, const SyncPlan& plan);

// The message the user sees for an outcome.
std::string SyncOutcomeMessage(const SyncOutcome& outcome);
// The helper's exit status for an outcome.
int SyncExitStatus(const SyncOutcome& outcome);
// The result line: "result server=1 offset=+1.500000000 set=ok",
// "... set=EPERM" when the step failed, "... set=disputed" when it was
// refused, "result server=3" when no server answered.
std::string SyncResultLine(const SyncOutcome& outcome);
// The outcome in what the helper printed and its exit status; nothing
// unless there is exactly one well-formed result line that agrees with
// the status. Everything else is garbage, and garbage is a failure.
std::optional<SyncOutcome> ParseSyncResult(std::string_view output, int exitStatus);
