#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/NextSecond.h"

using namespace std::chrono;

// A wait for the next second ends just past the next whole second, from any
// point in the second, the boundary itself included.
TEST(NextSecond, IsJustAhead)
{
    const system_clock::time_point base{seconds{1'783'080'000}};
    for (const auto into : {nanoseconds{0}, nanoseconds{1}, nanoseconds{999'999},
                            nanoseconds{1'000'000}, nanoseconds{500'000'000},
                            nanoseconds{998'999'999}, nanoseconds{999'000'000},
                            nanoseconds{999'999'999}}) {
        const system_clock::time_point now = base + duration_cast<system_clock::duration>(into);
        const milliseconds wait = UntilNextSecond(now);
        const auto wake = now + wait;
        EXPECT_EQ(floor<seconds>(wake), base + seconds{1}) << into.count();
        EXPECT_GT(wake - (base + seconds{1}), nanoseconds{0}) << into.count();
        EXPECT_LE(wake - (base + seconds{1}), milliseconds{2}) << into.count();
    }
}

// Woken just after a boundary, the clock read shows the new second: a
// coarse read (std::time) still shows the old one for a few milliseconds.
TEST(NextSecond, NowSeesTheNewSecondOnWaking)
{
    for (int i = 0; i < 2; ++i) {
        const auto wake = system_clock::now() + UntilNextSecond(system_clock::now());
        std::this_thread::sleep_until(wake);
        EXPECT_EQ(SecondsNow(), system_clock::to_time_t(floor<seconds>(wake)));
    }
}
