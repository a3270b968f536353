// The installed program's folder for each user: made and filled at the
// first start, the user's own files kept at every later one; the build tree
// runs where it lies.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "FileTestSupport.h"
#include "clocks/WorldTime.h"
#include "shell/ProgramFolder.h"

namespace fs = std::filesystem;

namespace {

// The installed layout in a temporary folder, with the data home there too.
class ProgramFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_program);
        fs::create_directories(m_data / "more");   // a folder is no data file
        for (const char* name : {kWorldTimeFileName, "Vesk.hlp", "tick.wav"})
            WriteFile(m_data / name, name);
    }
    void TearDown() override { fs::current_path(m_cwd); }

    fs::path user() const { return m_dir.path() / "data" / "vesk"; }
    std::string start() const { return EnterUserFolder(m_program.string()); }

    TempDir m_dir;
    EnvScope m_dataHome{"XDG_DATA_HOME", (m_dir.path() / "data").string()};
    fs::path m_cwd = fs::current_path();
    fs::path m_program = m_dir.path() / "usr/lib/vesk";
    fs::path m_data = (m_program / kDataFromProgram).lexically_normal();
};

TEST_F(ProgramFolderTest, FirstStartFillsTheFolderAndLaterOnesKeepTheUsersFiles)
{
    EXPECT_EQ(m_data, m_dir.path() / "usr/share/vesk");
    ASSERT_EQ(start(), "");
    EXPECT_EQ(fs::current_path(), user());
    EXPECT_EQ(ReadFile(user() / "Vesk.hlp"), "Vesk.hlp");
    EXPECT_FALSE(fs::exists(user() / "more"));
    EXPECT_EQ(fs::status(user()).permissions() & fs::perms::all, fs::perms::owner_all);

    // The user's log, a table the user changed, a sound the user deleted.
    WriteFile(user() / "VeskLog.txt", "log");
    WriteFile(user() / kWorldTimeFileName, "mine");
    fs::remove(user() / "tick.wav");
    ASSERT_EQ(start(), "");
    EXPECT_EQ(ReadFile(user() / "VeskLog.txt"), "log");
    EXPECT_EQ(ReadFile(user() / kWorldTimeFileName), "mine");
    EXPECT_EQ(ReadFile(user() / "tick.wav"), "tick.wav");
}

TEST_F(ProgramFolderTest, TheBuildTreeRunsWhereItLies)
{
    WriteFile(m_program / kWorldTimeFileName, "beside");
    EXPECT_EQ(start(), "");
    EXPECT_EQ(fs::current_path(), m_cwd);
    EXPECT_FALSE(fs::exists(user()));
}

TEST_F(ProgramFolderTest, AFolderThatCannotBeMadeIsTold)
{
    WriteFile(m_dir.path() / "data", "a file where the data home should be");
    EXPECT_EQ(start(), "사용자 폴더를 준비할 수 없습니다.\n\n" + user().string() + ": "
                           + std::strerror(ENOTDIR));
    EXPECT_EQ(fs::current_path(), m_cwd);
}

// Whoever may write the folder could plant links the program writes
// through: a folder of someone else's, or a link in its place, is refused
// before anything is written; one of the user's own is made 0700.
TEST_F(ProgramFolderTest, OnlyTheUsersOwnFolderIsEntered)
{
    fs::create_directories(user());
    fs::permissions(user(), fs::perms::all);
    ASSERT_EQ(start(), "");
    EXPECT_EQ(fs::status(user()).permissions() & fs::perms::all, fs::perms::owner_all);
    fs::current_path(m_cwd);

    const fs::path elsewhere = m_dir.path() / "elsewhere";
    fs::create_directories(elsewhere);
    fs::rename(user(), m_dir.path() / "was");
    fs::create_directory_symlink(elsewhere, user());
    EXPECT_EQ(start(), "프로그램 폴더를 사용할 수 없습니다.\n\n" + user().string() + ": 폴더가 아니거나 링크입니다.");
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_EQ(fs::current_path(), m_cwd);
    fs::remove(user());

    if (::geteuid() != 0)
        GTEST_SKIP() << "a folder of another user needs root to make";
    // Another user's folder that anyone may write, the log a link to a
    // file of the user's.
    const fs::path mine = m_dir.path() / "bashrc";
    WriteFile(mine, "mine");
    fs::create_directories(user());
    fs::create_symlink(mine, user() / "VeskLog.txt");
    ASSERT_EQ(::chown(user().c_str(), 65534, 65534), 0);
    fs::permissions(user(), fs::perms::all);
    EXPECT_EQ(start(), "프로그램 폴더를 사용할 수 없습니다.\n\n" + user().string() + ": 다른 사용자의 폴더입니다.");
    EXPECT_EQ(ReadFile(mine), "mine");
    EXPECT_FALSE(fs::exists(user() / kWorldTimeFileName));
    EXPECT_EQ(fs::status(user()).permissions() & fs::perms::all, fs::perms::all);
    EXPECT_EQ(fs::current_path(), m_cwd);
}

TEST_F(ProgramFolderTest, TheWorkingFolderMustBeTheUsersOwn)
{
    fs::current_path(m_program);
    fs::permissions(m_program, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_exec);
    EXPECT_EQ(CheckWorkingFolder(), "");
    fs::permissions(m_program, fs::perms::group_write, fs::perm_options::add);
    EXPECT_EQ(CheckWorkingFolder(), "프로그램 폴더를 사용할 수 없습니다.\n\n" + m_program.string()
                                        + ": 다른 사용자도 쓸 수 있는 폴더입니다.");
    EXPECT_EQ(fs::status(m_program).permissions() & fs::perms::group_write, fs::perms::group_write);
}

// A table that yields no region is put aside and the installed one put in,
// once; a shared table as bad as the user's replaces nothing.
TEST_F(ProgramFolderTest, ATableWithoutRegionsIsReplacedOnce)
{
    const std::string good = "유럽 1\nLondon -540 2 1\na 0\nb 0\nc 0\nd 0\ne 0\nf 0\ng 0\n";
    ASSERT_EQ(start(), "");
    WriteFile(user() / kWorldTimeFileName, "\x01\x02 broken");
    EXPECT_EQ(RepairWorldTimeTable(m_program.string()), "");   // the shared one is as bad
    EXPECT_EQ(ReadFile(user() / kWorldTimeFileName), "\x01\x02 broken");

    WriteFile(m_data / kWorldTimeFileName, good);
    const std::string notice = RepairWorldTimeTable(m_program.string());
    EXPECT_NE(notice.find("세계시간표.txt_"), std::string::npos) << notice;
    EXPECT_EQ(ReadFile(user() / kWorldTimeFileName), good);
    EXPECT_EQ(ReadFile(user() / (std::string(kWorldTimeFileName) + "_")), "\x01\x02 broken");
    EXPECT_EQ(RepairWorldTimeTable(m_program.string()), "");
    EXPECT_EQ(ReadFile(user() / (std::string(kWorldTimeFileName) + "_")), "\x01\x02 broken");
}

}  // namespace
