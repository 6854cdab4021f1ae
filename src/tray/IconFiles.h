#pragma once
// The byte formats behind the tray icon's pictures: the "Icons" stream of an icon list, and the
// single-image 32x32, 16-colour icon file that each of the program's icons is.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace sockmere {

// Keeps its message itself, as the program's other errors do.
class IconStreamError : public std::exception {
public:
    explicit IconStreamError(std::string message) noexcept : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Reads an "Icons" stream entry by entry: a 32-bit count N, then N times a 32-bit length S
// and S bytes of icon file (none when S <= 0); all little-endian, nothing else.
class IconStreamReader {
public:
    // Reads N; a negative N counts as no entries. Throws IconStreamError on a short stream.
    explicit IconStreamReader(std::span<const std::uint8_t> stream);

    int Count() const noexcept { return count_; }
    // The next entry's icon file; empty for an entry stored with S <= 0. Throws
    // IconStreamError when the stream ends first or all N entries were read.
    std::span<const std::uint8_t> Next();

private:
    std::int32_t ReadInt();

    std::span<const std::uint8_t> stream_;
    std::size_t pos_ = 0;
    int count_ = 0;
    int read_ = 0;
};

// Writes an "Icons" stream; an empty entry is stored as S = 0.
class IconStreamWriter {
public:
    explicit IconStreamWriter(int count);
    void Add(std::span<const std::uint8_t> iconFile);
    const std::vector<std::uint8_t>& Bytes() const noexcept { return bytes_; }

private:
    void WriteInt(std::int32_t value);

    std::vector<std::uint8_t> bytes_;
};

// The 32x32 picture of one of the program's icons, rows top-down: each pixel is an index into
// the standard 16-colour palette, or kTransparentPixel.
inline constexpr int kIconSide = 32;
inline constexpr std::uint8_t kTransparentPixel = 0xFF;
using Icon16Pixels = std::array<std::uint8_t, kIconSide * kIconSide>;

// The standard 16 colours as 0xRRGGBB, in palette order.
extern const std::array<std::uint32_t, 16> kStandardPalette;
enum PaletteIndex : std::uint8_t {
    kBlack = 0, kMaroon, kGreen, kOlive, kNavy, kPurple, kTeal, kSilver,
    kGray, kRed, kLime, kYellow, kBlue, kFuchsia, kCyan, kWhite
};

// Every one of the program's icons is a file of exactly this size and layout.
inline constexpr std::size_t kIcon16FileSize = 766;

// Writes the picture as a single-image icon file: a 6-byte header, one 16-byte directory entry
// (32, 32, colour-count byte 4, planes and bit count 0, 744 bytes at offset 22), a 40-byte
// bitmap header of 32x64 at 4 bits, the palette, 512 bytes of colour and 128 of mask.
std::vector<std::uint8_t> EncodeIcon16(const Icon16Pixels& pixels);
// The first way in which file differs from that layout, or an empty text when it does not.
std::string CheckIcon16Layout(std::span<const std::uint8_t> file);
// Reads the picture back; throws IconStreamError when the layout differs.
Icon16Pixels DecodeIcon16(std::span<const std::uint8_t> file);

}  // namespace sockmere
