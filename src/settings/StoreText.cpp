#include "settings/StoreText.h"

#include <cstdint>
#include <limits>

namespace sockmere {

namespace {

// The longest name a kernel object may have.
constexpr std::size_t kMaxLockName = 260;

std::string_view FileNamePart(std::string_view path) {
    const std::size_t sep = path.find_last_of("\\:");
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

int HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSeparator(char c) noexcept { return c == ' ' || c == ','; }

}  // namespace

std::string ApplicationKeyName(std::string_view modulePath) {
    const std::string_view name = FileNamePart(modulePath);
    const std::size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string RegistryKeyForModule(std::string_view modulePath) {
    return "Software\\" + ApplicationKeyName(modulePath);
}

std::string IniFileNameForModule(std::string_view modulePath) {
    return ApplicationKeyName(modulePath) + ".INI";
}

std::int32_t DecimalOr(std::string_view text, std::int32_t fallback) noexcept {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return fallback;
    // One past the largest magnitude, so the scan stops before it can overflow.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 2;
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return fallback;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude >= kLimit) return fallback;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) return fallback;
    return static_cast<std::int32_t>(value);
}

std::int32_t StoredNumber(std::string_view text, std::int32_t fallback) noexcept {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint64_t value = 0;
        for (char c : text.substr(2)) {
            const int digit = HexDigit(c);
            if (digit < 0) return fallback;
            value = value * 16 + static_cast<unsigned>(digit);
            if (value > 0xFFFFFFFFu) return fallback;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    return DecimalOr(text, fallback);
}

std::string NumberText(std::int32_t value) { return std::to_string(value); }

std::string_view PositionWord(std::string_view text, int n) noexcept {
    std::size_t at = 0;
    for (int word = 1; at < text.size(); ++word) {
        while (at < text.size() && IsSeparator(text[at])) ++at;
        const std::size_t start = at;
        while (at < text.size() && !IsSeparator(text[at])) ++at;
        if (start == at) break;
        if (word == n) return text.substr(start, at - start);
    }
    return {};
}

std::string PositionText(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
    return NumberText(a) + ',' + NumberText(b) + ',' + NumberText(c) + ',' + NumberText(d);
}

std::string ScreenSizeSuffix(int width, int height) {
    return '(' + std::to_string(width) + 'x' + std::to_string(height) + ')';
}

std::string SettingsLockName(std::string_view storeName) {
    std::string name = "Local\\Sockmere.settings:";
    for (char c : storeName) name += c == '\\' ? '/' : c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    if (name.size() > kMaxLockName) name.resize(kMaxLockName);
    return name;
}

}  // namespace sockmere
