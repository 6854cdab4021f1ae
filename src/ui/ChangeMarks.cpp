#include "ui/ChangeMarks.h"

#include <windows.h>

#include <algorithm>

#include "ui/TableText.h"

namespace sockmere {

namespace {

using Cells = std::string_view[kProcessColumn + 1];

}  // namespace

ListingKeys ChangeMarks::KeysOf(const Rows& rows, bool withPid) {
    const auto count = static_cast<std::size_t>(rows.Count());
    ListingKeys listing{std::vector<ConnectionKey>(count), std::vector<std::string_view>(count),
                        std::vector<std::string_view>(withPid ? count : 0)};
    for (int row = 0; row < rows.Count(); ++row) {
        Cells cells{};
        for (int column = 0; column < rows.columns && column <= kProcessColumn; ++column)
            cells[column] = rows.Cell(row, column);
        listing.keys[static_cast<std::size_t>(row)] = TableRowKey(cells);
        listing.status[static_cast<std::size_t>(row)] = cells[5];
        if (withPid) listing.pid[static_cast<std::size_t>(row)] = cells[kPidColumn];
    }
    return listing;
}

std::string_view ChangeMarks::Rows::Cell(int row, int column) const noexcept {
    const std::size_t at = static_cast<std::size_t>(row * columns + column);
    const int begin = at == 0 ? 0 : ends[at - 1];
    return std::string_view(text).substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(ends[at] - begin));
}

ChangeMarks::Rows ChangeMarks::Copy(int count) const {
    Rows rows;
    rows.columns = lv_.ColumnCount();
    rows.ends = std::vector<int>(static_cast<std::size_t>(count) * static_cast<std::size_t>(rows.columns));
    for (std::size_t cell = 0; cell < rows.ends.size(); ++cell) {
        const int item = static_cast<int>(cell) / rows.columns, column = static_cast<int>(cell) % rows.columns;
        rows.text += lv_.ItemField(item, column);
        rows.ends[cell] = static_cast<int>(rows.text.size());
    }
    return rows;
}

void ChangeMarks::SetKept(bool on) {
    kept_ = on;
    if (!on && !enabled_) before_ = {};
}

std::string_view ChangeMarks::BeforeCell(int row, int column) const noexcept {
    return column < before_.columns ? before_.Cell(row, column) : std::string_view();
}

void ChangeMarks::SetEnabled(bool on) {
    enabled_ = on;
    if (on) return;
    if (!kept_) before_ = {};
    if (closedFrom_ >= 0) lv_.DeleteItemsFrom(closedFrom_);
    closedFrom_ = -1;
    ShowMarks(false);
}

void ChangeMarks::TakeSnapshot() {
    const int connections = Connections();
    closedFrom_ = -1;
    compared_ = false;
    ShowMarks(false);
    // After a failed listing the one before it stays the one to compare with.
    if ((enabled_ || kept_) && listed_) before_ = Copy(connections);
}

ChangeCounts ChangeMarks::Apply(bool listingFailed) {
    listed_ = !listingFailed;
    // Without a copy there is no listing before this one to compare with.
    if (listingFailed || !(enabled_ || kept_) || before_.columns == 0) return {};
    const Rows after = Copy(lv_.ItemCount());
    // A table that gained or lost the process columns is compared without them.
    const bool withPid = std::min(before_.columns, after.columns) > kPidColumn;
    last_ = CompareListings(KeysOf(before_, withPid), KeysOf(after, withPid));
    compared_ = true;
    if (!enabled_) return {};
    RowChanges& changes = last_;

    // Closed rows keep their cells as they were, under the current columns, and no number.
    marks_ = changes.marks;
    closedFrom_ = changes.closed.empty() ? -1 : after.Count();
    for (int row : changes.closed) {
        Cells cells{};
        for (int column = 1; column < after.columns && column < before_.columns; ++column)
            cells[column] = before_.Cell(row, column);
        lv_.AddItem(std::span(cells).first(static_cast<std::size_t>(after.columns)));
        marks_ += kRowClosed;
    }
    // The watchers read them until the next snapshot.
    if (!kept_) before_ = {};
    const ChangeCounts counts = changes.counts;
    ShowMarks(counts.added + counts.changed + counts.closed > 0);
    return counts;
}

int ChangeMarks::Connections() const noexcept {
    return closedFrom_ >= 0 ? std::min(closedFrom_, lv_.ItemCount()) : lv_.ItemCount();
}

void ChangeMarks::ShowMarks(bool any) {
    // Without marks the view draws as it always did.
    if (any)
        lv_.OnItemColors = fw::TItemColorsEvent::Of<&ChangeMarks::ItemColors>(this);
    else if (std::exchange(lv_.OnItemColors, {}).Assigned() && lv_.HandleAllocated())
        lv_.Invalidate();
}

// Light backgrounds under black text; a high-contrast scheme gets the system's own colours.
void ChangeMarks::ItemColors(fw::TObject*, int item, fw::TColor& text, fw::TColor& background) {
    if (item < 0 || static_cast<std::size_t>(item) >= marks_.size()) return;
    const char mark = marks_[static_cast<std::size_t>(item)];
    if (mark == kRowSame) return;
    const int index = mark == kRowNew ? 0 : mark == kRowChanged ? 1 : 2;
    HIGHCONTRASTA contrast{sizeof contrast, 0, nullptr};
    if (::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON)) {
        static constexpr int kText[] = {COLOR_INFOTEXT, COLOR_BTNTEXT, COLOR_GRAYTEXT};
        static constexpr int kBackground[] = {COLOR_INFOBK, COLOR_BTNFACE, COLOR_WINDOW};
        text = fw::kSystemColor | kText[index];
        background = fw::kSystemColor | kBackground[index];
        return;
    }
    static constexpr fw::TColor kLight[] = {RGB(0xCC, 0xF5, 0xCC), RGB(0xFF, 0xF5, 0xB8), RGB(0xFF, 0xD0, 0xD0)};
    text = fw::clBlack;
    background = kLight[index];
}

}  // namespace sockmere
