#include "base/FileIo.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <string_view>

namespace {

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// What ReplaceFile puts after the name of its temporary file; the X's
// become six letters or digits. Distinct enough that a copy the user made
// by hand ("book.backup") is never taken for a leftover.
constexpr std::string_view kTempMark = ".tmp-";
constexpr std::string_view kTempPattern = "XXXXXX";

// The file that path names once symbolic links are followed; path itself
// when it is no link. A link to nowhere gives the path it names, where
// the file will be made.
bool FollowLinks(const std::string& path, std::string& file)
{
    file = path;
    for (int hops = 0; hops < 40; ++hops) {  // the kernel's own limit
        char target[PATH_MAX];
        const ssize_t n = ::readlink(file.c_str(), target, sizeof target);
        if (n < 0)
            return errno == EINVAL || errno == ENOENT;  // no link, or nothing there yet
        if (static_cast<std::size_t>(n) == sizeof target) {
            errno = ENAMETOOLONG;
            return false;
        }
        const std::string_view to(target, static_cast<std::size_t>(n));
        file = to.starts_with('/') ? std::string(to) : FolderOf(file) + "/" + std::string(to);
    }
    errno = ELOOP;
    return false;
}

// A rename reaches the disk only with its folder; failure here is not
// reported, since the new file is in place either way.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

void CloseKeepingErrno(int fd)
{
    const int err = errno;
    ::close(fd);
    errno = err;
}

bool ReadFileBytes(const std::string& path, std::string& out, std::size_t maxBytes)
{
    // Non-blocking, so a FIFO of that name cannot hang the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        CloseKeepingErrno(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        errno = EFBIG;
        return false;
    }
    // Read to the end rather than to the size fstat gave: the file may
    // change meanwhile.
    out.clear();
    out.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            CloseKeepingErrno(fd);
            return false;
        }
        if (n == 0)
            break;
        if (out.size() + static_cast<std::size_t>(n) > maxBytes) {
            ::close(fd);
            errno = EFBIG;
            return false;
        }
        out.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool ReplaceFile(const std::string& path, std::string_view bytes)
{
    std::string target;
    if (!FollowLinks(path, target))
        return false;
    std::string temp = target + std::string(kTempMark) + std::string(kTempPattern);
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat old{};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0) {
        SyncFolder(FolderOf(target));
        return true;
    }
    if (ok)
        err = errno;
    ::unlink(temp.c_str());
    errno = err;
    return false;
}

void RemoveReplaceLeftovers(const std::string& path)
{
    std::string target;
    if (!FollowLinks(path, target))
        return;
    const std::string folder = FolderOf(target);
    const std::string prefix = target.substr(target.rfind('/') + 1) + std::string(kTempMark);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const auto isTempChar = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    };
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + kTempPattern.size() || !name.starts_with(prefix))
            continue;
        const std::string_view suffix = name.substr(prefix.size());
        if (!std::all_of(suffix.begin(), suffix.end(), isTempChar))
            continue;
        // Only a plain file: never a folder, nor through a link.
        const std::string leftover = folder + "/" + std::string(name);
        struct stat st{};
        if (::lstat(leftover.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(leftover.c_str());
    }
    ::closedir(dir);
}

bool CreateNewFile(const std::string& path, std::string_view bytes, unsigned mode)
{
    // Written as a nameless file and linked in once on the disk, so a kill
    // midway leaves no half file under path.
    const std::string folder = FolderOf(path);
    if (const int fd = ::open(folder.c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, static_cast<mode_t>(mode));
        fd >= 0) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        // linkat refuses an existing path, as O_EXCL does.
        const bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0 &&
                        ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
        CloseKeepingErrno(fd);
        if (ok)
            SyncFolder(folder);
        // Without /proc the link cannot be made: written by name below.
        if (ok || errno != ENOENT)
            return ok;
    }
    // A file system without nameless files: path itself, removed on failure.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
    if (fd < 0)
        return false;
    const bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) == 0 && ok)
        return true;
    if (ok)
        err = errno;
    ::unlink(path.c_str());
    errno = err;
    return false;
}

bool MakeFolders(const std::string& path, unsigned mode)
{
    // A folder made meanwhile by someone else (EEXIST) will do.
    const auto isFolder = [&path] {
        struct stat st{};
        if (::stat(path.c_str(), &st) != 0)
            return false;
        if (!S_ISDIR(st.st_mode))
            errno = ENOTDIR;
        return S_ISDIR(st.st_mode);
    };
    if (isFolder())
        return true;
    if (errno != ENOENT)
        return false;
    const std::string parent = FolderOf(path);
    if (parent != "." && parent != "/" && parent != path && !MakeFolders(parent, mode))
        return false;
    if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
        return false;
    return isFolder();
}
