#include "ui/TableListing.h"

#include <charconv>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/ScopeExit.h"
#include "listing/ListingParser.h"
#include "ui/FilterBar.h"
#include "ui/LiveUpdateRules.h"
#include "ui/TableText.h"

namespace sockmere {
namespace {

RowStepHook g_rowStep = nullptr;

std::vector<ConnectionKey> KeysOf(const fw::TListView& view) {
    std::vector<ConnectionKey> keys(static_cast<std::size_t>(view.ItemCount()));
    for (int item = 0; item < view.ItemCount(); ++item)
        keys[static_cast<std::size_t>(item)] = {view.ItemField(item, 1), view.ItemField(item, 2),
                                                view.ItemField(item, 3), view.ItemField(item, 4)};
    return keys;
}

// The text after its first lines.
fw::SharedText DropLines(fw::SharedText text, fw::LineBreaks breaks, int lines) {
    for (int i = 0; i < lines; ++i) text.DropFront(fw::FirstLineLength(text.View(), breaks));
    return text;
}

}  // namespace

RowStepHook SetRowStepHook(RowStepHook hook) noexcept {
    return std::exchange(g_rowStep, hook);
}

TableListing::TableListing(fw::TListView& lv, TFilterBar& filter) : lv_(lv), filter_(filter), marks_(lv) {}

void TableListing::Emptying() {
    marks_.TakeSnapshot();
}

void TableListing::NameOwners(bool owners, const FILETIME& listedAt) {
    owners_ = owners;
    names_ = ProcessNames();
    if (!owners) return;
    try {
        if (!snapshots_) snapshots_ = std::make_unique<fw::TRequestThread>();
        snapshots_->Finish();
        listedAt_ = listedAt;
        snapshots_->Request(
            [](void* self, HANDLE) {
                auto& table = *static_cast<TableListing*>(self);
                table.snapshot_ = ProcessNames::Snapshot(table.listedAt_);
            },
            this);
    } catch (const fw::Error&) {
        // No thread to be had: the snapshot is taken here.
        names_ = ProcessNames::Snapshot(listedAt);
    }
}

ChangeCounts TableListing::Fill(const fw::SharedText& body, fw::LineBreaks breaks, bool failed) {
    if (snapshots_ && snapshots_->Finish()) names_ = std::move(snapshot_);
    OnNames(nullptr);
    // One batch: the width rules and the rows reach the view together, and the widths are
    // fitted once, after the last row.
    lv_.BeginUpdate();
    // Closed even when a row fails: an update left open would hide every later row. The filter
    // then takes in the rows there are.
    fw::ScopeExit endUpdate([this] {
        lv_.EndUpdate();
        filter_.ApplyToRows();
    });
    AddRows(body, breaks);
    return marks_.Apply(failed);
}

ChangeCounts TableListing::Replace(ListingCapture& capture) {
    names_ = std::move(capture.names);
    owners_ = capture.owners;
    OnNames(nullptr);
    marks_.TakeSnapshot();
    KeptPlace place(lv_);
    fw::SharedText text(std::move(capture.text));
    const fw::LineBreaks breaks = fw::DetectLineBreaks(text.View());
    AddRows(DropLines(std::move(text), breaks, 3), breaks);
    const ChangeCounts changes = marks_.Apply(false);
    // Before the place is found again among the rows shown.
    filter_.ApplyToRows();
    place.Finish(marks_.Connections());
    return changes;
}

void TableListing::AddRows(const fw::SharedText& body, fw::LineBreaks breaks) {
    // The rows keep their fields as places in the captured text, which the view shares.
    const bool processColumns = lv_.ColumnCount() > kPidColumn;
    const bool owners = processColumns && owners_;
    lv_.SetColumnWidth(3, fw::ColumnTextWidth);
    lv_.SetColumnWidth(5, fw::ColumnTextWidth);
    // Without owners every name is empty: the header keeps the column readable.
    if (processColumns) lv_.SetColumnWidth(kProcessColumn, owners ? fw::ColumnTextWidth : fw::ColumnHeaderWidth);
    lv_.ShareText(body);
    const std::size_t lines = CountLines(body.View(), breaks);
    lv_.Reserve(static_cast<int>(lines > 0 ? lines - 1 : 0), processColumns ? 8 : 6);
    ParseListingFields(body.View(), breaks, [this, processColumns, owners](const ConnectionFields& fields) {
        char number[24];
        auto end = std::to_chars(std::begin(number), std::end(number), fields.Number).ptr;
        const std::string_view caption(number, static_cast<std::size_t>(end - number));
        if (g_rowStep) g_rowStep();
        if (!processColumns) {
            lv_.AddItem(caption, {fields.Protocol, fields.LocalPort, fields.RemoteAddress, fields.RemotePort,
                                  fields.Status});
            return;
        }
        ConnectionFields row = fields;
        if (owners) SplitOwnerPid(row);
        lv_.AddItem(caption, {row.Protocol, row.LocalPort, row.RemoteAddress, row.RemotePort, row.Status, row.Pid,
                              names_.Find(row.Pid)});
    });
}

KeptPlace::KeptPlace(fw::TListView& view) : view_(view) {
    const std::vector<ConnectionKey> keys = KeysOf(view);
    // Copied: the texts the keys point into go with the old rows.
    selected_ = Keep(keys, view.Selected());
    top_ = Keep(keys, view.TopItem());
    view.BeginReplace();
}

KeptPlace::~KeptPlace() {
    if (!finished_) view_.EndReplace(-1, -1);
}

KeptPlace::Row KeptPlace::Keep(std::span<const ConnectionKey> keys, int item) {
    Row row;
    if (item < 0) return row;
    const ConnectionKey& key = keys[static_cast<std::size_t>(item)];
    int i = 0;
    for (std::string_view field : {key.protocol, key.localPort, key.remoteAddress, key.remotePort}) {
        row.text += field;
        row.sizes[i++] = field.size();
    }
    row.rank = KeyRank(keys, static_cast<std::size_t>(item));
    row.kept = true;
    return row;
}

int KeptPlace::Find(std::span<const ConnectionKey> keys, const Row& row) {
    if (!row.kept) return -1;
    std::string_view fields[4];
    std::string_view rest = row.text;
    for (int i = 0; i < 4; ++i) {
        fields[i] = rest.substr(0, row.sizes[i]);
        rest.remove_prefix(row.sizes[i]);
    }
    return FindKeyRank(keys, {fields[0], fields[1], fields[2], fields[3]}, row.rank);
}

void KeptPlace::Finish(int connections) {
    const std::vector<ConnectionKey> keys = KeysOf(view_);
    finished_ = true;
    const int top = Find(keys, top_);
    view_.EndReplace(Find(keys, selected_), top < connections ? top : -1);
}

}  // namespace sockmere
