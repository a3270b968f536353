#include "shell/Autostart.h"

#include "base/FileIo.h"
#include "base/UserPaths.h"

#include <cerrno>
#include <filesystem>
#include <string_view>

#include <unistd.h>

namespace {

constexpr std::size_t kMaxEntry = 64u << 10;   // bytes; ours is a few hundred

bool HasControlCharacter(std::string_view s)
{
    for (const char c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

// A string value: a backslash is written "\\".
std::string EscapeString(std::string_view s)
{
    std::string out;
    for (const char c : s) {
        if (c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

// One argument of Exec, quoted when it holds a reserved character; a
// literal '%' is written "%%" since it starts a field code.
std::string ExecArgument(std::string_view arg)
{
    constexpr std::string_view kReserved = " \t\"'\\><~|&;$*?#()`";
    std::string quoted;
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    if (arg.find_first_of(kReserved) != std::string_view::npos)
        quoted = '"' + quoted + '"';
    return EscapeString(quoted);
}

} // namespace

std::string AutostartEntryPath()
{
    const std::string config = ConfigHome();
    return config.empty() ? config : config + "/autostart/" VESK_DESKTOP_ID ".desktop";
}

bool AutostartEnabled()
{
    std::string text;
    if (!ReadFileBytes(AutostartEntryPath(), text, kMaxEntry))
        return false;
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

std::optional<std::string> AutostartEntryText(const std::string& program,
                                              const std::string& folder)
{
    if (HasControlCharacter(program) || HasControlCharacter(folder))
        return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Vesk\n"
           "Name[ko]=Vesk 표준시\n"
           "Comment=Standard time client\n"
           "Comment[ko]=표준시 클라이언트\n"
           "Icon=" VESK_DESKTOP_ID "\n"
           "Exec=" + ExecArgument(program) + "\n"
           // Desktops skip the entry once the program is gone (removed
           // with its package), instead of failing at every login.
           "TryExec=" + EscapeString(program) + "\n"
           "Path=" + EscapeString(folder) + "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool SetAutostart(bool on)
{
    const std::string path = AutostartEntryPath();
    if (path.empty()) {   // a user without a home has no autostart folder
        errno = ENOENT;
        return false;
    }
    if (!on)
        return ::unlink(path.c_str()) == 0 || errno == ENOENT;

    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::current_path(ec);
    if (ec) {
        errno = ec.value();
        return false;
    }
    const std::optional<std::string> text = AutostartEntryText(ProgramPath(), folder.string());
    if (!text) {
        errno = EINVAL;
        return false;
    }
    return MakeFolders(path.substr(0, path.rfind('/')), 0700) && ReplaceFile(path, *text);
}
