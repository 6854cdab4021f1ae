#pragma once
// Colours and fonts of controls. A TFont describes a font; equal descriptions share one HFONT.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "framework/Component.h"
#include "framework/DpiScale.h"
#include "framework/Event.h"
#include "framework/Handles.h"

namespace fw {

// An RGB value in blue-green-red byte order, or a system colour: kSystemColor | COLOR_xxx.
using TColor = std::uint32_t;
inline constexpr TColor kSystemColor = 0x80000000u;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindowText = kSystemColor | COLOR_WINDOWTEXT;
inline constexpr TColor clWindow = kSystemColor | COLOR_WINDOW;
inline constexpr TColor clBtnFace = kSystemColor | COLOR_BTNFACE;
inline constexpr TColor clBtnText = kSystemColor | COLOR_BTNTEXT;
inline constexpr TColor clBtnShadow = kSystemColor | COLOR_BTNSHADOW;
inline constexpr TColor clBtnHighlight = kSystemColor | COLOR_BTNHIGHLIGHT;
inline constexpr TColor clGrayText = kSystemColor | COLOR_GRAYTEXT;

COLORREF ColorToRGB(TColor color) noexcept;

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// A font as a form description gives it, its height at 96 DPI; the default is the forms'
// 8-point dialog font.
struct FontDesc {
    std::string name = "MS Sans Serif";
    int height = -11;
    TColor color = clWindowText;
    TFontStyles style = 0;
};

class TFont : public TPersistent {
public:
    TFont() = default;
    explicit TFont(FontDesc desc) : desc_(std::move(desc)) {}
    const char* ClassName() const override { return "TFont"; }

    void SetDesc(FontDesc desc);
    TColor Color() const noexcept { return desc_.color; }
    void SetColor(TColor color);
    void SetStyle(TFontStyles style);
    // The DPI the font is drawn at; the description's height is scaled to it.
    void SetDpi(int dpi);

    // The font's HFONT, made on first use. A face the system lacks falls back to the face of
    // the default GUI font at the same height.
    HFONT Handle() const;

    void Assign(const TPersistent* source) override;

    // Raised after every change, with the font as sender.
    Event<TObject*> OnChange;

private:
    void Changed(bool shape);

    FontDesc desc_;
    int dpi_ = kDesignDpi;
    mutable std::shared_ptr<const FontOwner> handle_;
};

}  // namespace fw
