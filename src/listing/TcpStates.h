#pragma once
// Plain-words explanations of the TCP states that the listing shows.
#include <string_view>

namespace sockmere {

// The explanation of an exact, case-sensitive state name; "???" for anything else.
std::string_view DescribeTcpState(std::string_view state) noexcept;

}  // namespace sockmere
