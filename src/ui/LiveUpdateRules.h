#pragma once
// The rules of live updates: the intervals offered and their stored text, when the next update
// is due, and where a row of the table is found again after an update.
#include <cstdint>
#include <cstddef>
#include <span>
#include <string_view>

#include "listing/ConnectionKey.h"

namespace sockmere {

// The choices of "Refresh Every", in menu order, in seconds (0 is off), and their captions.
inline constexpr int kRefreshChoices[] = {0, 1, 2, 5, 10, 30};
inline constexpr const char* kRefreshCaptions[] = {"Off",       "1 Second",   "2 Seconds",
                                                   "5 Seconds", "10 Seconds", "30 Seconds"};

// The stored seconds: one of the choices in plain decimal digits, anything else is off.
int StoredRefreshSeconds(std::string_view text) noexcept;

// Milliseconds until an update is due, intervalMs after lastEnd; 0 once it is. Tick counts wrap.
std::uint32_t UpdateWait(std::uint32_t now, std::uint32_t lastEnd, std::uint32_t intervalMs) noexcept;

// Rows with equal keys pair in order across two listings, the first with the first, the second
// with the second: a row is found again as the row of its key and rank, the number of rows with
// its key before it.
std::size_t KeyRank(std::span<const ConnectionKey> keys, std::size_t row) noexcept;
// The row with key and rank, or -1 when there is none.
int FindKeyRank(std::span<const ConnectionKey> keys, const ConnectionKey& key, std::size_t rank) noexcept;

}  // namespace sockmere
