#pragma once
// Keeping a restored window where the mouse can reach it: whether a rectangle lies wholly on
// the monitors' work areas, and where it goes on one work area when it does not.
#include <span>

namespace sockmere {

// Right and bottom are exclusive, as in screen rectangles.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const ScreenRect&) const = default;
};

// True when every point of rect lies on one of the areas (an empty rect always does).
bool WhollyCovered(const ScreenRect& rect, std::span<const ScreenRect> areas);

// rect moved into area: its size kept where it fits, else shrunk to the area's, but never
// below the minimum size; what is still larger than the area starts at its left or top edge.
ScreenRect MovedInto(const ScreenRect& rect, const ScreenRect& area, int minWidth, int minHeight);

}  // namespace sockmere
