#pragma once
// A connection's identity across two listings, and the pairing of the rows of two listings.
#include <span>
#include <string_view>
#include <vector>

namespace sockmere {

// A connection's identity across two listings: protocol, local port, remote address and remote
// port, and the owning process's ID while the process columns are shown (else empty).
struct ConnectionKey {
    std::string_view protocol, localPort, remoteAddress, remotePort, pid;
    friend bool operator==(const ConnectionKey&, const ConnectionKey&) = default;
};

// Pairs the rows of two listings by key; rows with equal keys pair in order (the first with
// the first, ...). Returns, for each row of `after`, the index of its partner in `before`, or -1
// when it is new. Rows of `before` that no row names are gone.
std::vector<int> PairRows(std::span<const ConnectionKey> before, std::span<const ConnectionKey> after);

}  // namespace sockmere
