// The time message and the numbers typed into the page's fields.

#include <gtest/gtest.h>

#include <cstdint>
#include <cctype>
#include <limits>
#include <string>

#include "serial/TimeMessage.h"

namespace {

constexpr std::int64_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMax32 = std::numeric_limits<std::int32_t>::max();

TEST(TimeMessage, HourOnATwelveHourDialAndMinutesAndSecondsModSixty)
{
    const struct { std::int64_t h, m, s; const char* text; } rows[] = {
        {13, 5, 7, "@010507\r\n"},
        {0, 0, 0, "@120000\r\n"},    // midnight is 12
        {12, 30, 0, "@123000\r\n"},  // and so is noon
        {11, 59, 59, "@115959\r\n"},
        {23, 59, 59, "@115959\r\n"},
        {25, 75, 61, "@011501\r\n"},  // typed by hand
        // Negative fields wrap instead of printing a minus sign.
        {-1, -1, -1, "@115959\r\n"},
        {-13, -60, -61, "@110059\r\n"},
        {kMin32, kMin32, kMax32, "@045207\r\n"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(TimeMessage(r.h, r.m, r.s), r.text) << r.h << ":" << r.m << ":" << r.s;
}

TEST(TimeMessage, AnyFieldsGiveNineBytesOfTwoDigitFields)
{
    auto twoDigits = [](const std::string& t, std::size_t at) {
        return std::isdigit(static_cast<unsigned char>(t[at]))
               && std::isdigit(static_cast<unsigned char>(t[at + 1]))
               ? (t[at] - '0') * 10 + (t[at + 1] - '0') : -1;
    };
    for (std::int64_t v = -400; v <= 400; ++v) {
        for (const std::int64_t big : {std::int64_t{0}, kMin32, kMax32}) {
            const std::string t = TimeMessage(v + big, v - big, v);
            ASSERT_EQ(t.size(), 9u) << v;
            EXPECT_EQ(t.front(), '@');
            EXPECT_EQ(t.substr(7), "\r\n");
            const int h = twoDigits(t, 1), m = twoDigits(t, 3), s = twoDigits(t, 5);
            EXPECT_TRUE(h >= 1 && h <= 12) << t;
            EXPECT_TRUE(m >= 0 && m < 60) << t;
            EXPECT_TRUE(s >= 0 && s < 60) << t;
        }
    }
}

TEST(FieldNumber, ReadsTheLeadingNumberLikeAtoi)
{
    const struct { const char* text; std::int32_t value; } rows[] = {
        {"25", 25}, {"  7", 7}, {"\t+5", 5}, {"-3", -3}, {"0", 0},
        {"12abc", 12}, {"1 2", 1}, {"abc", 0}, {"", 0}, {"-", 0}, {"+-1", 0},
        {"시", 0}, {"2147483647", 2147483647}, {"99999999999999999999", 2147483647},
        {"-2147483648", -2147483647 - 1}, {"-99999999999999999999", -2147483647 - 1},
    };
    for (const auto& r : rows)
        EXPECT_EQ(FieldNumber(r.text), r.value) << '"' << r.text << '"';
}

}  // namespace
