#include "clocks/SummerTimeRules.h"

#include <array>

using namespace std::chrono;

namespace {

constexpr std::int8_t kSunday = 0;
constexpr std::int8_t kThursday = 4;
constexpr std::int8_t kFriday = 5;
constexpr std::int8_t kFixedDate = -1;
constexpr std::uint8_t kLast = 0;  // day: the month's last such weekday

// One instant of a year: a date found from month, day and weekday, then a
// time of day in standard wall-clock minutes.
struct InstantRule
{
    std::uint8_t month;    // 1..12
    std::uint8_t day;      // the date, or the first day a weekday may fall on; kLast
    std::int8_t weekday;   // 0 = Sunday .. 6; kFixedDate: the date itself
    std::int16_t minutes;  // after 00:00 of the day found, -1440..2880; < 0 = the evening before
    std::string_view text;
};

// clang-format off
constexpr std::array<InstantRule, kDstStartRuleCount> kStartRules = {{
    {4,  1,     kSunday,    120, "현지시간 기준 4월 첫째 일요일 오전 2시부터 "},
    {3,  kLast, kSunday,    120, "현지시간 기준 3월 마지막 일요일 오전 2시부터 "},
    {3,  kLast, kSunday,     60, "현지시간 기준 3월 마지막 일요일 오전 1시부터 "},
    {3,  kLast, kSunday,    180, "현지시간 기준 3월 마지막 일요일 오전 3시부터 "},
    {3,  kLast, kSunday,      0, "현지시간 기준 3월 마지막 일요일 오전 0시부터 "},
    {10, 2,     kSunday,      0, "현지시간 기준 10월 1일 후 첫번째 일요일부터 "},
    {4,  kLast, kSunday,    120, "현지시간 기준 4월 마지막 일요일 오전 2시부터 "},
    {10, 10,    kSunday,      0, "현지시간 기준 10월 9일이 지난후 첫번째 일요일부터 "},
    {4,  1,     kFixedDate,   0, "현지시간 기준 4월 1일 0시부터 "},
    {3,  29,    kFixedDate,   0, "현지시간 기준 3월 29일 0시부터 "},
    {5,  1,     kFixedDate,   0, "현지시간 기준 5월 1일 0시부터 "},
    {10, kLast, kSunday,    120, "현지시간 기준 10월 마지막 일요일 오전 2시부터 "},
    {10, 1,     kSunday,      0, "현지시간 기준 10월 첫번째 일요일부터 "},
    // Today's regimes.
    {3,  8,     kSunday,    120, "현지시간 기준 3월 둘째 일요일 오전 2시부터 "},          // 14 US, Canada
    {3,  8,     kSunday,      0, "현지시간 기준 3월 둘째 일요일 오전 0시부터 "},          // 15 Cuba
    {10, 1,     kSunday,    120, "현지시간 기준 10월 첫째 일요일 오전 2시부터 "},         // 16 Australia
    {9,  kLast, kSunday,    120, "현지시간 기준 9월 마지막 일요일 오전 2시부터 "},        // 17 New Zealand
    {9,  2,     kSunday,      0, "현지시간 기준 9월 2일 이후 첫째 일요일 오전 0시부터 "}, // 18 Chile
    {3,  23,    kFriday,    120, "현지시간 기준 3월 23일 이후 첫째 금요일 오전 2시부터 "}, // 19 Israel
    {4,  kLast, kFriday,      0, "현지시간 기준 4월 마지막 금요일 오전 0시부터 "},        // 20 Egypt
}};

constexpr std::array<InstantRule, kDstEndRuleCount> kEndRules = {{
    {10, kLast, kSunday,    120, "10월 마지막 일요일 오전 2시까지 써머타임 적용기간 입니다."},
    {10, kLast, kSunday,    180, "10월 마지막 일요일 오전 3시까지 써머타임 적용기간 입니다."},
    {10, kLast, kSunday,      0, "10월 마지막 일요일 오전 0시까지 써머타임 적용기간 입니다."},
    {10, kLast, kSunday,     60, "10월 마지막 일요일 오전 1시까지 써머타임 적용기간 입니다."},
    {2,  12,    kSunday,      0, "2월 11일이 지난 후 첫번째 일요일까지 써머타임 적용기간 입니다."},
    {3,  10,    kSunday,      0, "3월 9일이 지난 후 첫번째 일요일까지 써머타임 적용기간 입니다."},
    {10, 1,     kFixedDate,   0, "10월 1일 오전 0시까지 써머타임 적용기간 입니다."},
    {9,  6,     kFixedDate,   0, "9월 6일 오전 0시까지 써머타임 적용기간 입니다."},
    {3,  kLast, kSunday,    120, "3월 마지막 일요일 오전 2시까지 써머타임 적용기간 입니다."},
    {3,  16,    kSunday,      0, "3월 15일 후 첫째 일요일까지 써머타임 적용기간 입니다."},
    // Today's regimes.
    {11, 1,     kSunday,     60, "11월 첫째 일요일 오전 1시까지 써머타임 적용기간 입니다."},          // 11 US, Canada
    {11, 1,     kSunday,      0, "11월 첫째 일요일 오전 0시까지 써머타임 적용기간 입니다."},          // 12 Cuba
    {4,  1,     kSunday,    120, "4월 첫째 일요일 오전 2시까지 써머타임 적용기간 입니다."},           // 13 Australia, NZ
    {4,  2,     kSunday,    -60, "4월 2일 이후 첫째 일요일 전날 오후 11시까지 써머타임 적용기간 입니다."}, // 14 Chile
    {10, kLast, kSunday,    -60, "10월 마지막 일요일 전날 오후 11시까지 써머타임 적용기간 입니다."},  // 15 Lebanon
    {10, kLast, kThursday, 1380, "10월 마지막 목요일 오후 11시까지 써머타임 적용기간 입니다."},       // 16 Egypt
}};
// clang-format on

WallTime instantIn(const InstantRule& r, int y)
{
    const auto ym = year{y} / month{r.month};
    local_days d;
    if (r.weekday == kFixedDate) {
        d = local_days{ym / day{r.day}};
    } else if (r.day == kLast) {
        d = local_days{ym / last};
        d -= weekday{d} - weekday{static_cast<unsigned>(r.weekday)};  // back 0..6 days
    } else {
        d = local_days{ym / day{r.day}};
        d += weekday{static_cast<unsigned>(r.weekday)} - weekday{d};  // on 0..6 days
    }
    return d + minutes{r.minutes};
}

template <std::size_t N>
const InstantRule* find(const std::array<InstantRule, N>& rules, std::int32_t rule)
{
    if (rule < 1 || rule > static_cast<std::int32_t>(N))
        return nullptr;
    return &rules[static_cast<std::size_t>(rule - 1)];
}

} // namespace

std::optional<WallTime> DstStartInstant(std::int32_t rule, int year)
{
    const InstantRule* r = find(kStartRules, rule);
    if (!r)
        return std::nullopt;
    return instantIn(*r, year);
}

std::optional<WallTime> DstEndInstant(std::int32_t rule, int year)
{
    const InstantRule* r = find(kEndRules, rule);
    if (!r)
        return std::nullopt;
    return instantIn(*r, year);
}

std::string_view DstStartRuleText(std::int32_t rule)
{
    const InstantRule* r = find(kStartRules, rule);
    return r ? r->text : std::string_view();
}

std::string_view DstEndRuleText(std::int32_t rule)
{
    const InstantRule* r = find(kEndRules, rule);
    return r ? r->text : std::string_view();
}

bool SummerTimeApplies(std::int32_t startRule, std::int32_t endRule, WallTime t)
{
    // Years 1..9999 keep every calendar step well inside std::chrono's range.
    constexpr WallTime kFirst{local_days{year{1} / January / 1}};
    constexpr WallTime kBeyond{local_days{year{10000} / January / 1}};
    if (t < kFirst || t >= kBeyond)
        return false;
    const int y = static_cast<int>(year_month_day{floor<days>(t)}.year());
    const std::optional<WallTime> start = DstStartInstant(startRule, y);
    const std::optional<WallTime> end = DstEndInstant(endRule, y);
    if (!start || !end)
        return false;
    if (*start > *end)  // southern summer: this year's end, then the next start
        return t <= *end || t >= *start;
    return *start <= t && t <= *end;
}
