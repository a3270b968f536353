#include "shell/ProgramFolder.h"

#include "base/FileIo.h"
#include "base/UserPaths.h"
#include "clocks/WorldTime.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const kDataFromProgram = VESK_DATA_FROM_PROGRAM;

namespace {

constexpr std::size_t kMaxDataFile = 64u << 20;   // bytes; the largest is under 100 kB

bool IsRegularFile(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Whether anything, even a dangling link, has that name.
bool Exists(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

// The shared data folder of the program in programDir, when installed.
std::optional<std::string> InstalledDataFolder(const std::string& programDir)
{
    if (programDir.empty() || IsRegularFile(programDir + "/" + kWorldTimeFileName))
        return std::nullopt;
    const std::string data = programDir + "/" + kDataFromProgram;
    if (!IsRegularFile(data + "/" + kWorldTimeFileName))
        return std::nullopt;
    return data;
}

// Makes folder and copies in the data files it lacks. False with errno set
// and failedPath naming the file or folder at fault.
bool FillUserFolder(const std::string& dataFolder, const std::string& folder,
                    std::string& failedPath)
{
    failedPath = folder;
    if (!MakeFolders(folder, 0700))
        return false;
    // A folder the user may not write (someone else's) is told now, not
    // at the first save.
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return false;

    failedPath = dataFolder;
    DIR* dir = ::opendir(dataFolder.c_str());
    if (dir == nullptr)
        return false;
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            ok = errno == 0;
            break;
        }
        const std::string name = entry->d_name;
        const std::string from = dataFolder + "/" + name;
        const std::string to = folder + "/" + name;
        if (name.starts_with('.') || !IsRegularFile(from) || Exists(to))
            continue;
        std::string bytes;
        const bool read = ReadFileBytes(from, bytes, kMaxDataFile);
        if (!read || !ReplaceFile(to, bytes)) {
            failedPath = read ? to : from;
            ok = false;
            break;
        }
    }
    const int err = errno;
    ::closedir(dir);
    errno = err;
    return ok;
}

} // namespace

std::string EnterUserFolder(const std::string& programDir)
{
    const std::optional<std::string> data = InstalledDataFolder(programDir);
    if (!data)
        return {};
    const std::string folder = DataHome() + "/vesk";
    std::string failedPath;
    bool ok = FillUserFolder(*data, folder, failedPath);
    if (ok) {
        failedPath = folder;
        ok = ::chdir(folder.c_str()) == 0;
    }
    if (!ok)
        return "사용자 폴더를 준비할 수 없습니다.\n\n" + failedPath + ": " + std::strerror(errno);
    return {};
}
