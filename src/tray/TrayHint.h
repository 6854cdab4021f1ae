#pragma once
// The part of a tray icon's hint that the notification area shows.
#include <cstddef>
#include <string>
#include <string_view>

namespace sockmere {

// The tip field holds 64 bytes with the terminating zero.
inline constexpr std::size_t kMaxTipLength = 63;

// The text before the first "|" (all of it when there is none), cut to kMaxTipLength.
std::string ShortHint(std::string_view hint);

}  // namespace sockmere
