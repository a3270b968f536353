#pragma once
// The time message the serial ports carry, and the numbers typed into the
// serial page's fields.

#include <cstdint>
#include <string>
#include <string_view>

// "@hhmmss\r\n", 9 bytes: the hour on a 12-hour dial, (hour + 11) mod 12 + 1
// (0 and 12 give 12, 13 gives 1), then minute mod 60 and second mod 60. The
// remainders are never negative, so any typed value gives two digits a field.
std::string TimeMessage(std::int64_t hour, std::int64_t minute, std::int64_t second);

// A field's text read as atoi reads it: blanks, a sign, then digits up to the
// first other character; 0 without digits; held within the 32-bit range.
std::int32_t FieldNumber(std::string_view text);
