#pragma once
// Wall-clock date-times without a time zone: what a clock face shows. Every
// region's time is derived from Korean time by adding minutes, so no time
// zone ever enters the arithmetic; Korean time itself comes from the system
// clock, whatever time zone the PC is set to.

#include <chrono>
#include <ctime>

// Whole seconds since 1970-01-01 00:00:00 of some wall clock, on the
// proleptic Gregorian calendar.
using WallTime = std::chrono::local_seconds;

// The wall-clock time year-month-day hour:minute:second; month is 1..12, a
// day past the month's end carries into the next month, and hour, minute and
// second may be of any size or sign.
WallTime MakeWallTime(int year, int month, int day, int hour = 0, int minute = 0,
                      int second = 0);

// The process's local wall-clock time (time zone TZ) at the POSIX time t.
WallTime LocalWallTime(std::time_t t);
// Korean standard time (UTC+9, no summer time) at the POSIX time t.
WallTime KoreanWallTime(std::time_t t);


// t broken down for strftime: date, time of day, weekday (0 = Sunday) and day
// of the year filled in, tm_isdst -1 (unknown).
std::tm WallTimeToTm(WallTime t);
