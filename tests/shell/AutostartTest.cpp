// The autostart entry's text as desktop entries quote it.

#include <gtest/gtest.h>

#include "shell/Autostart.h"

namespace {

TEST(Autostart, ExecAndPathAreQuotedAsDesktopEntriesNeed)
{
    // An argument with a reserved character is quoted, with a backslash
    // before each quote, backtick, dollar and backslash inside; the string
    // rule then doubles every backslash, and % is doubled (a field code).
    const struct { const char *program, *folder, *exec, *path; } rows[] = {
        {"/usr/lib/vesk/Vesk", "/home/사용자", "Exec=/usr/lib/vesk/Vesk", "Path=/home/사용자"},
        {"/my apps/100%/Vesk", "/my apps", "Exec=\"/my apps/100%%/Vesk\"", "Path=/my apps"},
        {"/o/a\"b$c`d/Vesk", "/o", "Exec=\"/o/a\\\\\"b\\\\$c\\\\`d/Vesk\"", "Path=/o"},
        {"/o/a\\b/Vesk", "/o/a\\b", "Exec=\"/o/a\\\\\\\\b/Vesk\"", "Path=/o/a\\\\b"},
    };
    for (const auto& row : rows) {
        const auto text = AutostartEntryText(row.program, row.folder);
        ASSERT_TRUE(text) << row.program;
        EXPECT_NE(text->find(std::string("\n") + row.exec + "\n"), std::string::npos) << *text;
        EXPECT_NE(text->find(std::string("\n") + row.path + "\n"), std::string::npos) << *text;
    }
    // TryExec names the program itself, as a plain string, so a desktop
    // skips the entry once the package took the program away.
    EXPECT_NE(AutostartEntryText("/my apps/a\\b/Vesk", "/")->find("\nTryExec=/my apps/a\\\\b/Vesk\n"),
              std::string::npos);
    // A line break would end the value and start a line of the caller's.
    EXPECT_FALSE(AutostartEntryText("/a\nExec=/bin/evil", "/a"));
    EXPECT_FALSE(AutostartEntryText("/a/Vesk", "/a\r"));
}

}  // namespace
