#include "listing/ConnectionKey.h"

#include <cstddef>
#include <cstdint>

namespace sockmere {

namespace {

// FNV-1a over the fields, each closed by a byte no field holds, so "ab"+"c" differs from "a"+"bc".
std::uint32_t FieldsHash(std::initializer_list<std::string_view> fields) noexcept {
    std::uint32_t h = 2166136261u;
    for (std::string_view field : fields) {
        for (unsigned char c : field) h = (h ^ c) * 16777619u;
        h = (h ^ 0xFFu) * 16777619u;
    }
    return h;
}

struct Listing {
    std::span<const ConnectionKey> keys;
    std::span<const std::string_view> status;  // empty when the pass pairs by key alone
    std::uint32_t Hash(std::size_t row) const noexcept {
        const ConnectionKey& k = keys[row];
        return FieldsHash({k.protocol, k.localPort, k.remoteAddress, k.remotePort,
                           status.empty() ? std::string_view() : status[row]});
    }
};

// Pairs the rows of after without a partner with the rows of before not yet taken, in order
// among equal rows.
void PairInOrder(const Listing& before, const Listing& after, std::vector<int>& partner, std::vector<char>& taken) {
    // Open addressing over the distinct rows of before. A slot holds the first row of before with
    // its key that no row of after took yet (the others follow through next), -2 minus the last
    // one once all are taken, or -1 while unused.
    const std::size_t count = before.keys.size();
    std::size_t capacity = 16;
    while (capacity < count * 2) capacity *= 2;
    const std::size_t mask = capacity - 1;
    std::vector<int> slots(capacity, -1), next(count, -1);
    std::vector<std::uint32_t> hashes(capacity);
    for (std::size_t step = 0; step < count + after.keys.size(); ++step) {
        // Before goes in from its last row to its first, so that each chain runs in order.
        const bool taking = step >= count;
        const std::size_t row = taking ? step - count : count - 1 - step;
        if (taking ? partner[row] >= 0 : taken[row] != 0) continue;
        const Listing& side = taking ? after : before;
        const std::uint32_t hash = side.Hash(row);
        std::size_t slot = hash & mask;
        for (int s; (s = slots[slot]) != -1; slot = (slot + 1) & mask) {
            const auto b = static_cast<std::size_t>(s >= 0 ? s : -2 - s);
            if (hashes[slot] == hash && before.keys[b] == side.keys[row] &&
                (before.status.empty() || before.status[b] == side.status[row]))
                break;
        }
        int& first = slots[slot];
        if (!taking) {
            next[row] = first;
            first = static_cast<int>(row);
            hashes[slot] = hash;
        } else if (first >= 0) {
            partner[row] = first;
            taken[static_cast<std::size_t>(first)] = 1;
            const int following = next[static_cast<std::size_t>(first)];
            first = following >= 0 ? following : -2 - first;
        }
    }
}

}  // namespace

std::vector<int> PairRows(std::span<const ConnectionKey> before, std::span<const ConnectionKey> after,
                          std::span<const std::string_view> beforeStatus,
                          std::span<const std::string_view> afterStatus) {
    std::vector<int> partner(after.size(), -1);
    std::vector<char> taken(before.size());
    // The same status first; what that leaves pairs by key alone.
    if (beforeStatus.size() == before.size() && afterStatus.size() == after.size())
        PairInOrder({before, beforeStatus}, {after, afterStatus}, partner, taken);
    PairInOrder({before, {}}, {after, {}}, partner, taken);
    return partner;
}

}  // namespace sockmere
