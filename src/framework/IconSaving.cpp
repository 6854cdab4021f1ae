// Saving an icon in icon-file form, apart from the rest of TIcon: a program that never writes
// pictures links without it.
#include "framework/Graphics.h"

#include "framework/Errors.h"

namespace fw {

namespace {

constexpr std::size_t kDirHeaderSize = 6;
constexpr std::size_t kDirEntrySize = 16;
constexpr std::size_t kBitmapHeaderSize = 40;

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(std::uint8_t(v)), out.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF), Put16(out, v >> 16);
}

// The bottom-up bits of a bitmap at the given depth (1 or 32), as an icon image stores them.
std::vector<std::uint8_t> DibBits(HDC dc, HBITMAP bitmap, int width, int height, int depth) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(depth);
    info.header.biCompression = BI_RGB;
    std::size_t stride = ((std::size_t(width) * depth + 31) / 32) * 4;
    std::vector<std::uint8_t> bits(stride * std::size_t(height));
    if (::GetDIBits(dc, bitmap, 0, UINT(height), bits.data(), reinterpret_cast<BITMAPINFO*>(&info),
                    DIB_RGB_COLORS) != height)
        throw Error("Cannot read the icon's bitmap");
    return bits;
}

// An icon file holding one image built from the handle: 32 bits per pixel plus the mask, or
// 1 bit per pixel for a monochrome icon.
std::vector<std::uint8_t> BuildIconFile(HICON icon) {
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info)) throw Error("Cannot read the icon");
    BitmapOwner color(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    ::GetObjectA(mask.Get(), sizeof bm, &bm);
    const int width = bm.bmWidth;
    const int height = color ? bm.bmHeight : bm.bmHeight / 2;
    const int depth = color ? 32 : 1;

    WindowDC screen(nullptr);
    std::vector<std::uint8_t> pixels;
    if (color) {
        pixels = DibBits(screen.Get(), color.Get(), width, height, 32);
        std::vector<std::uint8_t> andBits = DibBits(screen.Get(), mask.Get(), width, height, 1);
        pixels.insert(pixels.end(), andBits.begin(), andBits.end());
    } else {
        // A monochrome mask bitmap, read bottom-up, is the image's XOR half and then its AND half.
        pixels = DibBits(screen.Get(), mask.Get(), width, height * 2, 1);
    }

    const std::uint32_t paletteSize = depth == 1 ? 8 : 0;
    const auto imageSize = static_cast<std::uint32_t>(kBitmapHeaderSize + paletteSize + pixels.size());
    std::vector<std::uint8_t> out;
    out.reserve(kDirHeaderSize + kDirEntrySize + imageSize);
    Put16(out, 0), Put16(out, 1), Put16(out, 1);
    out.push_back(std::uint8_t(width >= 256 ? 0 : width));
    out.push_back(std::uint8_t(height >= 256 ? 0 : height));
    out.push_back(0), out.push_back(0);
    Put16(out, 1), Put16(out, unsigned(depth));
    Put32(out, imageSize), Put32(out, kDirHeaderSize + kDirEntrySize);
    Put32(out, kBitmapHeaderSize), Put32(out, std::uint32_t(width)), Put32(out, std::uint32_t(height * 2));
    Put16(out, 1), Put16(out, unsigned(depth));
    Put32(out, BI_RGB), Put32(out, std::uint32_t(pixels.size()));
    Put32(out, 0), Put32(out, 0), Put32(out, 0), Put32(out, 0);
    if (depth == 1) Put32(out, 0x000000), Put32(out, 0xFFFFFF);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

}  // namespace

void TIcon::SaveToStream(std::vector<std::uint8_t>& out) const {
    if (!bytes_.empty()) {
        out.insert(out.end(), bytes_.begin(), bytes_.end());
    } else if (handle_) {
        std::vector<std::uint8_t> file = BuildIconFile(handle_.Get());
        out.insert(out.end(), file.begin(), file.end());
    }
}

}  // namespace fw
