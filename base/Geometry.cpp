#include "base/Geometry.h"

#include <algorithm>
#include <optional>
#include <vector>

bool PositionOnAnyScreen(std::int32_t x, std::int32_t y, std::span<const Rect> screens)
{
    // 64-bit sums: left + width can pass INT32_MAX for a hand-edited value.
    return std::any_of(screens.begin(), screens.end(), [x, y](const Rect& r) {
        const bool inX = x >= r.left && std::int64_t{x} < std::int64_t{r.left} + r.width;
        const bool inY = y >= r.top && std::int64_t{y} < std::int64_t{r.top} + r.height;
        return inX && inY;
    });
}

namespace {

constexpr std::int64_t kStripHeight = 20;  // px of the top strip that must be on a screen
constexpr std::int64_t kGripWidth = 40;    // px of it, across, to take hold of

// Rectangles in 64 bits: a hand-edited corner plus a size can pass INT32_MAX.
struct Box
{
    std::int64_t left, top, right, bottom;   // right and bottom exclusive
};

Box ToBox(const Rect& r)
{
    return {r.left, r.top, std::int64_t{r.left} + std::max(r.width, 0),
            std::int64_t{r.top} + std::max(r.height, 0)};
}

std::int64_t Overlap(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1)
{
    return std::max<std::int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

// Gap between two spans along one axis, 0 when they touch or overlap.
std::int64_t Gap(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1)
{
    return std::max<std::int64_t>({0, b0 - a1, a0 - b1});
}

// a0 moved so that [a0, a0 + size) lies in [b0, b1), or starts at b0 when too long.
std::int64_t ClampInto(std::int64_t a0, std::int64_t size, std::int64_t b0, std::int64_t b1)
{
    return std::max(b0, std::min(a0, b1 - size));
}

}  // namespace

Point PlaceOnScreens(Point corner, std::int32_t width, std::int32_t height,
                     std::span<const Rect> screens)
{
    const std::int64_t w = std::max(width, 1), h = std::max(height, 1);
    const Box win{corner.x, corner.y, corner.x + w, corner.y + h};
    const std::int64_t strip = std::min(h, kStripHeight);
    const std::int64_t grip = std::min(w, kGripWidth);

    const Box* nearest = nullptr;
    std::int64_t nearestGap = 0;
    std::vector<Box> boxes;
    for (const Rect& r : screens)
        if (r.width > 0 && r.height > 0)
            boxes.push_back(ToBox(r));
    for (const Box& s : boxes) {
        const bool stripInside = win.top >= s.top && win.top + strip <= s.bottom;
        if (stripInside && Overlap(win.left, win.right, s.left, s.right) >= grip)
            return corner;
        const std::int64_t gap = Gap(win.left, win.right, s.left, s.right)
                                 + Gap(win.top, win.bottom, s.top, s.bottom);
        if (!nearest || gap < nearestGap) {
            nearest = &s;
            nearestGap = gap;
        }
    }
    if (!nearest)
        return corner;
    // The clamped corner lies inside a screen whose edges fit 32 bits.
    return {static_cast<std::int32_t>(ClampInto(win.left, w, nearest->left, nearest->right)),
            static_cast<std::int32_t>(ClampInto(win.top, h, nearest->top, nearest->bottom))};
}

Point FreeSpot(Point wanted, std::int32_t width, std::int32_t height, const Rect& area,
               std::span<const Rect> taken)
{
    const std::int64_t w = std::max(width, 1), h = std::max(height, 1);
    const Box a = ToBox(area);
    std::vector<Box> boxes;
    for (const Rect& r : taken)
        boxes.push_back(ToBox(r));

    // Beside every edge, and flush with the area's own.
    std::vector<std::int64_t> xs{wanted.x, a.left, a.right - w};
    std::vector<std::int64_t> ys{wanted.y, a.top, a.bottom - h};
    for (const Box& b : boxes) {
        xs.insert(xs.end(), {b.right, b.left - w});
        ys.insert(ys.end(), {b.bottom, b.top - h});
    }
    const auto isFree = [&](std::int64_t x, std::int64_t y) {
        if (x < a.left || y < a.top || x + w > a.right || y + h > a.bottom)
            return false;
        return std::none_of(boxes.begin(), boxes.end(), [&](const Box& b) {
            return Overlap(x, x + w, b.left, b.right) > 0 && Overlap(y, y + h, b.top, b.bottom) > 0;
        });
    };

    std::optional<Point> best;
    double bestDistance = 0;   // squared; a far hand-edited wanted passes 64 bits
    for (const std::int64_t y : ys) {
        for (const std::int64_t x : xs) {
            if (!isFree(x, y))
                continue;
            const double dx = double(x - wanted.x), dy = double(y - wanted.y);
            const double distance = dx * dx + dy * dy;
            if (!best || distance < bestDistance) {
                // Inside the area, whose edges fit 32 bits.
                best = Point{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
                bestDistance = distance;
            }
        }
    }
    if (best)
        return *best;
    return {static_cast<std::int32_t>(ClampInto(wanted.x, w, a.left, a.right)),
            static_cast<std::int32_t>(ClampInto(wanted.y, h, a.top, a.bottom))};
}
