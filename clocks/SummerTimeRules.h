#pragma once
// The built-in summer-time rules a world time table row names by number.
// Start rules 1-13 and end rules 1-10 are the historic set, kept with their
// meaning because stored tables use them; the numbers after them describe
// regimes that set did not know: North America and Cuba since 2007,
// Australia and New Zealand since 2007-08, Chile since 2023, Israel, Egypt
// and Lebanon.
//
// Every instant, and every text, is in the region's standard wall-clock time:
// summer time that ends at 02:00 summer time ends at the rule's 01:00. Read
// that way the historic rules still describe Europe exactly: 3/4 at UTC+0,
// 2/1 at UTC+1 (and Moldova), 4/2 at UTC+2, 5/3 at UTC-1.

#include <cstdint>
#include <optional>
#include <string_view>

#include "clocks/WallTime.h"

constexpr std::int32_t kDstStartRuleCount = 20;  // start rules 1..20
constexpr std::int32_t kDstEndRuleCount = 16;    // end rules 1..16

// Start of summer time by start rule `rule` in `year` (region standard time),
// or nothing for a rule number outside 1..kDstStartRuleCount.
std::optional<WallTime> DstStartInstant(std::int32_t rule, int year);
// End of summer time by end rule `rule` in `year` (region standard time), or
// nothing for a rule number outside 1..kDstEndRuleCount.
std::optional<WallTime> DstEndInstant(std::int32_t rule, int year);

// The description of start rule `rule`, ending in one blank; empty for a
// number outside the table.
std::string_view DstStartRuleText(std::int32_t rule);
// The description of end rule `rule`; empty for a number outside the table.
std::string_view DstEndRuleText(std::int32_t rule);

// True when the region standard time t lies in the summer-time period that
// startRule and endRule give in t's calendar year, both bounds included. A
// start later in the year than the end is a southern-hemisphere summer that
// runs over the turn of the year. False for a rule outside its table (0 = no
// summer time, -1 = unconfirmed) and for a year outside 1..9999.
bool SummerTimeApplies(std::int32_t startRule, std::int32_t endRule, WallTime t);
