// The installed program's folder for each user: made and filled at the
// first start, the user's own files kept at every later one; the build tree
// runs where it lies.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "FileTestSupport.h"
#include "clocks/WorldTime.h"
#include "shell/ProgramFolder.h"

namespace fs = std::filesystem;

namespace {

class ProgramFolderTest : public ::testing::Test
{
protected:
    // The installed layout: the program's folder and the shared data
    // folder where the program looks for it.
    void SetUp() override
    {
        fs::create_directories(m_program);
        fs::create_directories(m_data / "more");   // a folder is no data file
        WriteFile(m_data / kWorldTimeFileName, "table");
        WriteFile(m_data / "Vesk.hlp", "help");
        WriteFile(m_data / "tick.wav", "tick");
    }
    void TearDown() override { fs::current_path(m_cwd); }

    fs::path user() const { return m_dir.path() / "data" / "vesk"; }
    std::string start() const { return EnterUserFolder(m_program.string()); }

    TempDir m_dir;
    EnvScope m_dataHome{"XDG_DATA_HOME", (m_dir.path() / "data").string()};
    fs::path m_cwd = fs::current_path();
    fs::path m_program = m_dir.path() / "usr" / "lib" / "vesk";
    fs::path m_data = (m_program / kDataFromProgram).lexically_normal();
};

TEST_F(ProgramFolderTest, FirstStartFillsTheFolderAndLaterOnesKeepTheUsersFiles)
{
    EXPECT_EQ(m_data, m_dir.path() / "usr" / "share" / "vesk");
    ASSERT_EQ(start(), "");
    EXPECT_EQ(fs::current_path(), user());
    EXPECT_EQ(ReadFile(user() / kWorldTimeFileName), "table");
    EXPECT_EQ(ReadFile(user() / "Vesk.hlp"), "help");
    EXPECT_EQ(ReadFile(user() / "tick.wav"), "tick");
    EXPECT_FALSE(fs::exists(user() / "more"));
    EXPECT_EQ(fs::status(user()).permissions() & fs::perms::all, fs::perms::owner_all);

    // The user's schedule and log, a table the user changed, a sound the
    // user deleted.
    WriteFile(user() / "forward_v3_3.sch", "book");
    WriteFile(user() / "VeskLog.txt", "log");
    WriteFile(user() / kWorldTimeFileName, "my table");
    fs::remove(user() / "tick.wav");
    fs::current_path(m_cwd);

    ASSERT_EQ(start(), "");
    EXPECT_EQ(fs::current_path(), user());
    EXPECT_EQ(ReadFile(user() / "forward_v3_3.sch"), "book");
    EXPECT_EQ(ReadFile(user() / "VeskLog.txt"), "log");
    EXPECT_EQ(ReadFile(user() / kWorldTimeFileName), "my table");
    EXPECT_EQ(ReadFile(user() / "tick.wav"), "tick");
}

TEST_F(ProgramFolderTest, TheBuildTreeRunsWhereItIs)
{
    // The table beside the program: its own folder is its installation.
    WriteFile(m_program / kWorldTimeFileName, "beside");
    EXPECT_EQ(InstalledDataFolder(m_program.string()), std::nullopt);
    EXPECT_EQ(start(), "");
    EXPECT_EQ(fs::current_path(), m_cwd);
    EXPECT_FALSE(fs::exists(user()));

    // No table anywhere: start-up's own check of the working folder tells.
    fs::remove(m_program / kWorldTimeFileName);
    fs::remove(m_data / kWorldTimeFileName);
    EXPECT_EQ(InstalledDataFolder(m_program.string()), std::nullopt);
    EXPECT_EQ(InstalledDataFolder(""), std::nullopt);
    EXPECT_EQ(start(), "");
    EXPECT_FALSE(fs::exists(user()));
}

TEST_F(ProgramFolderTest, AFolderThatCannotBeMadeIsToldAndTheProgramStaysPut)
{
    WriteFile(m_dir.path() / "data", "a file where the data home should be");
    EXPECT_EQ(start(), "사용자 폴더를 준비할 수 없습니다.\n\n" + user().string() + ": "
                           + std::strerror(ENOTDIR));
    EXPECT_EQ(fs::current_path(), m_cwd);

    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into every folder";
    fs::remove(m_dir.path() / "data");
    fs::create_directories(user());
    fs::permissions(user(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(start(), "사용자 폴더를 준비할 수 없습니다.\n\n" + user().string() + ": "
                           + std::strerror(EACCES));
    EXPECT_EQ(fs::current_path(), m_cwd);
}

TEST_F(ProgramFolderTest, DataHomeIsTheHomeFoldersUnlessGivenAbsolute)
{
    EnvScope home("HOME", (m_dir.path() / "home").string());
    {
        EnvScope relative("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(UserProgramFolder(), (m_dir.path() / "home/.local/share/vesk").string());
    }
    EnvScope unset("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(UserProgramFolder(), (m_dir.path() / "home/.local/share/vesk").string());
}

}  // namespace
