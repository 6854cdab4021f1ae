#pragma once
// Lengths at a display's DPI. Forms are designed at 96 pixels per inch; on a display of another
// DPI the same design is drawn at DPI / 96, every length rounded to the nearest pixel.
namespace fw {

inline constexpr int kDesignDpi = 96;

// A length of pixels at fromDpi as pixels at toDpi, rounded to the nearest pixel with halves
// away from zero, so a negative length (a font's character height) scales like a positive one.
int ScaleLength(int length, int toDpi, int fromDpi = kDesignDpi) noexcept;

// A rectangle given by its corner and size, each scaled on its own: equal sizes stay equal.
struct ScaledRect {
    int left, top, width, height;
    friend bool operator==(const ScaledRect&, const ScaledRect&) = default;
};
ScaledRect ScaleRect(const ScaledRect& rect, int toDpi, int fromDpi = kDesignDpi) noexcept;

// A list view column's width: pixels scale, while the negative codes of the automatic widths
// (fit to the content, fit to the header) stay what they are.
int ScaleColumnWidth(int width, int toDpi, int fromDpi = kDesignDpi) noexcept;

// An outer size as a design measures it: the client size plus the frame the window has at 96
// DPI, drawn at dpi. Layout rules written for outer sizes then hold at every DPI, whatever the
// frame the system really draws there.
int DesignOuterLength(int clientLength, int frameAtDesignDpi, int dpi) noexcept;
// The other way: an outer length of the design (a window's minimum size, say) as the window's
// own at dpi: the design's client part scaled, plus the frame the system really draws.
int OuterLengthFromDesign(int designOuterLength, int frameAtDesignDpi, int frame, int dpi) noexcept;

}  // namespace fw
