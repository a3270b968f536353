#pragma once
// Screen points and rectangles in pixels, for the logic that must not see Qt.

#include <cstdint>
#include <span>

struct Point
{
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

// A screen's geometry; left and top may be negative for a screen placed left
// of or above the primary one.
struct Rect
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// True when (x, y) lies inside at least one of screens; a saved window position
// is applied only then, so a screen unplugged since the save cannot hide the
// window off every screen.
bool PositionOnAnyScreen(std::int32_t x, std::int32_t y, std::span<const Rect> screens);

// Where a window whose corner was saved at corner, of width x height pixels,
// goes back: where it was while a grip of its top strip (the part it is
// dragged by) lies on one of screens, else moved the shortest way into the
// screen nearest to it. screens are the screens' work areas; with none the
// corner is kept.
Point PlaceOnScreens(Point corner, std::int32_t width, std::int32_t height,
                     std::span<const Rect> screens);

// Where a new window of width x height pixels goes so that it covers none
// of taken (the program's other windows) and lies inside area (a screen's
// work area): the free corner nearest to wanted. Free corners are looked
// for where the window's edges meet those of area and of taken, which
// finds one whenever there is room. wanted moved into area when there is
// none.
Point FreeSpot(Point wanted, std::int32_t width, std::int32_t height, const Rect& area,
               std::span<const Rect> taken);
