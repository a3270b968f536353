#include "LocalTime.h"
#include "clocks/ClockText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iomanip>
#include <sstream>
#include <string>

namespace {

// The time_t of a local wall-clock time in the test's zone (Asia/Seoul).
TEST(ClockText, TimeOfDayInBothModes)
{
    const struct
    {
        int hour, minute, second;
        bool h24;
        const char* text;
        const char* marker;
    } rows[] = {
        {0, 30, 0, false, "12:30:00", "AM"},
        {12, 0, 0, false, "12:00:00", "PM"},
        {0, 0, 0, false, "12:00:00", "AM"},
        {11, 59, 59, false, "11:59:59", "AM"},
        {13, 5, 9, false, "01:05:09", "PM"},
        {23, 59, 59, false, "11:59:59", "PM"},
        {0, 30, 0, true, "00:30:00", "AM"},
        {12, 0, 0, true, "12:00:00", "PM"},
        {9, 5, 3, true, "09:05:03", "AM"},
        {23, 59, 59, true, "23:59:59", "PM"},
    };
    for (const auto& row : rows) {
        const std::tm tm = LocalTm(Local(2003, 3, 5, row.hour, row.minute, row.second));
        EXPECT_EQ(ClockTimeText(tm, row.h24), row.text) << row.hour << ":" << row.minute;
        EXPECT_STREQ(AmPmText(tm), row.marker) << row.hour;
    }
}

TEST(ClockText, DateLines)
{
    const struct
    {
        std::time_t t;
        const char* text;
    } rows[] = {
        {Local(2003, 3, 5, 9), "2003년 03월 05일 수요일"},
        {0, "1970년 01월 01일 목요일"},  // 09:00 in Seoul
        {Local(2000, 2, 29, 23, 59, 59), "2000년 02월 29일 화요일"},
        {Local(2038, 1, 19, 12, 14, 8), "2038년 01월 19일 화요일"},  // past 32-bit seconds
        {Local(2024, 12, 31, 23, 59, 59), "2024년 12월 31일 화요일"},
        {Local(2025, 1, 5), "2025년 01월 05일 일요일"},
        {Local(2025, 1, 11), "2025년 01월 11일 토요일"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ClockDateText(LocalTm(row.t)), row.text);
}

// Every day from 1950 to 2100 at local noon, against the calendar of
// std::chrono: the date fields and the weekday name.
TEST(ClockText, DateLineMatchesTheCalendarEveryDay)
{
    using namespace std::chrono;
    int checked = 0;
    for (sys_days d = sys_days{year{1950} / January / 1}; d <= sys_days{year{2100} / December / 31};
         d += days{1}) {
        const year_month_day ymd{d};
        const int y = int(ymd.year());
        const int m = int(unsigned(ymd.month()));
        const int dd = int(unsigned(ymd.day()));
        std::ostringstream expected;
        expected << std::setfill('0') << std::setw(4) << y << "년 " << std::setw(2) << m << "월 "
                 << std::setw(2) << dd << "일 " << kWeekdayNames[weekday{d}.c_encoding()] << "요일";
        const std::string text = ClockDateText(LocalTm(Local(y, m, dd, 12)));
        ASSERT_EQ(text, expected.str());
        ++checked;
    }
    EXPECT_EQ(checked, 55152);
}

TEST(ClockText, WeekdayNamesOnlyForValidDays)
{
    const struct
    {
        int wday;
        const char* name;
    } rows[] = {{0, "일"}, {3, "수"}, {6, "토"}, {-1, ""}, {7, ""}, {1000, ""}};
    for (const auto& row : rows)
        EXPECT_STREQ(WeekdayName(row.wday), row.name) << row.wday;
}

// A broken-down time from elsewhere (a region's wall clock) may hold any
// values; the texts stay bounded.
TEST(ClockText, OddFieldsStayBounded)
{
    std::tm tm{};
    tm.tm_year = 2147483647;
    tm.tm_mon = 2147483647;
    tm.tm_mday = -2147483647 - 1;
    tm.tm_wday = 9;
    EXPECT_EQ(ClockDateText(tm), "2147485547년 2147483648월 -2147483648일 요일");
}

} // namespace
