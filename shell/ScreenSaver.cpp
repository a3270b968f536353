#include "shell/ScreenSaver.h"

#include "base/FileIo.h"
#include "base/SettingsStore.h"
#include "base/UserPaths.h"
#include "time/TimeService.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s)
{
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// One line of an ini text: its content and its ending ("\r\n", "\n" or "").
struct Line
{
    std::string_view body;
    std::string_view eol;
};

std::vector<Line> SplitLines(std::string_view text)
{
    std::vector<Line> lines;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        if (nl == std::string_view::npos) {
            lines.push_back({text, {}});
            break;
        }
        std::size_t bodyEnd = nl;
        if (bodyEnd > 0 && text[bodyEnd - 1] == '\r')
            --bodyEnd;
        lines.push_back({text.substr(0, bodyEnd), text.substr(bodyEnd, nl + 1 - bodyEnd)});
        text.remove_prefix(nl + 1);
    }
    return lines;
}

// The name of a "[name]" line, or nothing.
std::optional<std::string_view> SectionName(std::string_view body)
{
    const std::string_view t = Trim(body);
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    const auto close = t.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

// The key of a "key=value" line, or nothing for comments and other lines.
std::optional<std::string_view> KeyName(std::string_view body)
{
    const std::string_view t = Trim(body);
    if (t.empty() || t.front() == ';')
        return std::nullopt;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return Trim(t.substr(0, eq));
}

// Runs "xset s on|off" without waiting for it; a helper thread reaps it.
bool RunXset(bool on)
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0')
        return false;
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return false;
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char arg0[] = "xset";
    char arg1[] = "s";
    char onArg[] = "on";
    char offArg[] = "off";
    char* argv[] = {arg0, arg1, on ? onArg : offArg, nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "xset", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

std::mutex g_switchMutex;
ScreenSaverSwitch g_switch = RunXset;

}  // namespace

std::string ScreenSaverPath()
{
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::current_path(ec);
    if (ec)
        return kScreenSaverFileName;
    return (dir / kScreenSaverFileName).string();
}

bool CanOpenForReading(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st{};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

std::string ScreenSaverMissingMessage()
{
    return std::string("스크린 세이버 VESK3Scr.scr가 인스톨되어 있지 않습니다.\r\n\r\n    ")
           + kTimeServiceHomePage + "에서 다운로드할 수 있습니다.";
}

std::string SystemIniPath()
{
    const std::string config = ConfigHome();
    return config.empty() ? config : config + "/" + kSettingsOrganisation + "/system.ini";
}

std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value)
{
    const std::vector<Line> lines = SplitLines(text);
    std::string_view eol = "\n";
    for (const Line& line : lines) {
        if (!line.eol.empty()) {
            eol = line.eol;
            break;
        }
    }
    const std::string entry = std::string(key) + "=" + std::string(value);

    // The section's header line, its matching key line and its last non-blank line.
    std::optional<std::size_t> header, match, lastContent;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i].body)) {
            if (header)
                break;
            if (EqualsNoCase(*name, section)) {
                header = i;
                lastContent = i;
            }
            continue;
        }
        if (!header)
            continue;
        if (!Trim(lines[i].body).empty())
            lastContent = i;
        if (const auto name = KeyName(lines[i].body); name && EqualsNoCase(*name, key)) {
            match = i;
            break;
        }
    }

    std::string out;
    out.reserve(text.size() + entry.size() + section.size() + 8);
    const auto append = [&](const Line& line) {
        out.append(line.body);
        out.append(line.eol);
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (match && i == *match) {
            out += entry;
            out.append(lines[i].eol);
            continue;
        }
        append(lines[i]);
        if (!match && lastContent && i == *lastContent) {
            if (lines[i].eol.empty())
                out.append(eol);
            out += entry;
            out.append(lines[i].eol.empty() ? std::string_view{} : eol);
        }
    }
    if (!header) {
        if (!out.empty() && out.back() != '\n')
            out.append(eol);
        out += "[";
        out.append(section);
        out += "]";
        out.append(eol);
        out += entry;
        out.append(eol);
    }
    return out;
}

bool WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value)
{
    if (value.find_first_of("\r\n") != std::string_view::npos) {
        errno = EINVAL;
        return false;
    }
    if (path.empty()) {   // a user without a home has no configuration folder
        errno = ENOENT;
        return false;
    }
    // Through a symbolic link to the file it names, so the link survives.
    std::error_code ec;
    std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    if (ec)
        target = path;
    std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) {
        errno = ec.value();
        return false;
    }
    // A missing file reads as empty text; one too long for an ini file is
    // left alone.
    constexpr std::size_t kMaxIniBytes = 1 << 20;
    std::string text;
    if (!ReadFileBytes(target.string(), text, kMaxIniBytes)) {
        if (errno != ENOENT)
            return false;
        text.clear();
    }
    return ReplaceFile(target.string(), SetIniValue(text, section, key, value));
}

ScreenSaverSwitch SetScreenSaverSwitch(ScreenSaverSwitch sw)
{
    const std::lock_guard lock(g_switchMutex);
    ScreenSaverSwitch previous = std::move(g_switch);
    g_switch = sw ? std::move(sw) : ScreenSaverSwitch(RunXset);
    return previous;
}

bool WriteScreenSaverEntry(bool scr)
{
    return WriteIniValue(SystemIniPath(), kScreenSaverIniSection, kScreenSaverIniKey,
                         scr ? ScreenSaverPath() : std::string());
}

bool ApplyScreenSaverSetting(bool scr)
{
    const bool written = WriteScreenSaverEntry(scr);
    ScreenSaverSwitch sw;
    {
        const std::lock_guard lock(g_switchMutex);
        sw = g_switch;
    }
    sw(scr);
    return written;
}
