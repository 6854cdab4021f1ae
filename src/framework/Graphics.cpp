#include "framework/Graphics.h"

#include <cstring>
#include <limits>

#include "framework/DpiScale.h"
#include "framework/Errors.h"

namespace fw {

std::atomic<long> TIcon::liveHandles_{0};

namespace {

constexpr std::size_t kDirHeaderSize = 6;
constexpr std::size_t kDirEntrySize = 16;
constexpr std::size_t kBitmapHeaderSize = 40;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint16_t Read16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t Read32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

struct Decoded {
    HICON icon = nullptr;
    int width = 0;
    int height = 0;
};

[[noreturn]] void ThrowInvalid() {
    throw Error("Icon image is not valid");
}

// One image of an icon file, with its size and depth as its own header states them: the
// directory entry may carry 0 for the depth and 0 for 256 pixels.
struct Candidate {
    std::size_t offset = 0, size = 0;
    int width = 0, height = 0, depth = 0;
};

bool ReadCandidate(std::span<const std::uint8_t> file, const std::uint8_t* entry, Candidate& c) {
    c.size = Read32(entry + 8);
    c.offset = Read32(entry + 12);
    if (c.offset > file.size() || c.size > file.size() - c.offset || c.size < sizeof kPngSignature)
        return false;
    const std::uint8_t* image = file.data() + c.offset;
    if (std::memcmp(image, kPngSignature, sizeof kPngSignature) == 0) {
        c.width = entry[0] ? entry[0] : 256;
        c.height = entry[1] ? entry[1] : 256;
        c.depth = 32;
        return true;
    }
    if (c.size < kBitmapHeaderSize || Read32(image) < kBitmapHeaderSize) return false;
    auto width = static_cast<std::int32_t>(Read32(image + 4));
    auto height = static_cast<std::int32_t>(Read32(image + 8));
    if (width <= 0 || height <= 0 || width > 1024 || height > 2048) return false;
    c.width = width;
    c.height = height / 2;
    c.depth = Read16(image + 14);
    return c.height > 0;
}

Decoded Decode(std::span<const std::uint8_t> file) {
    if (file.size() < kDirHeaderSize || Read16(file.data()) != 0 || Read16(file.data() + 2) != 1)
        ThrowInvalid();
    std::size_t count = Read16(file.data() + 4);
    if (count == 0 || file.size() < kDirHeaderSize + count * kDirEntrySize) ThrowInvalid();

    // The image nearest the system's icon size wins; among equals, the deepest.
    const int want = ::GetSystemMetrics(SM_CXICON);
    Candidate best;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < count; ++i) {
        Candidate c;
        if (!ReadCandidate(file, file.data() + kDirHeaderSize + i * kDirEntrySize, c)) continue;
        int distance = c.width > want ? c.width - want : want - c.width;
        if (distance < bestDistance || (distance == bestDistance && c.depth > best.depth)) {
            best = c;
            bestDistance = distance;
        }
    }
    if (best.size == 0) ThrowInvalid();

    HICON icon = ::CreateIconFromResourceEx(const_cast<PBYTE>(file.data() + best.offset),
                                            static_cast<DWORD>(best.size), TRUE, 0x00030000,
                                            best.width, best.height, LR_DEFAULTCOLOR);
    if (!icon) ThrowInvalid();
    return {icon, best.width, best.height};
}

// The size of an icon handle's picture; zero when it is not an icon.
SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return {0, 0};
    BitmapOwner color(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    ::GetObjectA(mask.Get(), sizeof bm, &bm);
    return {bm.bmWidth, color ? bm.bmHeight : bm.bmHeight / 2};
}

}  // namespace

TIcon::~TIcon() {
    Adopt(nullptr, 0, 0, {});
}

void TIcon::Adopt(HICON icon, int width, int height, std::vector<std::uint8_t> bytes) noexcept {
    if (icon != handle_.Get()) {
        if (handle_) liveHandles_.fetch_sub(1);
        handle_.Reset(icon);
        if (icon) liveHandles_.fetch_add(1);
    }
    bytes_ = std::move(bytes);
    width_ = icon ? width : 0;
    height_ = icon ? height : 0;
    module_ = nullptr;
    resource_ = nullptr;
}

void TIcon::SetHandle(HICON icon) {
    SIZE size = IconSize(icon);
    Adopt(icon, size.cx, size.cy, {});
    Changed();
}

void TIcon::Assign(const TPersistent* source) {
    if (!source) {
        Adopt(nullptr, 0, 0, {});
        Changed();
        return;
    }
    auto* other = dynamic_cast<const TIcon*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    if (!other->bytes_.empty()) {
        std::vector<std::uint8_t> bytes = other->bytes_;
        Decoded d = Decode(bytes);
        Adopt(d.icon, d.width, d.height, std::move(bytes));
    } else if (other->handle_) {
        HICON copy = ::CopyIcon(other->handle_.Get());
        if (!copy) throw Error("Cannot copy the icon");
        Adopt(copy, other->width_, other->height_, {});
        module_ = other->module_;
        resource_ = other->resource_;
    } else {
        Adopt(nullptr, 0, 0, {});
    }
    Changed();
}

void TIcon::LoadFromStream(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    Decoded d = Decode(copy);
    Adopt(d.icon, d.width, d.height, std::move(copy));
    Changed();
}

void TIcon::LoadResource(HMODULE module, const char* name, int size) {
    auto icon = static_cast<HICON>(::LoadImageA(module, name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    Adopt(icon, size, size, {});
    if (icon) module_ = module, resource_ = name;
    Changed();
}

void TIcon::ChangeScale(int fromDpi, int toDpi) {
    if (!resource_ || fromDpi == toDpi) return;
    const int size = ScaleLength(width_, toDpi, fromDpi);
    auto icon = static_cast<HICON>(::LoadImageA(module_, resource_, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    // A picture that cannot be had at the new size is better kept than lost.
    if (!icon) return;
    const HMODULE module = module_;
    const char* name = resource_;
    Adopt(icon, size, size, {});
    module_ = module, resource_ = name;
    Changed();
}

}  // namespace fw
