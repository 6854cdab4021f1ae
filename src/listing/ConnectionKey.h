#pragma once
// A connection's identity across two listings, and the pairing of the rows of two listings.
#include <span>
#include <string_view>
#include <vector>

namespace sockmere {

// A connection's identity across two listings: protocol, local port, remote address and remote
// port. The owning process's ID is not part of it: netstat gives a closing connection PID 0.
struct ConnectionKey {
    std::string_view protocol, localPort, remoteAddress, remotePort;
    friend bool operator==(const ConnectionKey&, const ConnectionKey&) = default;
};

// Pairs the rows of two listings by key. Rows with equal keys pair first with a row of the same
// status (when statuses are given, one per row), then in order (the first with the first, ...).
// Returns, for each row of `after`, the index of its partner in `before`, or -1 when it is new.
// Rows of `before` that no row names are gone.
std::vector<int> PairRows(std::span<const ConnectionKey> before, std::span<const ConnectionKey> after,
                          std::span<const std::string_view> beforeStatus = {},
                          std::span<const std::string_view> afterStatus = {});

}  // namespace sockmere
