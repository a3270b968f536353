#include "time/NtpTimestamp.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr std::uint64_t kTwo32 = 0x100000000ull;
constexpr double kFractionToMs = 1000.0 / 4294967295.0;  // 2^32 - 1, not 2^32
constexpr double kFractionToSec = 1.0 / 4294967295.0;

// Entry ms is the integer nearest to ms * 2^32 / 1000; no entry is a tie.
constexpr std::array<std::uint32_t, 1000> MakeMsTable()
{
    std::array<std::uint32_t, 1000> t{};
    for (std::uint64_t ms = 0; ms < 1000; ++ms)
        t[ms] = static_cast<std::uint32_t>((ms * kTwo32 + 500) / 1000);
    return t;
}
constexpr auto kMsTable = MakeMsTable();
static_assert(kMsTable[1] == 4294967u && kMsTable[250] == 1073741824u
              && kMsTable[999] == 4290672329u);

} // namespace

std::int32_t DateToJulianDay(int year, int month, int day)
{
    const int m = month > 2 ? month - 3 : month + 9;  // March-based month, [0, 11]
    const int y = month > 2 ? year : year - 1;
    const int c = y / 100;
    const int r = y - 100 * c;
    return (146097 * c) / 4 + (1461 * r) / 4 + (153 * m + 2) / 5 + day + 1721119;
}

void JulianDayToDate(std::int32_t jdn, std::uint16_t& year, std::uint16_t& month,
                     std::uint16_t& day)
{
    const std::int32_t t = 4 * jdn - 6884477;
    const std::int32_t c = t / 146097;
    const std::int32_t d = (t - 146097 * c) / 4;
    const std::int32_t y = (4 * d + 3) / 1461;
    const std::int32_t e = (4 * d + 3 - 1461 * y + 4) / 4;
    const std::int32_t m = (5 * e - 3) / 153;                  // [0, 11], March-based
    day = static_cast<std::uint16_t>((5 * e - 3 - 153 * m + 5) / 5);
    std::int32_t yr = 100 * c + y;
    if (m < 10) {
        month = static_cast<std::uint16_t>(m + 3);
    } else {
        month = static_cast<std::uint16_t>(m - 9);
        ++yr;
    }
    year = static_cast<std::uint16_t>(yr);
}

std::uint32_t MsToFraction(unsigned ms)
{
    // Past the table there is no fraction below a second to give; the
    // last entry is the nearest one.
    return kMsTable[std::min(ms, 999u)];
}

std::uint64_t FractionToMs(std::uint32_t fraction)
{
    return static_cast<std::uint64_t>(fraction * kFractionToMs + 0.5);
}

double FractionToSeconds(std::uint32_t fraction)
{
    return fraction * kFractionToSec;
}

void NtpTimestamp::FromSystemTime(const SYSTEMTIME& utc)
{
    const std::int64_t days = DateToJulianDay(utc.wYear, utc.wMonth, utc.wDay) - kJdn1900;
    const std::int64_t s = ((days * 24 + utc.wHour) * 60 + utc.wMinute) * 60 + utc.wSecond;
    m_seconds = static_cast<std::uint32_t>(s);   // instants from 2036 on wrap into era 1
    m_fraction = MsToFraction(utc.wMilliseconds);
}

NtpTimestamp NtpTimestamp::Now()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return FromTimespec(ts);
}

NtpTimestamp NtpTimestamp::FromTimespec(const timespec& ts)
{
    const auto seconds = static_cast<std::uint32_t>(ts.tv_sec + std::int64_t{kNtpToUnix});
    // ns in [0, 1e9) maps below 2^32, so the rounded fraction never overflows.
    const auto fraction = static_cast<std::uint32_t>(
        (static_cast<std::uint64_t>(ts.tv_nsec) * kTwo32 + 500000000u) / 1000000000u);
    return {seconds, fraction};
}

std::int64_t NtpTimestamp::EraSeconds() const
{
    // Era 0 ends 2036-02-07 06:28:16 UTC; a top bit of 0 means era 1.
    return m_seconds & 0x80000000u ? std::int64_t{m_seconds}
                                   : std::int64_t{m_seconds} + std::int64_t{kTwo32};
}

std::int64_t NtpTimestamp::ToUnixSeconds() const
{
    return EraSeconds() - kNtpToUnix;
}

timespec NtpTimestamp::ToTimespec() const
{
    timespec ts{};
    std::int64_t sec = ToUnixSeconds();
    std::uint64_t ns = (std::uint64_t{m_fraction} * 1000000000u + kTwo32 / 2) >> 32;
    if (ns >= 1000000000u) {   // a fraction just below 1 s rounds up to it
        ns -= 1000000000u;
        ++sec;
    }
    ts.tv_sec = static_cast<time_t>(sec);
    ts.tv_nsec = static_cast<long>(ns);
    return ts;
}

SYSTEMTIME NtpTimestamp::ToSystemTime() const
{
    std::int64_t secs = EraSeconds();
    std::uint64_t ms = FractionToMs(m_fraction);
    if (ms == 1000) {   // fractions from 4292819812 round to a whole second
        ms = 0;
        ++secs;
    }
    const std::int64_t days = secs / 86400;
    SYSTEMTIME st{};
    st.wDayOfWeek = static_cast<std::uint16_t>((days + kJdn1900 + 1) % 7);
    JulianDayToDate(static_cast<std::int32_t>(days + kJdn1900), st.wYear, st.wMonth, st.wDay);
    st.wHour = static_cast<std::uint16_t>(secs / 3600 % 24);
    st.wMinute = static_cast<std::uint16_t>(secs / 60 % 60);
    st.wSecond = static_cast<std::uint16_t>(secs % 60);
    st.wMilliseconds = static_cast<std::uint16_t>(ms);
    return st;
}

double NtpTimestamp::Diff(const NtpTimestamp& other) const
{
    // The difference modulo 2^64 read as signed: instants less than 68
    // years apart differ by the right amount even when an era boundary
    // lies between them.
    const std::uint64_t d = Value() - other.Value();
    const bool negative = static_cast<std::int64_t>(d) < 0;
    const NtpTimestamp m = FromValue(negative ? 0 - d : d);
    const double magnitude = m.m_seconds + FractionToSeconds(m.m_fraction);
    return negative ? -magnitude : magnitude;
}

double NtpTimestamp::EraDiff(const NtpTimestamp& other) const
{
    const auto seconds = static_cast<double>(EraSeconds() - other.EraSeconds());
    return seconds + (FractionToSeconds(m_fraction) - FractionToSeconds(other.m_fraction));
}

NtpTimestamp NtpTimestamp::AddSeconds(double d) const
{
    const double a = std::fabs(d);
    if (!std::isfinite(a))
        return *this;
    // fmod is exact, so this is trunc(a) mod 2^32 without overflowing a cast.
    const auto i = static_cast<std::uint64_t>(std::fmod(std::trunc(a), 4294967296.0));
    const auto g = static_cast<std::uint64_t>((a - std::trunc(a)) * 4294967295.0);
    const std::uint64_t addend = (i << 32) + g;
    return FromValue(d >= 0 ? Value() + addend : Value() - addend);
}

std::array<std::uint8_t, 8> NtpTimestamp::ToNetwork() const
{
    std::array<std::uint8_t, 8> out{};
    const std::uint32_t s = htonl(m_seconds);
    const std::uint32_t f = htonl(m_fraction);
    std::memcpy(out.data(), &s, 4);
    std::memcpy(out.data() + 4, &f, 4);
    return out;
}

void NtpTimestamp::FromNetwork(const std::uint8_t* bytes)
{
    std::uint32_t s = 0;
    std::uint32_t f = 0;
    std::memcpy(&s, bytes, 4);
    std::memcpy(&f, bytes + 4, 4);
    m_seconds = ntohl(s);
    m_fraction = ntohl(f);
}
