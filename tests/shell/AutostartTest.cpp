// The autostart entry: its text as desktop entries quote it, and writing,
// reading and removing it in a temporary configuration folder.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "FileTestSupport.h"
#include "base/UserPaths.h"
#include "shell/Autostart.h"

namespace fs = std::filesystem;

namespace {

struct EntryRow
{
    const char* name;
    const char* program;
    const char* folder;
    const char* exec;   // the Exec and Path lines as written
    const char* path;
};

// Exec quotes an argument with a reserved character and puts a backslash
// before each quote, backtick, dollar and backslash inside; the string rule
// then doubles every backslash, and % is doubled since it starts a field
// code.
const EntryRow kEntryRows[] = {
    {"Plain", "/usr/lib/vesk/Vesk", "/home/u/.local/share/vesk", "Exec=/usr/lib/vesk/Vesk",
     "Path=/home/u/.local/share/vesk"},
    {"Blank", "/home/u/my apps/Vesk", "/home/u/my apps", "Exec=\"/home/u/my apps/Vesk\"",
     "Path=/home/u/my apps"},
    {"Percent", "/opt/100%/Vesk", "/opt/100%", "Exec=/opt/100%%/Vesk", "Path=/opt/100%"},
    {"Reserved", "/o/a\"b$c`d/Vesk", "/o", "Exec=\"/o/a\\\\\"b\\\\$c\\\\`d/Vesk\"", "Path=/o"},
    {"Backslash", "/o/a\\b/Vesk", "/o/a\\b", "Exec=\"/o/a\\\\\\\\b/Vesk\"", "Path=/o/a\\\\b"},
    {"Korean", "/home/사용자/Vesk", "/home/사용자", "Exec=/home/사용자/Vesk", "Path=/home/사용자"},
};

class AutostartTextTest : public ::testing::TestWithParam<EntryRow>
{
};

TEST_P(AutostartTextTest, QuotesTheProgramAndItsFolder)
{
    const EntryRow& row = GetParam();
    const auto text = AutostartEntryText(row.program, row.folder);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->starts_with("[Desktop Entry]\nType=Application\n"));
    EXPECT_NE(text->find(std::string("\n") + row.exec + "\n"), std::string::npos) << *text;
    EXPECT_NE(text->find(std::string("\n") + row.path + "\n"), std::string::npos) << *text;
}

INSTANTIATE_TEST_SUITE_P(Paths, AutostartTextTest, ::testing::ValuesIn(kEntryRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AutostartText, ControlCharactersCannotBeWritten)
{
    EXPECT_FALSE(AutostartEntryText("/a\nExec=/bin/evil", "/a"));
    EXPECT_FALSE(AutostartEntryText("/a/Vesk", "/a\r"));
    EXPECT_FALSE(AutostartEntryText("/a/Vesk\t", "/a"));
}

class AutostartTest : public ::testing::Test
{
protected:
    void TearDown() override { fs::current_path(m_cwd); }

    TempDir m_dir;
    EnvScope m_config{"XDG_CONFIG_HOME", (m_dir.path() / "config").string()};
    fs::path m_cwd = fs::current_path();
};

TEST_F(AutostartTest, OnWritesTheEntryOffRemovesIt)
{
    const fs::path entry = m_dir.path() / "config" / "autostart" / "org.vesk.Vesk.desktop";
    EXPECT_EQ(AutostartEntryPath(), entry.string());
    EXPECT_FALSE(AutostartEnabled());
    fs::create_directories(m_dir.path() / "run here");
    fs::current_path(m_dir.path() / "run here");

    ASSERT_TRUE(SetAutostart(true));
    EXPECT_TRUE(AutostartEnabled());
    EXPECT_EQ(ReadFile(entry),
              *AutostartEntryText(ProgramPath(), (m_dir.path() / "run here").string()));

    // Other tools switch an entry off without removing it.
    const std::string text = ReadFile(entry);
    WriteFile(entry, text + "Hidden=true\n");
    EXPECT_FALSE(AutostartEnabled());
    WriteFile(entry, text + "X-GNOME-Autostart-enabled=false\r\n");
    EXPECT_FALSE(AutostartEnabled());

    ASSERT_TRUE(SetAutostart(false));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(SetAutostart(false)) << "nothing to remove is no failure";
}

TEST_F(AutostartTest, AFolderThatCannotBeMadeFails)
{
    WriteFile(m_dir.path() / "config", "a file where the folder should be");
    errno = 0;
    EXPECT_FALSE(SetAutostart(true));
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_FALSE(AutostartEnabled());
}

}  // namespace
