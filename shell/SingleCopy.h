#pragma once
// One copy of the program per folder it runs in: two copies in one folder
// would each save their own schedule book over the other's. The lock is a
// file in the working folder locked with flock for the life of the
// process, so a copy that crashed leaves nothing to clear up and no
// environment variable decides where it is. A second start asks the
// running copy, over a socket beside the lock, to show its main window.
//
// Both files are named relative to the working folder, which the program
// has entered before: a socket's address holds 107 bytes of path, and the
// folder's own path may be longer.

#include <functional>

inline constexpr char kLockFileName[] = "Vesk3.lock";
inline constexpr char kShowSocketName[] = "Vesk3.socket";

class FolderLock
{
public:
    enum class Result { Locked, Held, Failed };

    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock of the working folder: Held when another process
    // holds it, Failed with errno set when the lock file cannot be opened.
    Result Lock();

private:
    int m_fd = -1;
};

// The listening socket for requests to show the main window, made fresh
// in the working folder (a socket file left by a copy that crashed goes).
// Only the holder of the FolderLock calls it. Non-blocking; -1 with errno
// set when it cannot be made.
int ListenForShowRequests();

// Takes one waiting connection from listenFd; when it asks to be shown,
// runs show and answers. Waits at most waitMs for the request, so a
// client that says nothing cannot hold the caller. True when show ran.
bool ServeShowRequest(int listenFd, const std::function<void()>& show, int waitMs = 500);

// Asks the copy running in the working folder to show its main window and
// waits at most timeoutMs (also while that copy is still starting) for its
// answer. True when it answered that it did.
bool AskRunningCopyToShow(int timeoutMs);
