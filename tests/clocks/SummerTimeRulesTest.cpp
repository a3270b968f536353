#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>

#include "clocks/SummerTimeRules.h"

using namespace std::chrono;

namespace {

constexpr unsigned kSun = 0, kThu = 4, kFri = 5;
constexpr int kLastWeek = -1;

// A rule as a person states it: the n-th (or last) given weekday of a month,
// or a fixed date when weekday is kFixed; onOrAfter counts weeks from that
// day instead of the 1st.
constexpr unsigned kFixed = 7;
struct RuleRow
{
    std::int32_t rule;
    unsigned month;
    unsigned weekday;  // kFixed: the date onOrAfter itself
    int week;          // 1 = first, kLastWeek = last; ignored for kFixed
    unsigned onOrAfter;
    int minutes;       // standard wall-clock minutes from 00:00, may be < 0
    const char* text;
};

// The instant a RuleRow names in year y, found by scanning the month day by
// day: independent of the arithmetic under test.
WallTime scanInstant(const RuleRow& r, int y)
{
    local_days found{};
    if (r.weekday == kFixed) {
        found = local_days{year{y} / month{r.month} / day{r.onOrAfter}};
    } else {
        int seen = 0;
        for (unsigned d = 1; d <= 31; ++d) {
            const year_month_day ymd{year{y}, month{r.month}, day{d}};
            if (!ymd.ok())
                break;
            const local_days ld{ymd};
            if (d < r.onOrAfter || weekday{ld}.c_encoding() != r.weekday)
                continue;
            ++seen;
            if (r.week == kLastWeek || seen == r.week)
                found = ld;
            if (seen == r.week)
                break;
        }
    }
    return found + minutes{r.minutes};
}

// The historic start rules 1-13 and end rules 1-10, then today's regimes.
const RuleRow kStartRows[] = {
    {1, 4, kSun, 1, 1, 120, "현지시간 기준 4월 첫째 일요일 오전 2시부터 "},
    {2, 3, kSun, kLastWeek, 1, 120, "현지시간 기준 3월 마지막 일요일 오전 2시부터 "},
    {3, 3, kSun, kLastWeek, 1, 60, "현지시간 기준 3월 마지막 일요일 오전 1시부터 "},
    {4, 3, kSun, kLastWeek, 1, 180, "현지시간 기준 3월 마지막 일요일 오전 3시부터 "},
    {5, 3, kSun, kLastWeek, 1, 0, "현지시간 기준 3월 마지막 일요일 오전 0시부터 "},
    {6, 10, kSun, 1, 2, 0, "현지시간 기준 10월 1일 후 첫번째 일요일부터 "},
    {7, 4, kSun, kLastWeek, 1, 120, "현지시간 기준 4월 마지막 일요일 오전 2시부터 "},
    {8, 10, kSun, 1, 10, 0, "현지시간 기준 10월 9일이 지난후 첫번째 일요일부터 "},
    {9, 4, kFixed, 0, 1, 0, "현지시간 기준 4월 1일 0시부터 "},
    {10, 3, kFixed, 0, 29, 0, "현지시간 기준 3월 29일 0시부터 "},
    {11, 5, kFixed, 0, 1, 0, "현지시간 기준 5월 1일 0시부터 "},
    {12, 10, kSun, kLastWeek, 1, 120, "현지시간 기준 10월 마지막 일요일 오전 2시부터 "},
    {13, 10, kSun, 1, 1, 0, "현지시간 기준 10월 첫번째 일요일부터 "},
    {14, 3, kSun, 2, 1, 120, "현지시간 기준 3월 둘째 일요일 오전 2시부터 "},
    {15, 3, kSun, 2, 1, 0, "현지시간 기준 3월 둘째 일요일 오전 0시부터 "},
    {16, 10, kSun, 1, 1, 120, "현지시간 기준 10월 첫째 일요일 오전 2시부터 "},
    {17, 9, kSun, kLastWeek, 1, 120, "현지시간 기준 9월 마지막 일요일 오전 2시부터 "},
    {18, 9, kSun, 1, 2, 0, "현지시간 기준 9월 2일 이후 첫째 일요일 오전 0시부터 "},
    {19, 3, kFri, 1, 23, 120, "현지시간 기준 3월 23일 이후 첫째 금요일 오전 2시부터 "},
    {20, 4, kFri, kLastWeek, 1, 0, "현지시간 기준 4월 마지막 금요일 오전 0시부터 "},
};
const RuleRow kEndRows[] = {
    {1, 10, kSun, kLastWeek, 1, 120, "10월 마지막 일요일 오전 2시까지 써머타임 적용기간 입니다."},
    {2, 10, kSun, kLastWeek, 1, 180, "10월 마지막 일요일 오전 3시까지 써머타임 적용기간 입니다."},
    {3, 10, kSun, kLastWeek, 1, 0, "10월 마지막 일요일 오전 0시까지 써머타임 적용기간 입니다."},
    {4, 10, kSun, kLastWeek, 1, 60, "10월 마지막 일요일 오전 1시까지 써머타임 적용기간 입니다."},
    {5, 2, kSun, 1, 12, 0, "2월 11일이 지난 후 첫번째 일요일까지 써머타임 적용기간 입니다."},
    {6, 3, kSun, 1, 10, 0, "3월 9일이 지난 후 첫번째 일요일까지 써머타임 적용기간 입니다."},
    {7, 10, kFixed, 0, 1, 0, "10월 1일 오전 0시까지 써머타임 적용기간 입니다."},
    {8, 9, kFixed, 0, 6, 0, "9월 6일 오전 0시까지 써머타임 적용기간 입니다."},
    {9, 3, kSun, kLastWeek, 1, 120, "3월 마지막 일요일 오전 2시까지 써머타임 적용기간 입니다."},
    {10, 3, kSun, 1, 16, 0, "3월 15일 후 첫째 일요일까지 써머타임 적용기간 입니다."},
    {11, 11, kSun, 1, 1, 60, "11월 첫째 일요일 오전 1시까지 써머타임 적용기간 입니다."},
    {12, 11, kSun, 1, 1, 0, "11월 첫째 일요일 오전 0시까지 써머타임 적용기간 입니다."},
    {13, 4, kSun, 1, 1, 120, "4월 첫째 일요일 오전 2시까지 써머타임 적용기간 입니다."},
    {14, 4, kSun, 1, 2, -60, "4월 2일 이후 첫째 일요일 전날 오후 11시까지 써머타임 적용기간 입니다."},
    {15, 10, kSun, kLastWeek, 1, -60, "10월 마지막 일요일 전날 오후 11시까지 써머타임 적용기간 입니다."},
    {16, 10, kThu, kLastWeek, 1, 1380, "10월 마지막 목요일 오후 11시까지 써머타임 적용기간 입니다."},
};

WallTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return MakeWallTime(y, mo, d, h, mi, s);
}

} // namespace

// Every rule's instant over three centuries, against a day-by-day scan of
// the month, and every rule's text.
TEST(SummerTimeRules, InstantsAndTextsOfEveryRule)
{
    ASSERT_EQ(std::size(kStartRows), static_cast<std::size_t>(kDstStartRuleCount));
    ASSERT_EQ(std::size(kEndRows), static_cast<std::size_t>(kDstEndRuleCount));
    for (const RuleRow& r : kStartRows) {
        EXPECT_EQ(DstStartRuleText(r.rule), r.text) << "start rule " << r.rule;
        for (int y = 1900; y <= 2200; ++y)
            ASSERT_EQ(DstStartInstant(r.rule, y), scanInstant(r, y)) << "start " << r.rule << " " << y;
    }
    for (const RuleRow& r : kEndRows) {
        EXPECT_EQ(DstEndRuleText(r.rule), r.text) << "end rule " << r.rule;
        for (int y = 1900; y <= 2200; ++y)
            ASSERT_EQ(DstEndInstant(r.rule, y), scanInstant(r, y)) << "end " << r.rule << " " << y;
    }
    // Numbers outside the tables: no instant, an empty text.
    for (std::int32_t rule : {0, -1, kDstStartRuleCount + 1, std::numeric_limits<std::int32_t>::min(),
                              std::numeric_limits<std::int32_t>::max()}) {
        EXPECT_FALSE(DstStartInstant(rule, 2026)) << rule;
        EXPECT_EQ(DstStartRuleText(rule), "") << rule;
    }
    for (std::int32_t rule : {0, -1, kDstEndRuleCount + 1}) {
        EXPECT_FALSE(DstEndInstant(rule, 2026)) << rule;
        EXPECT_EQ(DstEndRuleText(rule), "") << rule;
    }
}

// Both bounds belong to the period, in the north and across the turn of the year.
TEST(SummerTimeRules, BoundsAreInclusive)
{
    // Rule 2/1 in 2002: 31 March 02:00 to 27 October 02:00.
    EXPECT_FALSE(SummerTimeApplies(2, 1, at(2002, 3, 31, 1, 59, 59)));
    EXPECT_TRUE(SummerTimeApplies(2, 1, at(2002, 3, 31, 2, 0, 0)));
    EXPECT_TRUE(SummerTimeApplies(2, 1, at(2002, 7, 1)));
    EXPECT_TRUE(SummerTimeApplies(2, 1, at(2002, 10, 27, 2, 0, 0)));
    EXPECT_FALSE(SummerTimeApplies(2, 1, at(2002, 10, 27, 2, 0, 1)));
    EXPECT_FALSE(SummerTimeApplies(2, 1, at(2002, 1, 1)));
    EXPECT_FALSE(SummerTimeApplies(2, 1, at(2002, 12, 31, 23, 59, 59)));

    // Rule 8/6 in 2002, southern: until 10 March, again from 13 October.
    EXPECT_TRUE(SummerTimeApplies(8, 6, at(2002, 1, 1)));
    EXPECT_TRUE(SummerTimeApplies(8, 6, at(2002, 3, 10, 0, 0, 0)));
    EXPECT_FALSE(SummerTimeApplies(8, 6, at(2002, 3, 10, 0, 0, 1)));
    EXPECT_FALSE(SummerTimeApplies(8, 6, at(2002, 3, 11)));
    EXPECT_FALSE(SummerTimeApplies(8, 6, at(2002, 10, 12, 23, 59, 59)));
    EXPECT_TRUE(SummerTimeApplies(8, 6, at(2002, 10, 13, 0, 0, 0)));
    EXPECT_TRUE(SummerTimeApplies(8, 6, at(2002, 12, 31, 23, 59, 59)));

    // Today's southern rules across the turn of the year: New Zealand 17/13.
    EXPECT_TRUE(SummerTimeApplies(17, 13, at(2026, 4, 5, 2, 0, 0)));
    EXPECT_FALSE(SummerTimeApplies(17, 13, at(2026, 4, 5, 2, 0, 1)));
    EXPECT_FALSE(SummerTimeApplies(17, 13, at(2026, 9, 27, 1, 59, 59)));
    EXPECT_TRUE(SummerTimeApplies(17, 13, at(2026, 9, 27, 2, 0, 0)));
    EXPECT_TRUE(SummerTimeApplies(17, 13, at(2027, 1, 1, 0, 0, 0)));
    // Chile's end the evening before a Sunday: 4 April 2026 23:00.
    EXPECT_TRUE(SummerTimeApplies(18, 14, at(2026, 4, 4, 23, 0, 0)));
    EXPECT_FALSE(SummerTimeApplies(18, 14, at(2026, 4, 4, 23, 0, 1)));
}

// No summer time for a rule outside its table, unconfirmed (-1) included, or
// for a year the calendar arithmetic does not cover.
TEST(SummerTimeRules, UnknownRulesAndYearsNeverApply)
{
    const WallTime july = at(2026, 7, 1);
    const WallTime january = at(2026, 1, 15);
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    for (std::int32_t b : {0, -1, -2, kDstStartRuleCount + 1, 1000, kMin, kMax}) {
        EXPECT_FALSE(SummerTimeApplies(b, 1, july)) << b;     // 2/1 would apply
        EXPECT_FALSE(SummerTimeApplies(b, 6, january)) << b;  // 8/6 would apply
    }
    for (std::int32_t b : {0, -1, -2, kDstEndRuleCount + 1, 1000, kMin, kMax}) {
        EXPECT_FALSE(SummerTimeApplies(2, b, july)) << b;
        EXPECT_FALSE(SummerTimeApplies(8, b, january)) << b;
    }
    EXPECT_TRUE(SummerTimeApplies(8, 6, january));
    EXPECT_TRUE(SummerTimeApplies(2, 1, july));
    EXPECT_TRUE(SummerTimeApplies(2, 1, at(1, 7, 1)));
    EXPECT_TRUE(SummerTimeApplies(2, 1, at(9999, 7, 1)));
    EXPECT_FALSE(SummerTimeApplies(2, 1, at(0, 7, 1)));
    EXPECT_FALSE(SummerTimeApplies(2, 1, at(10000, 7, 1)));
    EXPECT_FALSE(SummerTimeApplies(2, 1, WallTime{seconds{std::numeric_limits<std::int64_t>::min() / 2}}));
    EXPECT_FALSE(SummerTimeApplies(2, 1, WallTime{seconds{std::numeric_limits<std::int64_t>::max() / 2}}));
}

// For every pair of rules and every year: the period contains both of its
// bounds and nothing just outside them, and its middle lies inside exactly
// when the start comes first in the year (else the middle is the winter
// between an end and the next start).
TEST(SummerTimeRules, EveryPairOfRulesFollowsItsOwnOrder)
{
    for (std::int32_t s = 1; s <= kDstStartRuleCount; ++s) {
        for (std::int32_t e = 1; e <= kDstEndRuleCount; ++e) {
            for (int y = 1990; y <= 2040; ++y) {
                const WallTime start = *DstStartInstant(s, y);
                const WallTime end = *DstEndInstant(e, y);
                if (start == end)
                    continue;
                const auto message = [&] {
                    return "rules " + std::to_string(s) + "/" + std::to_string(e) + " in "
                           + std::to_string(y);
                };
                ASSERT_TRUE(SummerTimeApplies(s, e, start)) << message();
                ASSERT_TRUE(SummerTimeApplies(s, e, end)) << message();
                ASSERT_FALSE(SummerTimeApplies(s, e, start - 1s)) << message();
                ASSERT_FALSE(SummerTimeApplies(s, e, end + 1s)) << message();
                const WallTime middle = start + (end - start) / 2;
                ASSERT_EQ(SummerTimeApplies(s, e, middle), start < end) << message();
            }
        }
    }
}
