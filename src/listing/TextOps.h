#pragma once
// Text operations of the listing parser over string_view; positions count from 1.
#include <cstddef>
#include <string_view>

namespace sockmere::text {

using Count = std::ptrdiff_t;

constexpr Count Length(std::string_view t) noexcept { return static_cast<Count>(t.size()); }

// The first k chars; all of t when k exceeds its length, empty when k <= 0.
constexpr std::string_view First(std::string_view t, Count k) noexcept {
    if (k <= 0) return t.substr(0, 0);
    return k >= Length(t) ? t : t.substr(0, static_cast<std::size_t>(k));
}

// At most k chars from position p; p < 1 counts as 1, empty when p is beyond the end.
constexpr std::string_view From(std::string_view t, Count p, Count k) noexcept {
    if (p < 1) p = 1;
    if (p > Length(t)) return t.substr(t.size());
    return First(t.substr(static_cast<std::size_t>(p - 1)), k);
}

// t without its first k chars; unchanged when k <= 0, empty when k >= its length.
constexpr std::string_view Drop(std::string_view t, Count k) noexcept {
    if (k <= 0) return t;
    return k >= Length(t) ? t.substr(t.size()) : t.substr(static_cast<std::size_t>(k));
}

// Position of the first c in t, 0 when there is none.
constexpr Count Find(char c, std::string_view t) noexcept {
    const std::size_t at = t.find(c);
    return at == std::string_view::npos ? 0 : static_cast<Count>(at) + 1;
}

// Chars of code 0..32 count as blank; bytes are unsigned so 0x80..0xFF are text.
constexpr bool IsBlank(char c) noexcept { return static_cast<unsigned char>(c) <= 32; }

constexpr std::string_view TrimLeft(std::string_view t) noexcept {
    std::size_t i = 0;
    while (i < t.size() && IsBlank(t[i])) ++i;
    return t.substr(i);
}

constexpr std::string_view Trim(std::string_view t) noexcept {
    t = TrimLeft(t);
    std::size_t n = t.size();
    while (n > 0 && IsBlank(t[n - 1])) --n;
    return t.substr(0, n);
}

}  // namespace sockmere::text
