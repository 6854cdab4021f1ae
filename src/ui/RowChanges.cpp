#include "ui/RowChanges.h"

#include "ui/TableText.h"

namespace sockmere {

KeyedRow TableRowKey(std::span<const std::string_view> cells, bool withPid) noexcept {
    auto cell = [&](std::size_t column) { return column < cells.size() ? cells[column] : std::string_view(); };
    return {{cell(1), cell(2), cell(3), cell(4), withPid ? cell(kPidColumn) : std::string_view()}, cell(5)};
}

RowChanges CompareListings(std::span<const KeyedRow> before, std::span<const KeyedRow> after) {
    std::vector<ConnectionKey> keys;
    keys.reserve(before.size() + after.size());
    for (const KeyedRow& row : before) keys.push_back(row.key);
    for (const KeyedRow& row : after) keys.push_back(row.key);
    const std::span<const ConnectionKey> all(keys);
    const std::vector<int> partner = PairRows(all.first(before.size()), all.subspan(before.size()));

    RowChanges changes;
    changes.marks.resize(after.size(), RowMark::None);
    std::vector<bool> kept(before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        const int p = partner[i];
        if (p < 0) {
            changes.marks[i] = RowMark::New;
            ++changes.counts.added;
            continue;
        }
        kept[static_cast<std::size_t>(p)] = true;
        if (before[static_cast<std::size_t>(p)].status != after[i].status) {
            changes.marks[i] = RowMark::Changed;
            ++changes.counts.changed;
        }
    }
    for (std::size_t i = 0; i < before.size(); ++i)
        if (!kept[i]) changes.closed.push_back(static_cast<int>(i));
    changes.counts.closed = static_cast<int>(changes.closed.size());
    return changes;
}

std::string ChangeCountsText(const ChangeCounts& counts) {
    std::string text;
    auto part = [&](int n, const char* what) {
        if (n == 0) return;
        text += text.empty() ? " " : ", ";
        text += std::to_string(n);
        text += what;
    };
    part(counts.added, " new");
    part(counts.changed, " changed");
    part(counts.closed, " closed");
    if (!text.empty()) text += '.';
    return text;
}

}  // namespace sockmere
