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
    // Open addressing over the distinct keys of before; each slot heads a chain of the rows with
    // that key in their order, and its cursor walks the chain as rows of after take them.
    std::size_t capacity = 16;
    while (capacity < before.size() * 2) capacity *= 2;
    const std::size_t mask = capacity - 1;
    std::vector<int> head(capacity, -1), cursor(capacity, -1), tail(capacity, -1);
    std::vector<int> hashes(capacity);
    std::vector<int> next(before.size(), -1);

    // Rows of before go in first, then rows of after take them, all by one probe.
    std::vector<int> partner(after.size(), -1);
    for (std::size_t i = 0; i < before.size() + after.size(); ++i) {
        const bool taking = i >= before.size();
        const ConnectionKey& key = taking ? after[i - before.size()] : before[i];
        const std::uint32_t hash = KeyHash(key);
        std::size_t slot = hash & mask;
        while (head[slot] >= 0 && (hashes[slot] != static_cast<int>(hash) || !(before[static_cast<std::size_t>(head[slot])] == key)))
            slot = (slot + 1) & mask;
        if (taking) {
            if (const int row = cursor[slot]; row >= 0) {
                partner[i - before.size()] = row;
                cursor[slot] = next[static_cast<std::size_t>(row)];
            }
        } else if (const int row = static_cast<int>(i); head[slot] < 0) {
            head[slot] = cursor[slot] = row;
            hashes[slot] = static_cast<int>(hash);
            tail[slot] = row;
        } else {
            next[static_cast<std::size_t>(tail[slot])] = row;
            tail[slot] = row;
        }
    }
    return partner;
}

}  // namespace sockmere
