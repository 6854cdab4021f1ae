#include "listing/ConnectionKey.h"

#include <cstddef>
#include <cstdint>

namespace sockmere {

namespace {

// FNV-1a over the fields, each closed by a byte no field holds, so "ab"+"c" differs from "a"+"bc".
std::uint32_t KeyHash(const ConnectionKey& key) noexcept {
    std::uint32_t h = 2166136261u;
    for (std::string_view field : {key.protocol, key.localPort, key.remoteAddress, key.remotePort, key.pid}) {
        for (unsigned char c : field) h = (h ^ c) * 16777619u;
        h = (h ^ 0xFFu) * 16777619u;
    }
    return h;
}

}  // namespace

std::vector<int> PairRows(std::span<const ConnectionKey> before, std::span<const ConnectionKey> after) {
    // Open addressing over the distinct keys of before. A slot holds the first row of before with
    // its key that no row of after took yet (the others follow through next), -2 minus the last
    // one once all are taken, or -1 while unused.
    std::size_t capacity = 16;
    while (capacity < before.size() * 2) capacity *= 2;
    const std::size_t mask = capacity - 1, count = before.size();
    std::vector<int> slots(capacity, -1), hashes(capacity), next(count, -1), partner(after.size(), -1);
    for (std::size_t step = 0; step < count + after.size(); ++step) {
        // Before goes in from its last row to its first, so that each chain runs in order.
        const bool taking = step >= count;
        const std::size_t i = taking ? step - count : count - 1 - step;
        const ConnectionKey& key = taking ? after[i] : before[i];
        const int hash = static_cast<int>(KeyHash(key));
        std::size_t slot = static_cast<std::size_t>(hash) & mask;
        for (int s; (s = slots[slot]) != -1; slot = (slot + 1) & mask)
            if (hashes[slot] == hash && before[static_cast<std::size_t>(s >= 0 ? s : -2 - s)] == key) break;
        int& first = slots[slot];
        if (!taking) {
            next[i] = first;
            first = static_cast<int>(i);
            hashes[slot] = hash;
        } else if (first >= 0) {
            partner[i] = first;
            const int following = next[static_cast<std::size_t>(first)];
            first = following >= 0 ? following : -2 - first;
        }
    }
    return partner;
}

}  // namespace sockmere
