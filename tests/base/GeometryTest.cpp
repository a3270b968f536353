#include <gtest/gtest.h>

#include <algorithm>
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

// Against every position of a small work area, tried one by one: where
// there is room the spot covers nothing and is as near as any free one;
// where there is none, wanted is only moved onto the area.
TEST(FreeSpot, NearestFreeCornerAgainstEveryPosition)
{
    const Rect area{0, 20, 60, 40};   // a panel above
    constexpr std::int32_t w = 12, h = 5;
    const auto covers = [](std::int32_t x, std::int32_t y, const Rect& r) {
        return x < r.left + r.width && r.left < x + w && y < r.top + r.height && r.top < y + h;
    };
    std::uint32_t seed = 12345;
    const auto next = [&seed](std::int32_t n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::int32_t>((seed >> 16) % static_cast<std::uint32_t>(n));
    };
    int placedWithoutRoom = 0, placedFree = 0;
    for (int round = 0; round < 600; ++round) {
        std::vector<Rect> taken;
        for (int i = next(16); i > 0; --i)
            taken.push_back({next(70) - 5, next(50) + 15, next(45) + 5, next(25) + 3});
        const Point wanted{next(90) - 15, next(70)};

        std::int64_t bestDistance = -1;
        for (std::int32_t y = area.top; y + h <= area.top + area.height; ++y) {
            for (std::int32_t x = area.left; x + w <= area.left + area.width; ++x) {
                bool free = true;
                for (const Rect& r : taken)
                    free = free && !covers(x, y, r);
                const std::int64_t d = std::int64_t{x - wanted.x} * (x - wanted.x)
                                       + std::int64_t{y - wanted.y} * (y - wanted.y);
                if (free && (bestDistance < 0 || d < bestDistance))
                    bestDistance = d;
            }
        }
        const Point p = FreeSpot(wanted, w, h, area, taken);
        ASSERT_TRUE(p.x >= area.left && p.y >= area.top && p.x + w <= area.left + area.width
                    && p.y + h <= area.top + area.height) << round;
        if (bestDistance < 0) {
            ++placedWithoutRoom;
            EXPECT_EQ(p, (Point{std::clamp(wanted.x, area.left, area.left + area.width - w),
                                std::clamp(wanted.y, area.top, area.top + area.height - h)}))
                << round;
            continue;
        }
        ++placedFree;
        for (const Rect& r : taken)
            ASSERT_FALSE(covers(p.x, p.y, r)) << round;
        const std::int64_t d = std::int64_t{p.x - wanted.x} * (p.x - wanted.x)
                               + std::int64_t{p.y - wanted.y} * (p.y - wanted.y);
        EXPECT_EQ(d, bestDistance) << round;
    }
    EXPECT_GT(placedWithoutRoom, 5);   // the rounds reach both cases
    EXPECT_GT(placedFree, 200);
    // Touching edges do not cover: beside a window is free.
    const std::vector<Rect> main{{100, 100, 300, 200}};
    EXPECT_EQ(FreeSpot({100, 100}, 190, 38, {0, 0, 1280, 772}, main), (Point{100, 62}));
}
