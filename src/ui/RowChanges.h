#pragma once
// What changed between two listings of the connection table: rows that are new, rows whose
// status changed, and rows that are gone.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "listing/ConnectionKey.h"

namespace sockmere {

enum class RowMark : std::uint8_t { None, New, Changed, Closed };

struct ChangeCounts {
    int added = 0, changed = 0, closed = 0;
};

// A table row as the comparison sees it.
struct KeyedRow {
    ConnectionKey key;
    std::string_view status;
};

// The key of a row given as its table cells ("#", "Proto", "Local Port", "Remote Addr",
// "Remote Port", "Status", then "PID" and "Process" when shown); the PID counts when withPid.
KeyedRow TableRowKey(std::span<const std::string_view> cells, bool withPid) noexcept;

struct RowChanges {
    std::vector<RowMark> marks;  // one per row of after
    std::vector<int> closed;     // the rows of before that are gone, in their order
    ChangeCounts counts;
};

RowChanges CompareListings(std::span<const KeyedRow> before, std::span<const KeyedRow> after);

// " 3 new, 1 changed, 2 closed." with each part only when it is not zero; empty when nothing
// changed.
std::string ChangeCountsText(const ChangeCounts& counts);

}  // namespace sockmere
