#include "settings/ScreenFit.h"

#include <algorithm>
#include <vector>

namespace sockmere {

namespace {

bool Empty(const ScreenRect& r) { return r.right <= r.left || r.bottom <= r.top; }

// The parts of piece outside cut: at most four rectangles, above, below, left and right of it.
void Subtract(const ScreenRect& piece, const ScreenRect& cut, std::vector<ScreenRect>& out) {
    const ScreenRect overlap{std::max(piece.left, cut.left), std::max(piece.top, cut.top),
                             std::min(piece.right, cut.right), std::min(piece.bottom, cut.bottom)};
    if (Empty(overlap)) {
        out.push_back(piece);
        return;
    }
    const ScreenRect parts[] = {
        {piece.left, piece.top, piece.right, overlap.top},
        {piece.left, overlap.bottom, piece.right, piece.bottom},
        {piece.left, overlap.top, overlap.left, overlap.bottom},
        {overlap.right, overlap.top, piece.right, overlap.bottom},
    };
    for (const ScreenRect& part : parts)
        if (!Empty(part)) out.push_back(part);
}

// A length that fits the room stays; a longer one shrinks to the room, but not below the least.
int Fit(int length, int room, int least) {
    return length <= room ? length : std::max(room, least);
}

// Where a span of the given length starts on [low, high): kept if it fits, else moved in.
int Place(int start, int length, int low, int high) {
    if (length >= high - low) return low;
    return std::clamp(start, low, high - length);
}

}  // namespace

bool WhollyCovered(const ScreenRect& rect, std::span<const ScreenRect> areas) {
    std::vector<ScreenRect> uncovered;
    if (!Empty(rect)) uncovered.push_back(rect);
    for (const ScreenRect& area : areas) {
        std::vector<ScreenRect> next;
        for (const ScreenRect& piece : uncovered) Subtract(piece, area, next);
        uncovered.swap(next);
    }
    return uncovered.empty();
}

bool Applicable(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) noexcept {
    const auto within = [](std::int64_t value, std::int64_t limit) {
        return static_cast<std::uint64_t>(value + limit) <= static_cast<std::uint64_t>(2 * limit);
    };
    return within(left, kMaxStoredCoordinate) && within(top, kMaxStoredCoordinate) && right > left &&
           right - left <= kMaxStoredLength && within(bottom - top, kMaxStoredLength);
}

ScreenRect MovedInto(const ScreenRect& rect, const ScreenRect& area, int minWidth, int minHeight) {
    const int width = Fit(rect.right - rect.left, area.right - area.left, minWidth);
    const int height = Fit(rect.bottom - rect.top, area.bottom - area.top, minHeight);
    const int left = Place(rect.left, width, area.left, area.right);
    const int top = Place(rect.top, height, area.top, area.bottom);
    return {left, top, left + width, top + height};
}

}  // namespace sockmere
