#include "shell/ProgramFolder.h"

#include "base/FileIo.h"
#include "base/UserPaths.h"
#include "clocks/WorldTime.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
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

// Why the folder open as fd may not be the one the program runs in; empty
// when it may. fixMode: a folder of the user's is made 0700 first.
std::string FolderFault(int fd, bool fixMode)
{
    struct stat st{};
    if (::fstat(fd, &st) != 0)
        return std::strerror(errno);
    if (!S_ISDIR(st.st_mode))
        return "폴더가 아닙니다.";
    if (st.st_uid != ::geteuid())
        return "다른 사용자의 폴더입니다.";
    if (fixMode && (st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) == 0)
        st.st_mode = (st.st_mode & ~07777) | 0700;
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return "다른 사용자도 쓸 수 있는 폴더입니다.";
    // Told now, not at the first save that fails.
    if (::faccessat(fd, ".", W_OK | X_OK, AT_EACCESS) != 0)
        return std::strerror(errno);
    return {};
}

std::string Refusal(const std::string& folder, const std::string& fault)
{
    return "프로그램 폴더를 사용할 수 없습니다.\n\n" + folder + ": " + fault;
}

// Copies into the working folder the data files it lacks. False with errno
// set and failedPath naming the file at fault.
bool FillWorkingFolder(const std::string& dataFolder, std::string& failedPath)
{
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
        if (name.starts_with('.') || !IsRegularFile(from) || Exists(name))
            continue;
        std::string bytes;
        const bool read = ReadFileBytes(from, bytes, kMaxDataFile);
        if (!read || !ReplaceFile(name, bytes)) {
            failedPath = read ? name : from;
            ok = false;
            break;
        }
    }
    const int err = errno;
    ::closedir(dir);
    errno = err;
    return ok;
}

// Whether the table at path loads with at least one region.
bool HasRegions(const std::string& path)
{
    return LoadWorldTimeTable(path, nullptr) && WorldTimeRowCount() > 1;
}

} // namespace

std::string EnterUserFolder(const std::string& programDir)
{
    const std::optional<std::string> data = InstalledDataFolder(programDir);
    if (!data)
        return {};
    const std::string home = DataHome();
    if (home.empty())
        return "사용자 폴더를 준비할 수 없습니다.\n\n홈 폴더가 없습니다 (HOME).";
    const std::string folder = home + "/vesk";
    if (!MakeFolders(folder, 0700))
        return "사용자 폴더를 준비할 수 없습니다.\n\n" + folder + ": " + std::strerror(errno);

    // Checked and entered through one descriptor, so the folder checked is
    // the folder entered; a link in its place is refused, not followed.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const bool link = errno == ELOOP || errno == ENOTDIR;
        return Refusal(folder, link ? "폴더가 아니거나 링크입니다." : std::strerror(errno));
    }
    std::string fault = FolderFault(fd, true);
    if (fault.empty() && ::fchdir(fd) != 0)
        fault = std::strerror(errno);
    ::close(fd);
    if (!fault.empty())
        return Refusal(folder, fault);

    std::string failedPath;
    if (!FillWorkingFolder(*data, failedPath))
        return "사용자 폴더를 준비할 수 없습니다.\n\n" + failedPath + ": " + std::strerror(errno);
    return {};
}

std::string CheckWorkingFolder()
{
    const int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string fault = fd < 0 ? std::strerror(errno) : FolderFault(fd, false);
    if (fd >= 0)
        ::close(fd);
    if (fault.empty())
        return {};
    char cwd[4096];
    return Refusal(::getcwd(cwd, sizeof cwd) ? cwd : ".", fault);
}

std::string RepairWorldTimeTable(const std::string& programDir)
{
    const std::optional<std::string> data = InstalledDataFolder(programDir);
    const std::string table = kWorldTimeFileName;
    if (!data || !IsRegularFile(table) || HasRegions(table))
        return {};
    // A shared copy as damaged as the user's would be put in every start,
    // and the user's kept copy lost.
    const std::string shared = *data + "/" + table;
    std::string bytes;
    if (!HasRegions(shared) || !ReadFileBytes(shared, bytes, kMaxDataFile))
        return {};
    const std::string kept = table + "_";
    if (::rename(table.c_str(), kept.c_str()) != 0 || !ReplaceFile(table, bytes))
        return {};
    return table + "에서 지역을 하나도 읽을 수 없어 설치된 파일로 바꾸었습니다.\n\n"
           "읽을 수 없던 파일은 " + kept + "로 남겨 두었습니다.";
}
