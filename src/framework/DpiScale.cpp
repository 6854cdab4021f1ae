#include "framework/DpiScale.h"

#include <cstdint>

namespace fw {

int ScaleLength(int length, int toDpi, int fromDpi) noexcept {
    if (toDpi == fromDpi || fromDpi <= 0) return length;
    // Twice the quotient's denominator, so the half to add is exact for odd DPIs too.
    const std::int64_t twice = 2 * static_cast<std::int64_t>(length) * toDpi;
    const std::int64_t half = fromDpi;
    return static_cast<int>((twice + (twice < 0 ? -half : half)) / (2 * static_cast<std::int64_t>(fromDpi)));
}

ScaledRect ScaleRect(const ScaledRect& r, int toDpi, int fromDpi) noexcept {
    return {ScaleLength(r.left, toDpi, fromDpi), ScaleLength(r.top, toDpi, fromDpi),
            ScaleLength(r.width, toDpi, fromDpi), ScaleLength(r.height, toDpi, fromDpi)};
}

int ScaleColumnWidth(int width, int toDpi, int fromDpi) noexcept {
    return width < 0 ? width : ScaleLength(width, toDpi, fromDpi);
}

int DesignOuterLength(int clientLength, int frameAtDesignDpi, int dpi) noexcept {
    return clientLength + ScaleLength(frameAtDesignDpi, dpi);
}

int OuterLengthFromDesign(int designOuterLength, int frameAtDesignDpi, int frame, int dpi) noexcept {
    return ScaleLength(designOuterLength, dpi) - ScaleLength(frameAtDesignDpi, dpi) + frame;
}

}  // namespace fw
