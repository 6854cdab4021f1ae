#include "ui/RowChanges.h"


#include <iterator>

#include "ui/TableText.h"

namespace sockmere {

ConnectionKey TableRowKey(std::span<const std::string_view> cells) noexcept {
    auto cell = [&](std::size_t column) { return column < cells.size() ? cells[column] : std::string_view(); };
    return {cell(1), cell(2), cell(3), cell(4)};
}

RowChanges CompareListings(const ListingKeys& before, const ListingKeys& after) {
    const std::vector<int> partner = PairRows(before.keys, after.keys, before.status, after.status);
    const bool pids = before.pid.size() == before.keys.size() && after.pid.size() == after.keys.size();
    RowChanges changes;
    changes.marks.assign(after.keys.size(), kRowSame);
    // Paired rows of before are marked kept here.
    std::string kept(before.keys.size(), '\0');
    for (std::size_t i = 0; i < partner.size(); ++i) {
        const int p = partner[i];
        if (p < 0) {
            changes.marks[i] = kRowNew;
            ++changes.counts.added;
        } else {
            kept[static_cast<std::size_t>(p)] = 1;
            const auto q = static_cast<std::size_t>(p);
            if (before.status[q] != after.status[i] || (pids && before.pid[q] != after.pid[i])) {
                changes.marks[i] = kRowChanged;
                ++changes.counts.changed;
            }
        }
    }
    std::vector<int> closed(kept.size());
    for (std::size_t i = 0; i < kept.size(); ++i)
        if (!kept[i]) closed[static_cast<std::size_t>(changes.counts.closed++)] = static_cast<int>(i);
    closed.erase(closed.begin() + changes.counts.closed, closed.end());
    changes.closed = std::move(closed);
    return changes;
}

std::string ChangeCountsText(const ChangeCounts& counts) {
    const int n[] = {counts.added, counts.changed, counts.closed};
    const char* const what[] = {" new", " changed", " closed"};
    std::string text;
    for (int i = 0; i < 3; ++i) {
        if (n[i] == 0) continue;
        char digits[12];
        char* first = std::end(digits);
        for (unsigned v = static_cast<unsigned>(n[i]); first == std::end(digits) || v; v /= 10)
            *--first = static_cast<char>('0' + v % 10);
        text += text.empty() ? " " : ", ";
        text.append(first, std::end(digits));
        text += what[i];
    }
    if (!text.empty()) text += '.';
    return text;
}

}  // namespace sockmere
