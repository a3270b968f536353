#pragma once

#include "time/Synchronise.h"

#include <unistd.h>

#include <string>
#include <vector>

// The helper's command line as a process without any right: as root,
// every capability leaves the bounding and inheritable sets first, so even
// a broken guard could not set the clock.
inline std::vector<std::string> Unprivileged(std::vector<std::string> helperArgs)
{
    std::vector<std::string> cmd;
    if (::geteuid() == 0)
        cmd = {"/usr/bin/setpriv", "--bounding-set=-all", "--inh-caps=-all"};
    cmd.push_back(VESK_SYNC_BIN);
    cmd.insert(cmd.end(), helperArgs.begin(), helperArgs.end());
    return cmd;
}

inline HelperSynchroniser UnprivilegedHelper(std::vector<std::string> helperArgs)
{
    std::vector<std::string> cmd = Unprivileged(std::move(helperArgs));
    const std::string program = cmd.front();
    return HelperSynchroniser(program, {cmd.begin() + 1, cmd.end()});
}
