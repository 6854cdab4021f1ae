#include "ui/RowChanges.h"


#include <iterator>

#include "ui/TableText.h"

namespace sockmere {

ConnectionKey TableRowKey(std::span<const std::string_view> cells, bool withPid) noexcept {
    auto cell = [&](std::size_t column) { return column < cells.size() ? cells[column] : std::string_view(); };
    return {cell(1), cell(2), cell(3), cell(4), withPid ? cell(kPidColumn) : std::string_view()};
}

RowChanges CompareListings(std::span<const ConnectionKey> beforeKeys, std::span<const std::string_view> beforeStatus,
                           std::span<const ConnectionKey> afterKeys, std::span<const std::string_view> afterStatus) {
    const std::vector<int> partner = PairRows(beforeKeys, afterKeys);
    RowChanges changes;
    changes.marks.assign(afterKeys.size(), kRowSame);
    // Paired rows of before are marked kept here.
    std::string kept(beforeKeys.size(), '\0');
    for (std::size_t i = 0; i < partner.size(); ++i) {
        const int p = partner[i];
        if (p < 0) {
            changes.marks[i] = kRowNew;
            ++changes.counts.added;
        } else {
            kept[static_cast<std::size_t>(p)] = 1;
            if (beforeStatus[static_cast<std::size_t>(p)] != afterStatus[i]) {
                changes.marks[i] = kRowChanged;
                ++changes.counts.changed;
            }
        }
    }
    for (int i = 0; i < static_cast<int>(kept.size()); ++i)
        if (!kept[static_cast<std::size_t>(i)]) changes.closed.push_back(i);
    changes.counts.closed = static_cast<int>(changes.closed.size());
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
        for (unsigned v = static_cast<unsigned>(n[i]); first == std::end(digits) || v; v /= 10) *--first = static_cast<char>('0' + v % 10);
        text += text.empty() ? " " : ", ";
        text.append(first, std::end(digits));
        text += what[i];
    }
    if (!text.empty()) text += '.';
    return text;
}

}  // namespace sockmere
