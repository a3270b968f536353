#include "base/UserPaths.h"

#include <cstdlib>
#include <string_view>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace {

// An XDG variable counts only when absolute; relative ones are ignored.
std::string XdgFolder(const char* variable, const char* fallbackInHome)
{
    if (const char* dir = std::getenv(variable); dir != nullptr && dir[0] == '/')
        return dir;
    const std::string home = HomeDirectory();
    return home.empty() ? home : home + fallbackInHome;
}

} // namespace

std::string HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return home;
    std::vector<char> buffer(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found != nullptr
        && found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    // Never a shared folder such as /tmp: what the program keeps there
    // would be anyone's to replace.
    return {};
}

std::string ConfigHome()
{
    return XdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::string DataHome()
{
    return XdgFolder("XDG_DATA_HOME", "/.local/share");
}

std::string ProgramPath()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    std::string program(path, static_cast<std::size_t>(n));
    // A program replaced while it runs (a package upgrade) is named so.
    constexpr std::string_view kDeleted = " (deleted)";
    if (program.ends_with(kDeleted))
        program.resize(program.size() - kDeleted.size());
    return program;
}

std::string ProgramDirectory()
{
    std::string dir = ProgramPath();
    const std::size_t slash = dir.rfind('/');
    if (slash == std::string::npos)
        return {};
    dir.erase(slash);
    return dir;
}
