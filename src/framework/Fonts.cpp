#include "framework/Fonts.h"

#include <cstring>
#include <utility>
#include <vector>

namespace fw {

namespace {

struct FontKey {
    std::string name;
    int height;
    TFontStyles style;
    bool operator==(const FontKey&) const = default;
};

int CALLBACK NoteFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(const std::string& face) {
    static std::vector<std::pair<std::string, bool>> known;
    for (const auto& [name, installed] : known)
        if (name == face) return installed;
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    bool found = false;
    WindowDC dc(nullptr);
    ::EnumFontFamiliesExA(dc.Get(), &lf, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
    known.emplace_back(face, found);
    return found;
}

std::string FallbackFace() {
    LOGFONTA lf{};
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return lf.lfFaceName;
}

std::shared_ptr<const FontOwner> SharedFont(const FontKey& key) {
    // Weak entries: a font lives as long as some TFont uses it.
    static std::vector<std::pair<FontKey, std::weak_ptr<const FontOwner>>> cache;
    for (auto it = cache.begin(); it != cache.end();) {
        if (it->second.expired()) {
            it = cache.erase(it);
            continue;
        }
        if (it->first == key) return it->second.lock();
        ++it;
    }
    LOGFONTA lf{};
    lf.lfHeight = key.height;
    lf.lfWeight = key.style & fsBold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = key.style & fsItalic ? TRUE : FALSE;
    lf.lfUnderline = key.style & fsUnderline ? TRUE : FALSE;
    lf.lfStrikeOut = key.style & fsStrikeOut ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    std::string face = FaceInstalled(key.name) ? key.name : FallbackFace();
    std::strncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    auto font = std::make_shared<const FontOwner>(::CreateFontIndirectA(&lf));
    cache.emplace_back(key, font);
    return font;
}

}  // namespace

COLORREF ColorToRGB(TColor color) noexcept {
    if (color & kSystemColor) return ::GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color & 0xFFFFFF);
}

void TFont::SetDesc(FontDesc desc) {
    bool shape = desc.name != desc_.name || desc.height != desc_.height || desc.style != desc_.style;
    bool colour = desc.color != desc_.color;
    desc_ = std::move(desc);
    if (shape || colour) Changed(shape);
}

void TFont::SetColor(TColor color) {
    if (color == desc_.color) return;
    desc_.color = color;
    Changed(false);
}

void TFont::SetDpi(int dpi) {
    if (dpi == dpi_) return;
    dpi_ = dpi;
    Changed(true);
}

void TFont::SetStyle(TFontStyles style) {
    if (style == desc_.style) return;
    desc_.style = style;
    Changed(true);
}

HFONT TFont::Handle() const {
    if (!handle_) handle_ = SharedFont({desc_.name, ScaleLength(desc_.height, dpi_), desc_.style});
    return handle_->Get();
}

void TFont::Assign(const TPersistent* source) {
    if (auto* font = dynamic_cast<const TFont*>(source)) {
        if (font->dpi_ != dpi_) {
            // One change for both, so followers see the new font once.
            desc_ = font->desc_;
            dpi_ = font->dpi_;
            Changed(true);
            return;
        }
        SetDesc(font->desc_);
        return;
    }
    TPersistent::Assign(source);
}

void TFont::Changed(bool shape) {
    if (shape) handle_.reset();
    OnChange(this);
}

}  // namespace fw
