// Reading an "Icons" stream, apart from the icon files' writing and checking, which only the
// tools and tests need: the program links this alone.
#include "tray/IconFiles.h"

namespace sockmere {

IconStreamReader::IconStreamReader(std::span<const std::uint8_t> stream) : stream_(stream) {
    std::int32_t n = ReadInt();
    count_ = n < 0 ? 0 : n;
}

std::int32_t IconStreamReader::ReadInt() {
    if (stream_.size() - pos_ < 4) throw IconStreamError("Stream read error");
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;) v = v << 8 | stream_[pos_ + i];  // little-endian
    pos_ += 4;
    return static_cast<std::int32_t>(v);
}

std::span<const std::uint8_t> IconStreamReader::Next() {
    if (read_ >= count_) throw IconStreamError("Stream read error");
    std::int32_t size = ReadInt();
    ++read_;
    if (size <= 0) return {};
    if (stream_.size() - pos_ < std::size_t(size)) throw IconStreamError("Stream read error");
    auto entry = stream_.subspan(pos_, std::size_t(size));
    pos_ += std::size_t(size);
    return entry;
}

}  // namespace sockmere
