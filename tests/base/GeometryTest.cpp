#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "base/Geometry.h"

namespace {

struct PositionCase
{
    std::int32_t x;
    std::int32_t y;
    bool onScreen;
};

void expectCases(const std::vector<Rect>& screens, const std::vector<PositionCase>& cases)
{
    for (const PositionCase& c : cases)
        EXPECT_EQ(PositionOnAnyScreen(c.x, c.y, screens), c.onScreen)
            << "(" << c.x << ", " << c.y << ")";
}

}  // namespace

TEST(PositionOnAnyScreen, TwoScreensSideBySide)
{
    // 1920x1080 primary with a shorter 1280x1024 screen to its right.
    const std::vector<Rect> screens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    expectCases(screens, {
        {100, 100, true},     // primary
        {2000, 500, true},    // second screen
        {1919, 1079, true},   // primary's last pixel
        {1920, 0, true},      // second's first pixel
        {1920, 1050, false},  // below the shorter second screen
        {3200, 10, false},    // right edges are exclusive
        {10, 1080, false},    // bottom edges are exclusive
        {-1, 0, false},       // left of everything
        {5000, 5000, false},  // saved on a screen unplugged since
    });
}

TEST(PositionOnAnyScreen, ScreenLeftOfPrimaryHasNegativeCoordinates)
{
    const std::vector<Rect> screens = {{0, 0, 1920, 1080}, {-1280, -200, 1280, 1024}};
    expectCases(screens, {
        {-1280, -200, true},  // top-left corner of the left screen
        {-1, 823, true},      // its bottom-right pixel
        {-1, 824, false},     // one below it
        {-1281, 0, false},
        {-1000, -1000, false},  // the no-position sentinel is on no screen here
    });
}

TEST(PositionOnAnyScreen, DegenerateGeometries)
{
    // No screen at all, empty screens, and sums past 32 bits.
    EXPECT_FALSE(PositionOnAnyScreen(0, 0, {}));
    expectCases({{0, 0, 0, 0}, {10, 10, -5, 20}}, {{0, 0, false}, {10, 10, false}, {8, 12, false}});
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    expectCases({{kMax - 10, kMax - 10, 100, 100}}, {{kMax, kMax, true}, {kMax - 11, kMax, false}});
}

// A saved corner comes back where it was while the window can be dragged
// from there, and is moved the shortest way onto the nearest work area
// otherwise.
TEST(PlaceOnScreens, KeepsReachableCornersAndClampsTheRest)
{
    // 1280x772 work area (a panel below) with a 1024x768 screen to its right.
    const std::vector<Rect> areas = {{0, 0, 1280, 772}, {1280, 0, 1024, 768}};
    const struct
    {
        Point saved, placed;
        const char* why;
    } rows[] = {
        {{146, 130}, {146, 130}, "inside"},
        {{-20, 300}, {-20, 300}, "slightly off the left edge: still draggable"},
        {{1000, 760}, {1000, 712}, "strip under the panel: up onto the work area"},
        {{300, -5}, {300, 0}, "strip above the top"},
        {{-180, 300}, {0, 300}, "too little left on screen to grab"},
        {{5000, 50}, {2114, 50}, "screen unplugged: into the nearest one"},
        {{1270, 100}, {1270, 100}, "across the two screens"},
        {{-1000, -1000}, {0, 0}, "far up and left"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(PlaceOnScreens(r.saved, 190, 60, areas), r.placed) << r.why;

    // A window larger than the screen keeps its top-left on it; no screen
    // at all leaves the corner alone; wild corners do not overflow.
    EXPECT_EQ(PlaceOnScreens({-2000, 900}, 3000, 2000, areas), (Point{0, 0}));
    EXPECT_EQ(PlaceOnScreens({5, 6}, 100, 100, {}), (Point{5, 6}));
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(PlaceOnScreens({kMax, kMax}, kMax, kMax, areas), (Point{1280, 0}));
    EXPECT_EQ(PlaceOnScreens({-kMax, kMax - 5}, 190, 60, areas), (Point{0, 712}));
}
