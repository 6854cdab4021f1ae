#pragma once
// Keeping a restored window where the mouse can reach it: whether a rectangle lies wholly on
// the monitors' work areas, and where it goes on one work area when it does not.
#include <cstdint>
#include <span>

namespace sockmere {

// Right and bottom are exclusive, as in screen rectangles.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const ScreenRect&) const = default;
};

// No window is wider or taller than this; a stored rectangle that is has been damaged.
inline constexpr std::int64_t kMaxStoredLength = 65535;
// Nor does any screen reach this far from the origin.
inline constexpr std::int64_t kMaxStoredCoordinate = 1 << 30;

// A stored normal rectangle that may be applied: its right beyond its left, neither wider nor
// taller than kMaxStoredLength (nor turned upside down further), its left and top no further than
// kMaxStoredCoordinate from the origin. Taken in 64 bits, as the edges of damaged values overflow
// an int when subtracted; the edges of a rectangle that passes do not, whatever work area's
// offset is added to them.
bool Applicable(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) noexcept;

// True when every point of rect lies on one of the areas (an empty rect always does).
bool WhollyCovered(const ScreenRect& rect, std::span<const ScreenRect> areas);

// rect moved into area: its size kept where it fits, else shrunk to the area's, but never
// below the minimum size; what is still larger than the area starts at its left or top edge.
ScreenRect MovedInto(const ScreenRect& rect, const ScreenRect& area, int minWidth, int minHeight);

}  // namespace sockmere
