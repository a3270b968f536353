#include "TestEnvironment.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

std::string g_root;
pid_t g_owner = 0;   // a forked child leaving must not take the folder with it

void RemoveRoot()
{
    if (::getpid() != g_owner)
        return;
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
}

} // namespace

void IsolateTestEnvironment()
{
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "vesk-test-home.XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(2);   // a test must not fall back on the real home
    }
    g_root = pattern;
    g_owner = ::getpid();
    std::atexit(RemoveRoot);
    const struct
    {
        const char* variable;
        const char* folder;
    } folders[] = {{"HOME", "home"},
                   {"XDG_CONFIG_HOME", "home/.config"},
                   {"XDG_DATA_HOME", "home/.local/share"},
                   {"XDG_CACHE_HOME", "home/.cache"},
                   {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto& f : folders) {
        const fs::path path = fs::path(g_root) / f.folder;
        fs::create_directories(path);
        ::setenv(f.variable, path.c_str(), 1);
    }
    fs::permissions(fs::path(g_root) / "runtime", fs::perms::owner_all);
    // No notification or tray registration reaches the session of whoever
    // runs the tests: their bus is a socket that is never there.
    const std::string noBus = "unix:path=" + (fs::path(g_root) / "no-session-bus").string();
    ::setenv("DBUS_SESSION_BUS_ADDRESS", noBus.c_str(), 1);

    // Nothing may reach a real desktop (its screen saver, its windows)
    // unless a real platform was chosen on purpose.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform || std::strcmp(platform, "offscreen") == 0) {
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
    }
}
