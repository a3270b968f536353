#include "base/Geometry.h"

#include <algorithm>

bool PositionOnAnyScreen(std::int32_t x, std::int32_t y, std::span<const Rect> screens)
{
    // 64-bit sums: left + width can pass INT32_MAX for a hand-edited value.
    return std::any_of(screens.begin(), screens.end(), [x, y](const Rect& r) {
        const bool inX = x >= r.left && std::int64_t{x} < std::int64_t{r.left} + r.width;
        const bool inY = y >= r.top && std::int64_t{y} < std::int64_t{r.top} + r.height;
        return inX && inY;
    });
}
