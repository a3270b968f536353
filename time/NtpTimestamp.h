#pragma once

#include <array>
#include <cstdint>
#include <ctime>

// UTC calendar time, laid out field by field like the broken-down time the
// timestamp arithmetic was designed around.
struct SYSTEMTIME
{
    std::uint16_t wYear;
    std::uint16_t wMonth;        // 1..12
    std::uint16_t wDayOfWeek;    // 0 = Sunday .. 6
    std::uint16_t wDay;          // 1..31
    std::uint16_t wHour;         // 0..23
    std::uint16_t wMinute;       // 0..59
    std::uint16_t wSecond;       // 0..59
    std::uint16_t wMilliseconds; // 0..999

    bool operator==(const SYSTEMTIME&) const = default;
};

constexpr std::uint32_t kNtpToUnix = 2208988800u; // s, 1900 -> 1970
constexpr std::int32_t kJdn1900 = 2415021;        // Julian day of 1900-01-01

// Julian day number of a proleptic Gregorian date.
std::int32_t DateToJulianDay(int year, int month, int day);
// Inverse of DateToJulianDay.
void JulianDayToDate(std::int32_t jdn, std::uint16_t& year, std::uint16_t& month,
                     std::uint16_t& day);
// Fraction units (2^-32 s) nearest to ms milliseconds, 0..999; 1000 and
// above give the entry of 999.
std::uint32_t MsToFraction(unsigned ms);
// Milliseconds of a fraction, rounded; 4292819812 and above give 1000.
std::uint64_t FractionToMs(std::uint32_t fraction);
// Seconds of a fraction, scaled by 1 / (2^32 - 1).
double FractionToSeconds(std::uint32_t fraction);

// 64-bit NTP time: seconds since 1900-01-01 00:00 UTC and a 2^-32 s
// fraction. Arithmetic is modulo 2^64; conversions to calendar or Unix time
// read the seconds half by the era rule of RFC 4330 s.3 (a top bit of 0
// means the era that starts 2036-02-07 06:28:16 UTC), which covers
// 1968-01-20 03:14:08 to 2104-02-26 09:42:23 UTC.
class NtpTimestamp
{
public:
    NtpTimestamp() = default; // holds no defined value until assigned or cleared
    NtpTimestamp(std::uint32_t seconds, std::uint32_t fraction)
        : m_seconds(seconds), m_fraction(fraction)
    {
    }

    void Clear() { m_seconds = m_fraction = 0; }
    std::uint32_t Seconds() const { return m_seconds; }
    std::uint32_t Fraction() const { return m_fraction; }
    std::uint64_t Value() const { return std::uint64_t{m_seconds} << 32 | m_fraction; }

    // Sets the value from UTC calendar time with millisecond resolution;
    // wDayOfWeek is ignored.
    void FromSystemTime(const SYSTEMTIME& utc);
    // The system clock (CLOCK_REALTIME) at its full resolution.
    static NtpTimestamp Now();
    // UTC calendar time of the value, weekday filled in; a fraction that
    // rounds to 1000 ms carries into the next second.
    SYSTEMTIME ToSystemTime() const;

    // Conversions to and from POSIX time, era-aware as above.
    static NtpTimestamp FromTimespec(const timespec& ts);
    timespec ToTimespec() const;
    std::int64_t ToUnixSeconds() const;

    // This minus other, in seconds; positive when this is later. The two
    // must lie less than 2^63 units (68 years) apart, in any eras.
    double Diff(const NtpTimestamp& other) const;
    // The same with both read by the era rule, so that any two instants
    // the rule covers differ by the right amount (up to 136 years), where
    // Diff wraps at 68: what a clock years off is offset by.
    double EraDiff(const NtpTimestamp& other) const;
    // This plus d seconds (d may be negative); this is unchanged.
    NtpTimestamp AddSeconds(double d) const;

    std::array<std::uint8_t, 8> ToNetwork() const;
    void FromNetwork(const std::uint8_t* bytes); // 8 bytes, big-endian halves

    auto operator<=>(const NtpTimestamp& other) const { return Value() <=> other.Value(); }
    bool operator==(const NtpTimestamp& other) const = default;

private:
    static NtpTimestamp FromValue(std::uint64_t v)
    {
        return {static_cast<std::uint32_t>(v >> 32), static_cast<std::uint32_t>(v)};
    }
    // Seconds since 1900 with the era resolved, 2^31 .. 2^32 + 2^31 - 1.
    std::int64_t EraSeconds() const;

    std::uint32_t m_seconds;
    std::uint32_t m_fraction;
};
