#pragma once

#include <ctime>

// The time_t of a local wall-clock time (the process's TZ; tests run in Seoul).
inline std::time_t Local(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}
