#pragma once
// What changed between two listings of the connection table: rows that are new, rows whose
// status changed, and rows that are gone.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "listing/ConnectionKey.h"

namespace sockmere {

// A row's mark, one character per row.
inline constexpr char kRowSame = '.', kRowNew = 'N', kRowChanged = 'C', kRowClosed = 'X';

struct ChangeCounts {
    int added = 0, changed = 0, closed = 0;
};

// The key of a row given as its table cells ("#", "Proto", "Local Port", "Remote Addr",
// "Remote Port", "Status", then "PID" and "Process" when shown).
ConnectionKey TableRowKey(std::span<const std::string_view> cells) noexcept;

struct RowChanges {
    std::string marks;        // kRowSame, kRowNew or kRowChanged for each row of after;
                              // a pair whose status or PID differs is changed
    std::vector<int> closed;  // the rows of before that are gone, in their order
    ChangeCounts counts;
};

// A listing as its rows' keys, statuses and PIDs (no PIDs when either listing lacks them).
struct ListingKeys {
    std::vector<ConnectionKey> keys;
    std::vector<std::string_view> status, pid;
};

RowChanges CompareListings(const ListingKeys& before, const ListingKeys& after);

// " 3 new, 1 changed, 2 closed." with each part only when it is not zero; empty when nothing
// changed.
std::string ChangeCountsText(const ChangeCounts& counts);

}  // namespace sockmere
