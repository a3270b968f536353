#include "time/NtpTimestamp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

namespace {

using namespace std::chrono;

SYSTEMTIME Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    SYSTEMTIME t{};
    t.wYear = static_cast<std::uint16_t>(y);
    t.wMonth = static_cast<std::uint16_t>(mo);
    t.wDay = static_cast<std::uint16_t>(d);
    t.wHour = static_cast<std::uint16_t>(h);
    t.wMinute = static_cast<std::uint16_t>(mi);
    t.wSecond = static_cast<std::uint16_t>(s);
    t.wMilliseconds = static_cast<std::uint16_t>(ms);
    return t;
}

SYSTEMTIME Utc(year_month_day ymd, int h, int mi, int s, int ms)
{
    return Utc(int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()), h, mi, s, ms);
}

// Seconds since 1900 by the chrono calendar, the oracle of these tests.
std::int64_t OracleSeconds(year_month_day ymd, int h, int mi, int s)
{
    return (sys_days{ymd} - sys_days{1900y / 1 / 1}).count() * 86400LL + h * 3600 + mi * 60 + s;
}

} // namespace

TEST(NtpTimestamp, JulianDaysOfKnownDates)
{
    EXPECT_EQ(DateToJulianDay(1900, 1, 1), 2415021);
    EXPECT_EQ(DateToJulianDay(2000, 1, 1), 2451545);
    std::uint16_t y, m, d;
    JulianDayToDate(2451545, y, m, d);
    EXPECT_EQ(y, 2000);
    EXPECT_EQ(m, 1);
    EXPECT_EQ(d, 1);
}

TEST(NtpTimestamp, FromSystemTimeMatchesCalendarEveryDay)
{
    // Every day 1900..2104, at a time of day that moves through the day.
    int k = 0;
    for (sys_days day = 1900y / 1 / 1; day < sys_days{2104y / 1 / 1}; day += days{1}, ++k) {
        const year_month_day ymd{day};
        const int h = k % 24, mi = (k * 7) % 60, s = (k * 13) % 60, ms = (k * 37) % 1000;
        NtpTimestamp t;
        t.FromSystemTime(Utc(ymd, h, mi, s, ms));
        ASSERT_EQ(t.Seconds(), static_cast<std::uint32_t>(OracleSeconds(ymd, h, mi, s))) << k;
        ASSERT_EQ(t.Fraction(), MsToFraction(ms));
    }
}

TEST(NtpTimestamp, CalendarRoundTripsEveryDayOfBothEras)
{
    // The era rule covers 1968-01-20 03:14:08 .. 2104-02-26 09:42:23 UTC.
    int k = 0;
    for (sys_days day = 1968y / 1 / 21; day < sys_days{2104y / 2 / 26}; day += days{1}, ++k) {
        const year_month_day ymd{day};
        const SYSTEMTIME in = Utc(ymd, (k * 5) % 24, (k * 11) % 60, (k * 17) % 60, (k * 31) % 1000);
        NtpTimestamp t;
        t.FromSystemTime(in);
        SYSTEMTIME out = t.ToSystemTime();
        EXPECT_EQ(out.wDayOfWeek, weekday{day}.c_encoding());
        out.wDayOfWeek = 0;
        ASSERT_EQ(out, in) << int(ymd.year()) << '-' << unsigned(ymd.month()) << '-'
                           << unsigned(ymd.day());
        ASSERT_EQ(t.ToUnixSeconds(), OracleSeconds(ymd, in.wHour, in.wMinute, in.wSecond)
                                         - std::int64_t{kNtpToUnix});
    }
}

TEST(NtpTimestamp, KnownValues)
{
    NtpTimestamp t;
    // 1900-01-01 is seconds 0; read back by the era rule it is 2036's wrap.
    t.FromSystemTime(Utc(1900, 1, 1));
    EXPECT_EQ(t.Seconds(), 0u);
    EXPECT_EQ(t.Fraction(), 0u);

    t.FromSystemTime(Utc(2000, 1, 1, 0, 0, 0, 500));
    EXPECT_EQ(t.Seconds(), 3155673600u);
    EXPECT_EQ(t.Fraction(), 2147483648u);
    EXPECT_EQ(t.ToSystemTime().wMilliseconds, 500);
    EXPECT_EQ(t.ToSystemTime().wDayOfWeek, 6);   // Saturday

    t.FromSystemTime(Utc(2000, 2, 29, 12));
    EXPECT_EQ(t.ToSystemTime().wDay, 29);
    EXPECT_EQ(t.ToSystemTime().wMonth, 2);
}

TEST(NtpTimestamp, EraWrapIn2036ReadsAsTheNewEra)
{
    NtpTimestamp t;
    t.FromSystemTime(Utc(2036, 2, 7, 6, 28, 16));
    EXPECT_EQ(t.Seconds(), 0u);
    SYSTEMTIME back = t.ToSystemTime();
    EXPECT_EQ(back.wDayOfWeek, 4);   // Thursday
    back.wDayOfWeek = 0;
    EXPECT_EQ(back, Utc(2036, 2, 7, 6, 28, 16)) << back.wYear;

    // The last second of era 0 and the first of era 1 are one second apart.
    t.FromSystemTime(Utc(2036, 2, 7, 6, 28, 15));
    EXPECT_EQ(t.Seconds(), 0xFFFFFFFFu);
    EXPECT_EQ(t.ToUnixSeconds(), 2085978495);
    EXPECT_EQ(NtpTimestamp(0, 0).ToUnixSeconds(), 2085978496);

    // Timespec conversions agree with the same rule on both sides of it.
    for (const std::int64_t unix : {0LL, 1700000000LL, 2085978495LL, 2085978496LL, 4000000000LL}) {
        const NtpTimestamp n = NtpTimestamp::FromTimespec({static_cast<time_t>(unix), 250000000});
        EXPECT_EQ(n.ToUnixSeconds(), unix);
        EXPECT_EQ(n.ToTimespec().tv_sec, unix);
        EXPECT_EQ(n.ToTimespec().tv_nsec, 250000000);
    }
}

TEST(NtpTimestamp, MillisecondTableAndFractions)
{
    // Every table entry converts back to its own millisecond.
    for (unsigned ms = 0; ms < 1000; ++ms) {
        const std::uint32_t f = MsToFraction(ms);
        ASSERT_EQ(f, static_cast<std::uint32_t>(std::llround(ms * 4294967296.0 / 1000.0)));
        ASSERT_EQ(FractionToMs(f), ms);
    }
    EXPECT_EQ(MsToFraction(2), 8589935u);
    EXPECT_EQ(MsToFraction(3), 12884902u);
    EXPECT_EQ(MsToFraction(750), 3221225472u);

    EXPECT_EQ(FractionToMs(4292819811u), 999u);
    EXPECT_EQ(FractionToMs(4292819812u), 1000u);

    // Past the table nothing is read beyond it (the sanitizer build would
    // stop here): the last entry, still within the second.
    for (const unsigned ms : {1000u, 1001u, 65535u, 65536u + 5u, 0xFFFFFFFFu})
        EXPECT_EQ(MsToFraction(ms), MsToFraction(999)) << ms;
    SYSTEMTIME st{2024, 3, 0, 9, 5, 6, 7, 1000};
    NtpTimestamp t;
    t.FromSystemTime(st);
    EXPECT_EQ(t.ToSystemTime().wSecond, 7);
}

TEST(NtpTimestamp, FractionRoundingToAWholeSecondCarries)
{
    NtpTimestamp t;
    t.FromSystemTime(Utc(2026, 12, 31, 23, 59, 59));
    const NtpTimestamp almost(t.Seconds(), 4292819812u);
    EXPECT_EQ(almost.ToSystemTime(), NtpTimestamp(t.Seconds() + 1, 0).ToSystemTime());
    EXPECT_EQ(almost.ToSystemTime().wYear, 2027);
    EXPECT_EQ(NtpTimestamp(t.Seconds(), 0xFFFFFFFFu).ToTimespec().tv_nsec, 0);
    EXPECT_EQ(NtpTimestamp(t.Seconds(), 4292819811u).ToSystemTime().wMilliseconds, 999);
}

TEST(NtpTimestamp, DiffAndAddSeconds)
{
    const NtpTimestamp a(100, 5);
    EXPECT_EQ(a.Diff(a), 0.0);
    EXPECT_DOUBLE_EQ(a.Diff(NtpTimestamp(100, 6)), -1.0 / 4294967295.0);
    EXPECT_EQ(a.Diff(NtpTimestamp(99, 7)), -NtpTimestamp(99, 7).Diff(a));

    EXPECT_EQ(a.AddSeconds(0.0), a);
    EXPECT_EQ(NtpTimestamp(10, 0).AddSeconds(1.5), NtpTimestamp(11, 2147483647u));
    // -0.25 s is 1073741823 units, borrowed from the seconds when needed.
    EXPECT_EQ(NtpTimestamp(10, 2000000000u).AddSeconds(-0.25), NtpTimestamp(10, 926258177u));
    EXPECT_EQ(NtpTimestamp(10, 5).AddSeconds(-0.25),
              NtpTimestamp(9, static_cast<std::uint32_t>(0x100000005ull - 1073741823u)));
    // Wraps modulo 2^64 both ways; non-finite input changes nothing.
    EXPECT_EQ(NtpTimestamp(0, 0).AddSeconds(-1.0), NtpTimestamp(0xFFFFFFFFu, 0));
    EXPECT_EQ(NtpTimestamp(0xFFFFFFFFu, 0).AddSeconds(1.0), NtpTimestamp(0, 0));
    EXPECT_EQ(a.AddSeconds(1e300), a.AddSeconds(std::fmod(1e300, 4294967296.0)));
    EXPECT_EQ(a.AddSeconds(NAN), a);

    // Adding what Diff measured gives the other timestamp back, to a unit.
    const NtpTimestamp b(3900000000u, 123456789u);
    const NtpTimestamp c(3900000123u, 987654321u);
    const NtpTimestamp sum = b.AddSeconds(c.Diff(b));
    EXPECT_LE(std::llabs(static_cast<long long>(sum.Value() - c.Value())), 2);
}

TEST(NtpTimestamp, NetworkForm)
{
    const NtpTimestamp t(0x01020304u, 0x05060708u);
    const auto n = t.ToNetwork();
    const std::array<std::uint8_t, 8> want{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(n, want);
    NtpTimestamp back;
    back.FromNetwork(n.data());
    EXPECT_EQ(back, t);
}

TEST(NtpTimestamp, NowReadsTheClockBelowAMillisecond)
{
    timespec before{}, after{};
    clock_gettime(CLOCK_REALTIME, &before);
    const NtpTimestamp now = NtpTimestamp::Now();
    clock_gettime(CLOCK_REALTIME, &after);
    const NtpTimestamp lo = NtpTimestamp::FromTimespec(before);
    const NtpTimestamp hi = NtpTimestamp::FromTimespec(after);
    EXPECT_LE(lo, now);
    EXPECT_LE(now, hi);
    // Sub-millisecond digits survive (not rounded to a table entry).
    const timespec ts{1700000000, 123456789};
    EXPECT_NEAR(NtpTimestamp::FromTimespec(ts).Diff(NtpTimestamp::FromTimespec({1700000000, 0})),
                0.123456789, 1e-9);
}
