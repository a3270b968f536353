#pragma once
// The texts of a clock face: time of day, AM/PM marker and date line, from a
// broken-down local time (localtime_r, or WallTimeToTm for another region).

#include <ctime>
#include <string>

#include "base/DateText.h"

// The time of day as "HH:MM:SS": hours 00..23 when h24, else 01..12
// ("%I:%M:%S", so 00:30 reads 12:30:00).
std::string ClockTimeText(const std::tm& tm, bool h24);

// "AM" when the hour (0..23) is below 12, else "PM".
const char* AmPmText(const std::tm& tm);

// The date line "YYYY년 MM월 DD일 W요일" (month 1..12, weekday name from tm_wday).
std::string ClockDateText(const std::tm& tm);
