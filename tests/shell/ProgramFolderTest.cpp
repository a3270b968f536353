// The installed program's folder for each user: made and filled at the
// first start, the user's own files kept at every later one; the build tree
// runs where it lies.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

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

}  // namespace
