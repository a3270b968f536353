// The screen saver entry in system.ini, the companion file check and the
// apply-settings step, with the desktop switch replaced.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "FileTestSupport.h"
#include "shell/ScreenSaver.h"

namespace fs = std::filesystem;

namespace {

struct IniRow
{
    const char* name;
    const char* before;
    const char* value;
    const char* after;
};

const IniRow kIniRows[] = {
    {"EmptyFile", "", "/opt/v/Vesk3SCR.scr", "[boot]\nSCRNSAVE.EXE=/opt/v/Vesk3SCR.scr\n"},
    {"ReplacesTheValueKeepingEverythingElse",
     "; system settings\n[boot]\nshell=x\nSCRNSAVE.EXE=old\nmouse=y\n\n[other]\nSCRNSAVE.EXE=keep\n",
     "new",
     "; system settings\n[boot]\nshell=x\nSCRNSAVE.EXE=new\nmouse=y\n\n[other]\nSCRNSAVE.EXE=keep\n"},
    {"NamesMatchWithoutCase", "[Boot]\n  scrnsave.exe = old \nx=1\n", "",
     "[Boot]\nSCRNSAVE.EXE=\nx=1\n"},
    {"KeepsWindowsLineEnds", "[boot]\r\nSCRNSAVE.EXE=old\r\n[x]\r\na=b\r\n", "new",
     "[boot]\r\nSCRNSAVE.EXE=new\r\n[x]\r\na=b\r\n"},
    {"AddsTheKeyAfterTheSectionsLastLine", "[boot]\nshell=x\n\n\n[other]\na=b\n", "v",
     "[boot]\nshell=x\nSCRNSAVE.EXE=v\n\n\n[other]\na=b\n"},
    {"AddsTheKeyToAnEmptySection", "[other]\na=b\n[boot]\n", "v",
     "[other]\na=b\n[boot]\nSCRNSAVE.EXE=v\n"},
    {"AddsTheKeyWhenTheFileLacksItsLastLineEnd", "[boot]\nshell=x", "v",
     "[boot]\nshell=x\nSCRNSAVE.EXE=v"},
    {"AddsTheSectionAfterOthers", "[other]\nSCRNSAVE.EXE=keep", "v",
     "[other]\nSCRNSAVE.EXE=keep\n[boot]\nSCRNSAVE.EXE=v\n"},
    {"CommentedKeyIsNotTheKey", "[boot]\n;SCRNSAVE.EXE=old\n", "v",
     "[boot]\n;SCRNSAVE.EXE=old\nSCRNSAVE.EXE=v\n"},
    {"OnlyTheFirstSectionOfThatName", "[boot]\na=1\n[boot]\nSCRNSAVE.EXE=old\n", "v",
     "[boot]\na=1\nSCRNSAVE.EXE=v\n[boot]\nSCRNSAVE.EXE=old\n"},
    {"KeyIsNotAPrefixMatch", "[boot]\nSCRNSAVE.EXE.bak=1\n", "v",
     "[boot]\nSCRNSAVE.EXE.bak=1\nSCRNSAVE.EXE=v\n"},
};

class SetIniValueTest : public ::testing::TestWithParam<IniRow>
{
};

TEST_P(SetIniValueTest, ChangesOnlyTheEntry)
{
    const IniRow& row = GetParam();
    EXPECT_EQ(SetIniValue(row.before, "boot", "SCRNSAVE.EXE", row.value), row.after);
}

INSTANTIATE_TEST_SUITE_P(Texts, SetIniValueTest, ::testing::ValuesIn(kIniRows),
                         [](const auto& info) { return std::string(info.param.name); });

class IniFileTest : public ::testing::Test
{
protected:
    TempDir m_dir;
};

TEST_F(IniFileTest, CreatesTheFileAndItsFolder)
{
    const fs::path ini = m_dir.path() / "a b" / "c" / "system.ini";
    ASSERT_TRUE(WriteIniValue(ini.string(), "boot", "SCRNSAVE.EXE", "/x/Vesk3SCR.scr"));
    EXPECT_EQ(ReadFile(ini), "[boot]\nSCRNSAVE.EXE=/x/Vesk3SCR.scr\n");
}

TEST_F(IniFileTest, KeepsTheRestOfAnExistingFileAndItsPermissions)
{
    const fs::path ini = m_dir.path() / "system.ini";
    WriteFile(ini, "[386Enh]\nwoafont=dosapp.fon\n[boot]\nSCRNSAVE.EXE=/old\n");
    ASSERT_EQ(::chmod(ini.c_str(), 0640), 0);
    ASSERT_TRUE(WriteIniValue(ini.string(), "boot", "SCRNSAVE.EXE", ""));
    EXPECT_EQ(ReadFile(ini), "[386Enh]\nwoafont=dosapp.fon\n[boot]\nSCRNSAVE.EXE=\n");
    struct stat st{};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // No temporary file left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator{}), 1);
}

TEST_F(IniFileTest, WritesThroughASymbolicLink)
{
    const fs::path real = m_dir.path() / "real.ini";
    const fs::path link = m_dir.path() / "system.ini";
    WriteFile(real, "[x]\na=b\n");
    fs::create_symlink(real, link);
    ASSERT_TRUE(WriteIniValue(link.string(), "boot", "SCRNSAVE.EXE", "v"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "[x]\na=b\n[boot]\nSCRNSAVE.EXE=v\n");
}

TEST_F(IniFileTest, ValueWithALineBreakIsRefusedAndTheFileKept)
{
    const fs::path ini = m_dir.path() / "system.ini";
    WriteFile(ini, "[boot]\nSCRNSAVE.EXE=/old\n");
    errno = 0;
    EXPECT_FALSE(WriteIniValue(ini.string(), "boot", "SCRNSAVE.EXE", "/a\n[boot]\nx=1"));
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(ReadFile(ini), "[boot]\nSCRNSAVE.EXE=/old\n");
}

TEST_F(IniFileTest, UnreadableFileIsNotOverwritten)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const fs::path ini = m_dir.path() / "system.ini";
    WriteFile(ini, "[boot]\nSCRNSAVE.EXE=/old\nprecious=1\n");
    ASSERT_EQ(::chmod(ini.c_str(), 0200), 0);
    EXPECT_FALSE(WriteIniValue(ini.string(), "boot", "SCRNSAVE.EXE", "v"));
    ASSERT_EQ(::chmod(ini.c_str(), 0600), 0);
    EXPECT_EQ(ReadFile(ini), "[boot]\nSCRNSAVE.EXE=/old\nprecious=1\n");
}

// Runs with XDG_CONFIG_HOME and the working directory in a temporary folder
// and the desktop switch replaced by a recorder.
class ApplyScreenSaverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            m_oldConfig = old;
        ::setenv("XDG_CONFIG_HOME", (m_dir.path() / "config").c_str(), 1);
        m_oldCwd = fs::current_path();
        fs::create_directory(m_dir.path() / "app");
        fs::current_path(m_dir.path() / "app");
        m_previous = SetScreenSaverSwitch([this](bool on) {
            m_switched.push_back(on);
            return true;
        });
    }
    void TearDown() override
    {
        SetScreenSaverSwitch(m_previous);
        fs::current_path(m_oldCwd);
        if (m_oldConfig)
            ::setenv("XDG_CONFIG_HOME", m_oldConfig->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }

    fs::path ini() const { return m_dir.path() / "config" / "Vesk Client V3.3" / "system.ini"; }

    TempDir m_dir;
    std::optional<std::string> m_oldConfig;
    fs::path m_oldCwd;
    ScreenSaverSwitch m_previous;
    std::vector<bool> m_switched;
};

TEST_F(ApplyScreenSaverTest, WritesThePathOrNothingAndSwitchesTheSaver)
{
    EXPECT_EQ(SystemIniPath(), ini().string());
    const std::string saver = (fs::current_path() / "Vesk3SCR.scr").string();
    EXPECT_EQ(ScreenSaverPath(), saver);
    fs::create_directories(ini().parent_path());
    WriteFile(m_dir.path() / "config" / "other.conf", "x");  // the folder's neighbours stay
    WriteFile(ini(), "[drivers]\nwave=x\n");

    // The file need not exist: apply settings names it all the same.
    ASSERT_TRUE(ApplyScreenSaverSetting(true));
    EXPECT_EQ(ReadFile(ini()), "[drivers]\nwave=x\n[boot]\nSCRNSAVE.EXE=" + saver + "\n");
    ASSERT_TRUE(ApplyScreenSaverSetting(false));
    EXPECT_EQ(ReadFile(ini()), "[drivers]\nwave=x\n[boot]\nSCRNSAVE.EXE=\n");
    EXPECT_EQ(m_switched, (std::vector<bool>{true, false}));
    EXPECT_EQ(ReadFile(m_dir.path() / "config" / "other.conf"), "x");
}

TEST_F(ApplyScreenSaverTest, SwitchIsTriedEvenWhenTheFileCannotBeWritten)
{
    // A file where the folder should be.
    WriteFile(m_dir.path() / "config", "not a folder");
    EXPECT_FALSE(ApplyScreenSaverSetting(true));
    EXPECT_EQ(m_switched, std::vector<bool>{true});
}

}  // namespace
