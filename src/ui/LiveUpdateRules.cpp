#include "ui/LiveUpdateRules.h"

#include <algorithm>
#include <iterator>

namespace sockmere {

int StoredRefreshSeconds(std::string_view text) noexcept {
    constexpr std::string_view kTexts[] = {"0", "1", "2", "5", "10", "30"};
    for (std::size_t i = 0; i < std::size(kTexts); ++i)
        if (text == kTexts[i]) return kRefreshChoices[i];
    return 0;
}

std::uint32_t UpdateWait(std::uint32_t now, std::uint32_t lastEnd, std::uint32_t intervalMs) noexcept {
    const std::uint32_t since = now - lastEnd;
    return since >= intervalMs ? 0 : intervalMs - since;
}

std::size_t KeyRank(std::span<const ConnectionKey> keys, std::size_t row) noexcept {
    if (row >= keys.size()) return 0;
    return static_cast<std::size_t>(std::count(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(row), keys[row]));
}

int FindKeyRank(std::span<const ConnectionKey> keys, const ConnectionKey& key, std::size_t rank) noexcept {
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key && rank-- == 0) return static_cast<int>(i);
    return -1;
}

}  // namespace sockmere
