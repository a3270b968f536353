#pragma once
// Weekday names and local time, shared by every window that shows a date.

#include <ctime>

// Weekday names, Sunday first (tm_wday 0..6).
inline constexpr const char* kWeekdayNames[7] = {"일", "월", "화", "수", "목", "금", "토"};

// The name of weekday wday (0 = Sunday .. 6), "" for any other value.
const char* WeekdayName(int wday);

// t broken down in the process's local time zone (TZ).
std::tm LocalTm(std::time_t t);
