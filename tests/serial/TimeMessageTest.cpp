// The time message and the numbers typed into the page's fields.

#include <gtest/gtest.h>

#include <cstdint>

#include "serial/TimeMessage.h"

TEST(TimeMessage, TwelveHourDialAndRemaindersThatNeverGoNegative)
{
    constexpr std::int64_t kMin = INT32_MIN, kMax = INT32_MAX;
    const struct { std::int64_t h, m, s; const char* text; } rows[] = {
        {13, 5, 7, "@010507\r\n"}, {0, 0, 0, "@120000\r\n"}, {12, 30, 0, "@123000\r\n"},
        {23, 59, 59, "@115959\r\n"}, {25, 75, 61, "@011501\r\n"},
        {-1, -1, -1, "@115959\r\n"}, {-13, -60, -61, "@110059\r\n"},
        {kMin, kMin, kMax, "@045207\r\n"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(TimeMessage(r.h, r.m, r.s), r.text) << r.h << ":" << r.m << ":" << r.s;
}

TEST(FieldNumber, ReadsTheLeadingNumberLikeAtoi)
{
    const struct { const char* text; std::int32_t value; } rows[] = {
        {"25", 25}, {" \t+5", 5}, {"-3", -3}, {"12abc", 12}, {"abc", 0}, {"", 0}, {"-", 0},
        {"시", 0}, {"99999999999999999999", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"-99999999999999999999", INT32_MIN},
    };
    for (const auto& r : rows)
        EXPECT_EQ(FieldNumber(r.text), r.value) << '"' << r.text << '"';
}
