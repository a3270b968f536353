// One copy per folder: the lock a second start finds held, and the request
// by which it brings the running copy forward.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "FileTestSupport.h"
#include "shell/SingleCopy.h"

namespace fs = std::filesystem;

namespace {

class SingleCopyTest : public ::testing::Test
{
protected:
    void SetUp() override { fs::current_path(m_dir.path()); }
    void TearDown() override { fs::current_path(m_cwd); }

    fs::path m_cwd = fs::current_path();
    TempDir m_dir;
};

TEST_F(SingleCopyTest, TheFolderIsLockedWhileTheFirstCopyLives)
{
    {
        FolderLock first;
        ASSERT_EQ(first.Lock(), FolderLock::Result::Locked);
        FolderLock second;   // another open file, as another process has
        EXPECT_EQ(second.Lock(), FolderLock::Result::Held);
        // Another folder is another copy's.
        fs::create_directory("other");
        fs::current_path("other");
        FolderLock elsewhere;
        EXPECT_EQ(elsewhere.Lock(), FolderLock::Result::Locked);
        fs::current_path("..");
    }
    // Gone with its holder, crashed or not: nothing stale is left to clear.
    FolderLock next;
    EXPECT_EQ(next.Lock(), FolderLock::Result::Locked);
}

// The running copy shows itself and answers; a client that says nothing
// holds it no longer than its wait; nobody listening is an answer too.
TEST_F(SingleCopyTest, ASecondStartAsksTheFirstToShowItself)
{
    EXPECT_FALSE(AskRunningCopyToShow(100));

    const int listening = ListenForShowRequests();
    ASSERT_GE(listening, 0);
    int shown = 0;
    auto asked = std::async(std::launch::async, [] { return AskRunningCopyToShow(3000); });
    while (asked.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        ServeShowRequest(listening, [&shown] { ++shown; });
    EXPECT_TRUE(asked.get());
    EXPECT_EQ(shown, 1);

    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::copy_n(kShowSocketName, sizeof kShowSocketName, addr.sun_path);
    ASSERT_EQ(::connect(silent, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(ServeShowRequest(listening, [&shown] { ++shown; }, 200));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    EXPECT_EQ(shown, 1);
    ::close(silent);

    // A copy that stops answering (stopped, or busy): the second start
    // gives up in its time.
    EXPECT_FALSE(AskRunningCopyToShow(300));
    ::close(listening);
}

}  // namespace
