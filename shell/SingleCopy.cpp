#include "shell/SingleCopy.h"

#include "base/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr std::string_view kShowRequest = "show\n";
constexpr std::string_view kShownAnswer = "ok\n";

sockaddr_un ShowSocketAddress()
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    static_assert(sizeof kShowSocketName <= sizeof addr.sun_path);
    std::memcpy(addr.sun_path, kShowSocketName, sizeof kShowSocketName);
    return addr;
}

using Deadline = std::chrono::steady_clock::time_point;

// What is left of the time until deadline, in ms for poll; 0 once past.
int MsLeft(Deadline deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::int64_t>(left.count(), 0));
}

// Reads from fd until want has come, the peer closes or the deadline
// passes; true when exactly want came.
bool ReceiveExactly(int fd, std::string_view want, Deadline deadline)
{
    char got[16];
    std::size_t have = 0;
    while (have < want.size()) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, MsLeft(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = ::recv(fd, got + have, sizeof got - have, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        have += static_cast<std::size_t>(n);
    }
    return std::string_view(got, have) == want;
}

bool Send(int fd, std::string_view what)
{
    // A peer that went away must not end this process with SIGPIPE.
    return ::send(fd, what.data(), what.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(what.size());
}

} // namespace

FolderLock::~FolderLock()
{
    // Closing releases the lock. The file stays: removing it would let a
    // copy that opened it just before lock a file no later copy sees.
    if (m_fd >= 0)
        ::close(m_fd);
}

FolderLock::Result FolderLock::Lock()
{
    if (m_fd < 0) {
        // Close-on-exec: a browser or helper started later must not keep
        // holding the lock after the program ended.
        m_fd = ::open(kLockFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
        if (m_fd < 0)
            return Result::Failed;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return Result::Locked;
    return errno == EWOULDBLOCK ? Result::Held : Result::Failed;
}

int ListenForShowRequests()
{
    ::unlink(kShowSocketName);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    const sockaddr_un addr = ShowSocketAddress();
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
        CloseKeepingErrno(fd);
        return -1;
    }
    return fd;
}

bool ServeShowRequest(int listenFd, const std::function<void()>& show, int waitMs)
{
    const int conn = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (conn < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    const bool asked = ReceiveExactly(conn, kShowRequest, deadline);
    if (asked) {
        show();
        Send(conn, kShownAnswer);
    }
    ::close(conn);
    return asked;
}

bool AskRunningCopyToShow(int timeoutMs)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    const sockaddr_un addr = ShowSocketAddress();
    // The running copy may hold the lock a moment before it listens, or
    // have a full queue: try again until the time is up.
    int fd = -1;
    for (;;) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return false;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0)
            break;
        const bool later = errno == ENOENT || errno == ECONNREFUSED || errno == EAGAIN;
        ::close(fd);
        if (!later || steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(50));
    }
    const bool shown = Send(fd, kShowRequest) && ReceiveExactly(fd, kShownAnswer, deadline);
    ::close(fd);
    return shown;
}
