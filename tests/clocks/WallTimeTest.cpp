#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <random>

#include "clocks/WallTime.h"

#include "TzScope.h"

using namespace std::chrono;

// Wall-clock seconds read as UTC seconds give the C library's calendar: the
// breakdown must match gmtime_r over three centuries, weekday and day of the
// year included.
TEST(WallTime, BreakdownMatchesTheCLibrary)
{
    const std::int64_t first = sys_seconds{sys_days{1900y / 1 / 1}}.time_since_epoch().count();
    const std::int64_t last = sys_seconds{sys_days{2200y / 1 / 1}}.time_since_epoch().count();
    for (std::int64_t s = first; s < last; s += 7 * 3600 + 13 * 60 + 7) {
        const std::time_t t = static_cast<std::time_t>(s);
        std::tm want{};
        ASSERT_NE(gmtime_r(&t, &want), nullptr);
        const std::tm got = WallTimeToTm(WallTime{seconds{s}});
        ASSERT_TRUE(got.tm_year == want.tm_year && got.tm_mon == want.tm_mon
                    && got.tm_mday == want.tm_mday && got.tm_hour == want.tm_hour
                    && got.tm_min == want.tm_min && got.tm_sec == want.tm_sec
                    && got.tm_wday == want.tm_wday && got.tm_yday == want.tm_yday)
            << "at " << s;
        EXPECT_EQ(got.tm_isdst, -1);
    }
}

// Fields past their ranges carry like timegm's: day 29 of a short February,
// hour 25, minutes below zero.
TEST(WallTime, MakeCarriesLikeTimegm)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> year(1901, 2199), month(1, 12), day(1, 40),
        hour(-30, 50), minute(-100, 100), second(-100, 100);
    for (int i = 0; i < 100000; ++i) {
        std::tm tm{};
        tm.tm_year = year(rng) - 1900;
        tm.tm_mon = month(rng) - 1;
        tm.tm_mday = day(rng);
        tm.tm_hour = hour(rng);
        tm.tm_min = minute(rng);
        tm.tm_sec = second(rng);
        const WallTime made = MakeWallTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                                           tm.tm_hour, tm.tm_min, tm.tm_sec);
        ASSERT_EQ(made.time_since_epoch().count(), timegm(&tm));
    }
}

// The PC's local time follows TZ, including Korea's own summer time of 1988.
TEST(WallTime, LocalTimeFollowsTheZone)
{
    const auto utc = [](int y, int m, int d, int h) {
        return static_cast<std::time_t>(
            sys_seconds{sys_days{year{y} / m / d} + hours{h}}.time_since_epoch().count());
    };
    {
        TzScope tz("Asia/Seoul");
        EXPECT_EQ(LocalWallTime(0), MakeWallTime(1970, 1, 1, 9));
        EXPECT_EQ(LocalWallTime(utc(2026, 12, 31, 15)), MakeWallTime(2027, 1, 1, 0));
        EXPECT_EQ(LocalWallTime(utc(1988, 7, 1, 0)), MakeWallTime(1988, 7, 1, 10));
    }
    {
        TzScope tz("America/New_York");
        EXPECT_EQ(LocalWallTime(utc(2026, 7, 1, 12)), MakeWallTime(2026, 7, 1, 8));
        EXPECT_EQ(LocalWallTime(utc(2026, 1, 1, 12)), MakeWallTime(2026, 1, 1, 7));
    }
}

// Korean time is UTC+9 from the system clock in every zone, the 1988 summer
// time included: the world clocks reckon from it, whatever TZ says.
TEST(WallTime, KoreanTimeIgnoresTheZone)
{
    const std::time_t noonUtc = 1'783'080'000;   // 2026-07-03 12:00:00 UTC
    for (const char* zone : {"Asia/Seoul", "UTC", "America/New_York", "Australia/Lord_Howe"}) {
        TzScope tz(zone);
        EXPECT_EQ(KoreanWallTime(noonUtc), MakeWallTime(2026, 7, 3, 21)) << zone;
        EXPECT_EQ(KoreanWallTime(0), MakeWallTime(1970, 1, 1, 9)) << zone;
    }
}
