#pragma once
// One synchronisation of the system clock. Only the small helper program
// vesk-sync sets the clock (it alone may be granted CAP_SYS_TIME); it
// prints its outcome as one result line. The windowed program runs the
// helper and reads that line.

#include "base/Options.h"
#include "time/Compare.h"
#include "time/SntpClient.h"
#include "time/StopSignal.h"

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

// The synchronised message for an offset in seconds (its size is shown).
std::string SyncMessage(double offset);

// What one synchronisation came to.
struct SyncOutcome
{
    int serverId = kServerNeither;   // or kServerPrimary, kServerSecondary
    double offset = 0;               // s, positive when the PC was behind
    bool clockSet = false;
    std::string error;               // why the set failed, as an errno name ("EPERM")

    bool operator==(const SyncOutcome&) const = default;
};

// Sets the clock from an answer of AskServers: the current time plus the
// offset, read after the exchange ended.
SyncOutcome SetClockFrom(SntpClient& client, const ServerAnswer& answer);

// The message the user sees for an outcome.
std::string SyncOutcomeMessage(const SyncOutcome& outcome);
// The helper's exit status for an outcome.
int SyncExitStatus(const SyncOutcome& outcome);
// The result line: "result server=1 offset=+1.500000000 set=ok",
// "... set=EPERM" when the set failed, "result server=3" when no server
// answered.
std::string SyncResultLine(const SyncOutcome& outcome);
// The outcome in what the helper printed and its exit status; nothing
// unless there is exactly one well-formed result line that agrees with
// the status. Everything else is garbage, and garbage is a failure.
std::optional<SyncOutcome> ParseSyncResult(std::string_view output, int exitStatus);

// Where the windowed program's synchronise goes.
class Synchroniser
{
public:
    virtual ~Synchroniser() = default;
    // One synchronisation; nothing when it could not be run or told
    // nothing usable. A raised stop ends it early (an outcome already
    // reached is still given).
    virtual std::optional<SyncOutcome> Synchronise(const StopSignal& stop) = 0;
};

// Runs the helper program with the given arguments and an empty
// environment, and reads its result line.
class HelperSynchroniser final : public Synchroniser
{
public:
    explicit HelperSynchroniser(std::string program, std::vector<std::string> args = {});
    std::optional<SyncOutcome> Synchronise(const StopSignal& stop) override;

    // Longest a helper may take (its two exchanges take at most 4 s and
    // the name lookups), in ms; then it is killed and the run fails.
    int TimeLimitMs = 30000;

private:
    std::string m_program;
    std::vector<std::string> m_args;
};

// The helper in the directory of the running program (/proc/self/exe).
std::string HelperBesideProgram();
