#include "clocks/WallTime.h"

using namespace std::chrono;

WallTime MakeWallTime(int year, int month, int day, int hour, int minute, int second)
{
    // A day past the month's end counts on from day 1 of that month.
    const local_days first{std::chrono::year{year} / month / 1};
    return first + days{day - 1} + hours{hour} + minutes{minute} + seconds{second};
}

WallTime LocalWallTime(std::time_t t)
{
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return WallTime{seconds{t}};  // out of the C library's range: UTC
    return MakeWallTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                        tm.tm_sec);
}

WallTime KoreanWallTime(std::time_t t)
{
    return WallTime{seconds{t}} + hours{9};
}

std::tm WallTimeToTm(WallTime t)
{
    const local_days day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss hms{t - day};
    std::tm tm{};
    tm.tm_year = static_cast<int>(ymd.year()) - 1900;
    tm.tm_mon = static_cast<int>(static_cast<unsigned>(ymd.month())) - 1;
    tm.tm_mday = static_cast<int>(static_cast<unsigned>(ymd.day()));
    tm.tm_hour = static_cast<int>(hms.hours().count());
    tm.tm_min = static_cast<int>(hms.minutes().count());
    tm.tm_sec = static_cast<int>(hms.seconds().count());
    tm.tm_wday = static_cast<int>(weekday{day}.c_encoding());
    tm.tm_yday = static_cast<int>((day - local_days{ymd.year() / January / 1}).count());
    tm.tm_isdst = -1;
    return tm;
}
