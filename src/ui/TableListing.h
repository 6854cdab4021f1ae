#pragma once
// Puts a listing into the connection table: its rows with their owners' names, the change marks,
// the filter, and for an update the view's place. A refresh and an update both go through here.
#include <windows.h>

#include <memory>
#include <span>
#include <string>

#include "framework/ComCtrls.h"
#include "framework/Component.h"
#include "framework/RequestThread.h"
#include "framework/SharedText.h"
#include "framework/TextLines.h"
#include "listing/ConnectionKey.h"
#include "listing/ListingWorker.h"
#include "listing/ProcessNames.h"
#include "ui/ChangeMarks.h"

namespace sockmere {

class TFilterBar;

// Called before each row of a listing reaches the table; tests make it throw as a failing
// allocation would. Null removes it. Returns the previous hook.
using RowStepHook = void (*)();
RowStepHook SetRowStepHook(RowStepHook hook) noexcept;

class TableListing {
public:
    TableListing(fw::TListView& lv, TFilterBar& filter);
    TableListing(const TableListing&) = delete;
    TableListing& operator=(const TableListing&) = delete;

    ChangeMarks& Marks() noexcept { return marks_; }
    // The programs that own the rows shown, by ID, and when their listing began.
    const ProcessNames& Names() const noexcept { return names_; }

    // A refresh is about to empty the table: the marks go, and the rows shown are kept to
    // compare the next ones with.
    void Emptying();
    // A refresh's command has ended: when its rows end with owners' IDs, the running processes
    // are listed now, so that the IDs still name the programs they meant; off this thread when
    // one can be had, while the caller formats the text.
    void NameOwners(bool owners, const FILETIME& listedAt);
    // A refresh's rows (its text without the header lines) go into the emptied table in one
    // batch; failed: the listing failed, so nothing is marked. Returns what changed.
    ChangeCounts Fill(const fw::SharedText& body, fw::LineBreaks breaks, bool failed);
    // An update's rows, from the command's whole text, take the place of the old ones in one
    // step; the selected row and the top row stay where their connections still are.
    ChangeCounts Replace(ListingCapture& capture);

    // The rows about to go in name other programs (Names), before any of them is shown.
    fw::TNotifyEvent OnNames;

private:
    // Adds the rows of a listing whose header lines are gone; the caller holds the update.
    void AddRows(const fw::SharedText& body, fw::LineBreaks breaks);

    fw::TListView& lv_;
    TFilterBar& filter_;
    ChangeMarks marks_;
    // The rows end with their owners' IDs, named by names_.
    bool owners_ = false;
    ProcessNames names_;
    // Made when first needed.
    std::unique_ptr<fw::TRequestThread> snapshots_;
    // The snapshot thread's own while it runs.
    FILETIME listedAt_{};
    ProcessNames snapshot_;
};

// Keeps the view's place while its rows are replaced in one step: made before the new rows are
// added (it begins the replacement), finished after. The selected row stays selected and the top
// row at the top where their connection keys still exist.
class KeptPlace {
public:
    explicit KeptPlace(fw::TListView& view);
    // Shows the rows as they are when Finish did not run.
    ~KeptPlace();
    KeptPlace(const KeptPlace&) = delete;
    KeptPlace& operator=(const KeptPlace&) = delete;
    // connections: the items that are connections; a top row found only after them (a closed
    // one, say) would turn the view to the end, so the view then stays where it was.
    void Finish(int connections);

private:
    // A row to find again: its key's fields one after another, their lengths, and its rank.
    struct Row {
        std::string text;
        std::size_t sizes[4] = {};
        std::size_t rank = 0;
        bool kept = false;
    };
    static Row Keep(std::span<const ConnectionKey> keys, int item);
    static int Find(std::span<const ConnectionKey> keys, const Row& row);

    fw::TListView& view_;
    bool finished_ = false;
    Row selected_, top_;
};

}  // namespace sockmere
