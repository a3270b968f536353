#include "serial/TimeMessage.h"

#include <cstdio>
#include <limits>

namespace {

std::int64_t NonNegativeRemainder(std::int64_t value, std::int64_t divisor)
{
    const std::int64_t r = value % divisor;
    return r < 0 ? r + divisor : r;
}

bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

std::string TimeMessage(std::int64_t hour, std::int64_t minute, std::int64_t second)
{
    // hour + 11 cannot overflow: the remainder is taken first.
    const int dial = int(NonNegativeRemainder(NonNegativeRemainder(hour, 12) + 11, 12)) + 1;
    char text[16];
    std::snprintf(text, sizeof text, "@%02d%02d%02d\r\n", dial,
                  int(NonNegativeRemainder(minute, 60)), int(NonNegativeRemainder(second, 60)));
    return text;
}

std::int32_t FieldNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit)
            magnitude = kLimit;  // saturates; more digits change nothing
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return std::int32_t(value);
}
