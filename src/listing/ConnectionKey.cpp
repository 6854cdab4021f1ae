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
    std::vector<std::uint32_t> hashes(capacity);
    std::vector<int> next(before.size(), -1);

    auto find = [&](const ConnectionKey& key, std::uint32_t hash) {
        std::size_t slot = hash & mask;
        while (head[slot] >= 0 && (hashes[slot] != hash || !(before[static_cast<std::size_t>(head[slot])] == key)))
            slot = (slot + 1) & mask;
        return slot;
    };

    for (std::size_t i = 0; i < before.size(); ++i) {
        const std::uint32_t hash = KeyHash(before[i]);
        const std::size_t slot = find(before[i], hash);
        const int row = static_cast<int>(i);
        if (head[slot] < 0) {
            head[slot] = cursor[slot] = row;
            hashes[slot] = hash;
        } else {
            next[static_cast<std::size_t>(tail[slot])] = row;
        }
        tail[slot] = row;
    }

    std::vector<int> partner(after.size(), -1);
    for (std::size_t i = 0; i < after.size(); ++i) {
        const std::size_t slot = find(after[i], KeyHash(after[i]));
        if (head[slot] < 0 || cursor[slot] < 0) continue;
        partner[i] = cursor[slot];
        cursor[slot] = next[static_cast<std::size_t>(cursor[slot])];
    }
    return partner;
}

}  // namespace sockmere
