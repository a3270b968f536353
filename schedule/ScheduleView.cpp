#include "schedule/ScheduleView.h"

#include "base/Cp949.h"
#include "base/DateText.h"
#include "base/FileIo.h"
#include "schedule/Schedule.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

constexpr const char* kPageHead =
    "<head><meta http-equiv=Content-Type content=\"text/html; charset=ks_c_5601-1987\"><body>";
constexpr const char* kGap = "<br><br><br>";

constexpr const char* kWeeklyLabels[7] = {
    "[매주-일요일][%2d시%2d분]", "[매주-월요일][%2d시%2d분]", "[매주-화요일][%2d시%2d분]",
    "[매주-수요일][%2d시%2d분]", "[매주-목요일][%2d시%2d분]", "[매주-금요일][%2d시%2d분]",
    "[매주-토요일][%2d시%2d분]",
};

std::string Format(const char* format, ...)
{
    char buffer[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// Sundays red, Saturdays blue.
std::string Coloured(const std::string& label, const std::tm& tm)
{
    if (tm.tm_wday == 0)
        return "<font color=red>" + label + "</font>";
    if (tm.tm_wday == 6)
        return "<font color=blue>" + label + "</font>";
    return label;
}

std::string RecurringLabel(std::int32_t kind, const std::tm& tm)
{
    switch (kind) {
    case RepeatDaily:
        return Format("[매일][%2d시%2d분]", tm.tm_hour, tm.tm_min);
    case RepeatWeekly:
        return Format(kWeeklyLabels[tm.tm_wday], tm.tm_hour, tm.tm_min);
    case RepeatMonthly:
        return Format("[매달-%2d일][%2d시%2d분]", tm.tm_mday, tm.tm_hour, tm.tm_min);
    default:
        return {};
    }
}

} // namespace

std::string ZeroFilled(std::string label)
{
    for (char& c : label)
        if (c == ' ')
            c = '0';
    return label;
}

std::string HtmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string HtmlLine(std::string_view label, std::string_view memo)
{
    std::string line(label);
    line += ' ';
    line += HtmlEscape(memo);
    line += "<br>";
    return line;
}

std::string ScheduleViewHtml(std::time_t now)
{
    const std::tm today = LocalTm(now);
    std::string todays, months, years, recurring;
    {
        std::lock_guard lock(g_csScheduleList);
        for (const auto& e : *g_pScheduleList) {
            const std::tm tm = LocalTm(e->m_tAlarm);
            if (tm.tm_year != today.tm_year)
                continue;
            if (e->m_nRepeat > 0 && e->m_bDone == 0) {
                const std::string label = RecurringLabel(e->m_nRepeat, tm);
                if (!label.empty())
                    recurring += HtmlLine(Coloured(ZeroFilled(label), tm), e->m_strMemo);
                continue;
            }
            if (tm.tm_mon == today.tm_mon && tm.tm_mday == today.tm_mday)
                todays += HtmlLine(ZeroFilled(Format("[%2d시%2d분]", tm.tm_hour, tm.tm_min)), e->m_strMemo);
            const std::string dated = ZeroFilled(Format("[%2d년%2d월%2d일][%2d시%2d분]", tm.tm_year + 1900,
                                                    tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min));
            const std::string line = HtmlLine(Coloured(dated, tm), e->m_strMemo);
            if (tm.tm_mon == today.tm_mon)
                months += line;
            years += line;
        }
    }

    const int year = today.tm_year + 1900;
    std::string page = kPageHead;
    page += "[ " + Format("%2d년 %2d월 %2d일", year, today.tm_mon + 1, today.tm_mday) + " 일정 ]<br>";
    page += todays;
    page += kGap;
    page += "[ " + Format("%2d년 %2d월", year, today.tm_mon + 1) + "  일정 ]<br><br>";
    page += months;
    page += kGap;
    page += "[ " + Format("%2d년", year) + "  일정 ]<br><br>";
    page += years;
    page += kGap;
    page += "[ " + Format("%2d년", year) + "  정기 일정 ]<br><br>";
    page += recurring;
    page += kGap;
    page += "</body>";
    return page;
}

std::optional<std::string> WriteScheduleView(const std::string& dir, std::time_t now)
{
    const std::string path = dir.empty() ? kScheduleViewFile : dir + "/" + kScheduleViewFile;
    if (!ReplaceFile(path, Utf8ToCp949(ScheduleViewHtml(now))))
        return std::nullopt;
    return path;
}
