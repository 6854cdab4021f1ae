#pragma once
// The change marks of the connection table: after a listing that follows an earlier one, new
// and changed rows are coloured, and rows that are gone stay, coloured, after the others until
// the next listing.
#include <string>
#include <string_view>
#include <vector>

#include "framework/ComCtrls.h"
#include "ui/RowChanges.h"

namespace sockmere {

class ChangeMarks {
public:
    explicit ChangeMarks(fw::TListView& lv) noexcept : lv_(lv) {}
    ~ChangeMarks() { lv_.OnItemColors.Clear(); }
    ChangeMarks(const ChangeMarks&) = delete;
    ChangeMarks& operator=(const ChangeMarks&) = delete;

    bool Enabled() const noexcept { return enabled_; }
    // Turned off, the marks and the closed rows go at once.
    void SetEnabled(bool on);
    // Listings are compared while kept, marked or not, for those who watch the changes.
    void SetKept(bool on);

    // What the last listing changed against the one before, while kept or enabled; null after
    // a listing with nothing to compare with. Valid until the next snapshot.
    const RowChanges* LastChanges() const noexcept { return compared_ ? &last_ : nullptr; }
    // A cell of the rows before, by column of the table they were in; empty past its columns.
    std::string_view BeforeCell(int row, int column) const noexcept;
    int BeforeCount() const noexcept { return before_.Count(); }

    // Called before the table's rows change: the marks go, and while enabled or kept a copy of
    // the connections shown is kept to compare the next rows with.
    void TakeSnapshot();
    // Called once the new rows are in, before the view's update batch ends. A listing that
    // failed leaves no marks and keeps the copy for the next one. Returns what changed: all
    // zero when there was nothing to compare with.
    ChangeCounts Apply(bool listingFailed);

    // The items that are connections; the closed rows follow them.
    int Connections() const noexcept;
    void CountConnections(int& count) const noexcept { count = Connections(); }

private:
    // Rows of the table with every cell copied: the view's own text goes with its next rows.
    struct Rows {
        std::string text;
        std::vector<int> ends;  // where each cell ends in text, row after row
        int columns = 0;
        std::string_view Cell(int row, int column) const noexcept;
        int Count() const noexcept { return columns ? static_cast<int>(ends.size()) / columns : 0; }
    };

    Rows Copy(int count) const;
    static ListingKeys KeysOf(const Rows& rows, bool withPid);
    void ItemColors(fw::TObject* sender, int item, fw::TColor& text, fw::TColor& background);
    void ShowMarks(bool any);

    fw::TListView& lv_;
    bool enabled_ = false;
    bool kept_ = false;
    bool compared_ = false;
    RowChanges last_;
    // The table shows a listing that succeeded, to be compared with the next one.
    bool listed_ = false;
    Rows before_;
    std::string marks_;    // by item
    int closedFrom_ = -1;  // the first closed row's item, or -1
};

}  // namespace sockmere
