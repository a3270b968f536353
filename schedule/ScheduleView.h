#pragma once
// The schedule as HTML: the lines "label memo<br>" that the alarm page and
// the year's page "모든일정.htm" are made of, and that page itself.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* kScheduleViewFile = "모든일정.htm";
inline constexpr const char* kViewNotWrittenText = "모든일정.htm 파일을 만들 수 없습니다.";

// text with &, <, >, " and ' written as character references, so a memo
// is shown as typed and can never open a tag of its own.
std::string HtmlEscape(std::string_view text);

// label with every space made "0": the labels print their numbers "%2d"
// and show them two digits wide ("[09시05분]").
std::string ZeroFilled(std::string label);

// "%s %s<br>": label (HTML already), a space, the memo escaped.
std::string HtmlLine(std::string_view label, std::string_view memo);

// The year's page as of now, in UTF-8: today's, this month's and this
// year's one-day and done entries, then the recurring ones, in list order,
// each section under its header; Sunday labels red and Saturday labels
// blue except in today's section. Reads g_pScheduleList under its lock.
std::string ScheduleViewHtml(std::time_t now);

// Writes the page in CP949 as dir's "모든일정.htm", replacing the old one;
// its path, or nothing when it could not be written.
std::optional<std::string> WriteScheduleView(const std::string& dir, std::time_t now);
