// The one clock timer: when it wakes, and which faces it wakes.

#include "clocks/CClockWnd.h"
#include "clocks/CDigitalClock.h"
#include "clocks/ClockTicker.h"

#include "base/SettingsStore.h"
#include "resources/ResourceIds.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

using namespace std::chrono;

// It wakes once a second, just after the boundary: each wake sees the next
// second, early in it (a 50 ms poll could not promise both), and sleeps in
// between.
TEST(ClockTicker, WakesJustAfterEachSecond)
{
    ClockTicker& ticker = ClockTicker::Instance();
    QObject face;
    std::vector<system_clock::time_point> wakes;
    ticker.Attach(&face, [&] { wakes.push_back(system_clock::now()); });
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 3200)
        QTest::qWait(20);
    ticker.Detach(&face);

    ASSERT_GE(wakes.size(), 3u);
    ASSERT_LE(wakes.size(), 4u);
    for (std::size_t i = 0; i < wakes.size(); ++i) {
        const auto into = wakes[i] - floor<seconds>(wakes[i]);
        EXPECT_LT(into, milliseconds{250}) << "wake " << i;   // not somewhere in the second
        if (i > 0) {
            EXPECT_EQ(floor<seconds>(wakes[i]) - floor<seconds>(wakes[i - 1]), seconds{1});
        }
    }
}

// Only faces on screen keep it running; the main clock always does, since
// its tick may sound while the main window is hidden.
TEST(ClockTicker, RunsForShownFacesOnly)
{
    ClockTicker& ticker = ClockTicker::Instance();
    ASSERT_EQ(ticker.Faces(), 0);
    MemorySettingsStore store;
    QWidget frame;
    auto* korea = new CClockWnd(&frame, store, true);
    auto* world = new CClockWnd(&frame, store, false, 0, "UTC");
    EXPECT_EQ(ticker.Faces(), 0);   // made hidden
    EXPECT_FALSE(ticker.IsRunning());

    korea->show();
    world->show();
    EXPECT_EQ(ticker.Faces(), 2);
    EXPECT_TRUE(ticker.IsRunning());
    world->hide();
    EXPECT_EQ(ticker.Faces(), 1);
    delete korea;   // gone while shown
    EXPECT_EQ(ticker.Faces(), 0);
    EXPECT_FALSE(ticker.IsRunning());

    {
        QWidget main;
        CDigitalClock clock(&main, QRect(0, 0, 184, 54), res::main::IDC_CLOCK);
        EXPECT_EQ(ticker.Faces(), 1);   // the main window is hidden
    }
    EXPECT_EQ(ticker.Faces(), 0);
    delete world;
}
