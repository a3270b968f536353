#include "clocks/ClockText.h"

#include <cstdio>

std::string ClockTimeText(const std::tm& tm, bool h24)
{
    int hour = tm.tm_hour;
    if (!h24) {
        hour %= 12;
        if (hour == 0)
            hour = 12;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, tm.tm_min, tm.tm_sec);
    return text;
}

const char* AmPmText(const std::tm& tm)
{
    return tm.tm_hour < 12 ? "AM" : "PM";
}

std::string ClockDateText(const std::tm& tm)
{
    // long long: no tm_year or tm_mon can overflow the sums.
    char text[96];
    std::snprintf(text, sizeof text, "%04lld년 %02lld월 %02d일 %s요일", tm.tm_year + 1900LL,
                  tm.tm_mon + 1LL, tm.tm_mday, WeekdayName(tm.tm_wday));
    return text;
}
