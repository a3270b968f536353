#pragma once
// The time service as the user sees it: its home page, and the texts of the
// synchronisation information page. The servers themselves are in Compare.h.

#include <cstdint>
#include <string>

// The time service's home page, opened by the information page's button and
// named in the settings page's screen saver message.
inline constexpr const char* kTimeServiceHomePage = "https://www.ntppool.org/";

// The server that answered last (ServerID 0 none, 1 primary, 2 secondary,
// anything else none reachable); a server's text is two lines, "\n" apart.
std::string LastServerText(std::int32_t serverId);
// The offset of the last synchronisation in seconds, sign kept: "1.500 초".
std::string LastOffsetText(double lastDiff);
// When the last synchronisation happened (lastCon in s since 1970 UTC, 0 =
// never), in the process's local time with its weekday. LastCon's 32 bits
// are read as unsigned, so they last until 2106.
std::string LastSyncTimeText(std::uint32_t lastCon);
