#include "tray/IconFiles.h"

#include <string>

namespace sockmere {

namespace {

constexpr std::size_t kHeaderSize = 6 + 16;
constexpr std::size_t kBitmapHeaderSize = 40;
constexpr std::size_t kPaletteSize = 16 * 4;
constexpr std::size_t kXorRowSize = kIconSide / 2;  // 4 bits a pixel, already a multiple of 4
constexpr std::size_t kAndRowSize = kIconSide / 8;
constexpr std::size_t kXorSize = kXorRowSize * kIconSide;
constexpr std::size_t kAndSize = kAndRowSize * kIconSide;
constexpr std::size_t kImageSize = kBitmapHeaderSize + kPaletteSize + kXorSize + kAndSize;
constexpr std::size_t kXorOffset = kHeaderSize + kBitmapHeaderSize + kPaletteSize;
constexpr std::size_t kAndOffset = kXorOffset + kXorSize;
static_assert(kHeaderSize + kImageSize == kIcon16FileSize);

std::uint32_t ReadLE(std::span<const std::uint8_t> bytes, std::size_t pos, int size) {
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | bytes[pos + std::size_t(i)];
    return v;
}

void WriteLE(std::vector<std::uint8_t>& out, std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

struct Field {
    const char* name;
    std::size_t offset;
    int size;
    std::uint32_t value;
};

// Everything before the palette, field by field.
constexpr Field kLayout[] = {
    {"header reserved", 0, 2, 0},
    {"header type", 2, 2, 1},
    {"image count", 4, 2, 1},
    {"entry width", 6, 1, 32},
    {"entry height", 7, 1, 32},
    {"entry colour count", 8, 1, 4},
    {"entry reserved", 9, 1, 0},
    {"entry planes", 10, 2, 0},
    {"entry bit count", 12, 2, 0},
    {"entry image size", 14, 4, kImageSize},
    {"entry image offset", 18, 4, kHeaderSize},
    {"bitmap header size", 22, 4, kBitmapHeaderSize},
    {"bitmap width", 26, 4, kIconSide},
    {"bitmap height", 30, 4, 2 * kIconSide},
    {"bitmap planes", 34, 2, 1},
    {"bitmap bit count", 36, 2, 4},
    {"bitmap compression", 38, 4, 0},
};

}  // namespace

const std::array<std::uint32_t, 16> kStandardPalette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

IconStreamWriter::IconStreamWriter(int count) {
    WriteInt(count);
}

void IconStreamWriter::WriteInt(std::int32_t value) {
    WriteLE(bytes_, static_cast<std::uint32_t>(value), 4);
}

void IconStreamWriter::Add(std::span<const std::uint8_t> iconFile) {
    WriteInt(static_cast<std::int32_t>(iconFile.size()));
    bytes_.insert(bytes_.end(), iconFile.begin(), iconFile.end());
}

std::vector<std::uint8_t> EncodeIcon16(const Icon16Pixels& pixels) {
    std::vector<std::uint8_t> out;
    out.reserve(kIcon16FileSize);
    for (const Field& f : kLayout) WriteLE(out, f.value, f.size);
    WriteLE(out, kXorSize + kAndSize, 4);  // image size
    out.insert(out.end(), 16, 0);          // resolution and colour counts: unused
    for (std::uint32_t rgb : kStandardPalette) WriteLE(out, rgb, 4);  // stored blue, green, red, 0

    // Both halves are stored bottom row first; a set mask bit lets the background through.
    for (int y = kIconSide - 1; y >= 0; --y) {
        for (int x = 0; x < kIconSide; x += 2) {
            auto nibble = [&](int px) {
                std::uint8_t p = pixels[std::size_t(y * kIconSide + px)];
                return std::uint8_t(p == kTransparentPixel ? 0 : p & 0x0F);
            };
            out.push_back(std::uint8_t(nibble(x) << 4 | nibble(x + 1)));
        }
    }
    for (int y = kIconSide - 1; y >= 0; --y) {
        for (int x = 0; x < kIconSide; x += 8) {
            std::uint8_t bits = 0;
            for (int b = 0; b < 8; ++b)
                if (pixels[std::size_t(y * kIconSide + x + b)] == kTransparentPixel) bits |= 0x80 >> b;
            out.push_back(bits);
        }
    }
    return out;
}

std::string CheckIcon16Layout(std::span<const std::uint8_t> file) {
    if (file.size() != kIcon16FileSize)
        return "size is " + std::to_string(file.size()) + ", not " + std::to_string(kIcon16FileSize);
    for (const Field& f : kLayout) {
        std::uint32_t v = ReadLE(file, f.offset, f.size);
        if (v != f.value)
            return std::string(f.name) + " is " + std::to_string(v) + ", not " + std::to_string(f.value);
    }
    for (std::size_t i = 0; i < kStandardPalette.size(); ++i) {
        if (ReadLE(file, kHeaderSize + kBitmapHeaderSize + 4 * i, 4) != kStandardPalette[i])
            return "palette colour " + std::to_string(i) + " is not the standard one";
    }
    return {};
}

Icon16Pixels DecodeIcon16(std::span<const std::uint8_t> file) {
    std::string problem = CheckIcon16Layout(file);
    if (!problem.empty()) throw IconStreamError("Not a 32x32 16-colour icon: " + problem);
    Icon16Pixels pixels{};
    for (int y = 0; y < kIconSide; ++y) {
        std::size_t row = std::size_t(kIconSide - 1 - y);
        for (int x = 0; x < kIconSide; ++x) {
            std::uint8_t mask = file[kAndOffset + row * kAndRowSize + std::size_t(x / 8)];
            std::uint8_t color = file[kXorOffset + row * kXorRowSize + std::size_t(x / 2)];
            bool transparent = mask & (0x80 >> (x % 8));
            pixels[std::size_t(y * kIconSide + x)] =
                transparent ? kTransparentPixel : std::uint8_t(x % 2 ? color & 0x0F : color >> 4);
        }
    }
    return pixels;
}

}  // namespace sockmere
