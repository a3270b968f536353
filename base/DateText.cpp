#include "base/DateText.h"

const char* WeekdayName(int wday)
{
    return wday >= 0 && wday < 7 ? kWeekdayNames[wday] : "";
}

std::tm LocalTm(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}
