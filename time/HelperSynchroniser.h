#pragma once
// The windowed program's side of a synchronise: it runs the helper
// vesk-sync, which alone may set the clock, and reads its result line.

#include "time/StopSignal.h"
#include "time/Synchronise.h"

#include <optional>
#include <string>
#include <vector>

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

// Runs the helper program with the given arguments, an empty environment
// and no descriptor of this process but its standard error, and reads its
// result line.
class HelperSynchroniser final : public Synchroniser
{
public:
    explicit HelperSynchroniser(std::string program, std::vector<std::string> args = {});
    std::optional<SyncOutcome> Synchronise(const StopSignal& stop) override;

    // Longest a helper may take (its exchanges take at most 4 s and the
    // name lookups), in ms; then it is killed and the run fails.
    int TimeLimitMs = 30000;

private:
    std::string m_program;
    std::vector<std::string> m_args;
};

// The helper in the directory of the running program (/proc/self/exe).
std::string HelperBesideProgram();
