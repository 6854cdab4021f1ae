#include "framework/ComCtrls.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>
#include <string_view>

#include "framework/DpiScale.h"
#include "framework/Errors.h"
#include "framework/WideText.h"

namespace fw {

namespace {

// Space the list view keeps around a cell's or a header's text, at 96 DPI.
constexpr int kCellPadding = 12;
// Room a header keeps beside its text for the sort mark, at 96 DPI.
constexpr int kSortMarkWidth = 24;

HMODULE Shell32() {
    // shell32 is linked in, so it is normally loaded; the fallback only reads its resources.
    static HMODULE module = [] {
        HMODULE m = ::GetModuleHandleA("shell32.dll");
        return m ? m : ::LoadLibraryExA("shell32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }();
    return module;
}

}  // namespace

void EnsureCommonControls(DWORD classes) {
    // Looked up rather than imported, so that a run that makes no window never loads the library.
    using InitProc = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    static const auto init = reinterpret_cast<InitProc>(
        reinterpret_cast<void*>(::GetProcAddress(::LoadLibraryA("comctl32.dll"), "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX icc{sizeof icc, classes};
    if (init) init(&icc);
}

// ---------------------------------------------------------------------------------------------
// TListView

// A change of the row count shows or hides a scroll bar, and the view redraws its bars at every
// step of that. Held, it draws its frame and rows once, when the hold ends, and of its header
// only what changed: themed header items are dear to draw. The view's own redraw switch would
// not do: it still draws the bars as their ranges change.
class TListView::DrawingHold {
public:
    explicit DrawingHold(TListView& view) : view_(view), held_(::IsWindowVisible(view.Hwnd())) {
        if (!held_) return;
        header_ = reinterpret_cast<HWND>(::SendMessageA(view.Hwnd(), LVM_GETHEADER, 0, 0));
        if (header_) ::GetWindowRect(header_, &before_);
        // A hidden view's children lose what they had still to paint.
        unpainted_ = header_ && ::GetUpdateRect(header_, nullptr, FALSE);
        view.widthChangedFrom_ = view.ColumnCount();
        ::DefWindowProcA(view.Hwnd(), WM_SETREDRAW, FALSE, 0);
    }
    ~DrawingHold() {
        if (!held_) return;
        const HWND h = view_.Hwnd();
        ::DefWindowProcA(h, WM_SETREDRAW, TRUE, 0);
        ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        if (!header_) return;
        RECT after{};
        ::GetWindowRect(header_, &after);
        RECT changed{0, 0, after.right - after.left, after.bottom - after.top};
        if (!unpainted_ && after.left == before_.left && after.top == before_.top && after.bottom == before_.bottom) {
            // Items left of the first changed width keep their pixels. The rest of the header,
            // past the last item, is drawn as one piece, so it changes with the header's width.
            // Where that item starts the header says: the user may have dragged widths since.
            const int from = view_.widthChangedFrom_;
            if (from == view_.ColumnCount() && after.right == before_.right) return;
            RECT kept{};
            if (from > 0 && ::SendMessageA(header_, HDM_GETITEMRECT, static_cast<WPARAM>(from - 1),
                                           reinterpret_cast<LPARAM>(&kept)))
                changed.left = kept.right;
        }
        ::RedrawWindow(header_, &changed, nullptr, RDW_INVALIDATE | RDW_ERASE);
    }
    DrawingHold(const DrawingHold&) = delete;
    DrawingHold& operator=(const DrawingHold&) = delete;

private:
    TListView& view_;
    bool held_;
    bool unpainted_ = false;
    HWND header_ = nullptr;
    RECT before_{};
};

TListView::TListView(TComponent* owner) : TWinControl(owner) {
    EnsureCommonControls(ICC_LISTVIEW_CLASSES);
    tabStop_ = true;
    // The cells are asked for in UTF-16, so that no character is lost on the way to the screen.
    unicodeNotify_ = true;
    SetColor(clWindow);
}

void TListView::ApplyProps(const Props& props) {
    rowSelect_ = props.rowSelect;
    for (const TListColumn& c : props.columns) AddColumn(c.caption, c.width, c.rightAligned, c.utf8);
    OnDblClick = props.onDblClick;
    OnColumnClick = props.onColumnClick;
    OnSortRows = props.onSortRows;
}

void TListView::AddColumn(std::string caption, int width, bool rightAligned, bool utf8) {
    Column c;
    c.caption = std::move(caption);
    c.rightAligned = rightAligned;
    c.utf8 = utf8;
    if (width < 0) {
        c.rule = width;
        c.width = 50;
    } else {
        c.designed = width;
        c.width = ScaleLength(width, Dpi());
    }
    columns_.push_back(std::move(c));
    if (HandleAllocated()) {
        InsertColumnWindow(ColumnCount() - 1);
        FitColumns();
    }
}

void TListView::DeleteColumn(int index) {
    if (index < 0 || index >= ColumnCount()) ThrowListIndex(index);
    const int selected = Selected();
    // Every row drops its field of the column, so the later columns keep showing theirs.
    std::vector<FieldRef> kept;
    kept.reserve(fields_.size());
    for (size_t item = 0; item < rows_.size(); ++item) {
        const size_t first = rows_[item];
        const size_t end = item + 1 < rows_.size() ? rows_[item + 1] : fields_.size();
        rows_[item] = static_cast<std::uint32_t>(kept.size());
        for (size_t f = first; f < end; ++f)
            if (f - first != static_cast<size_t>(index)) kept.push_back(fields_[f]);
    }
    fields_ = std::move(kept);
    columns_.erase(columns_.begin() + index);
    if (sortColumn_ == index) {
        sortColumn_ = -1;
        sortDescending_ = false;
        order_.clear();
        position_.clear();
        ComposeShown();
    } else if (sortColumn_ > index) {
        --sortColumn_;
    }
    if (!HandleAllocated()) return;
    ::SendMessageA(Hwnd(), LVM_DELETECOLUMN, static_cast<WPARAM>(index), 0);
    FitColumns();
    if (selected >= 0) SetSelected(selected);
    Invalidate();
}

const std::string& TListView::ColumnCaption(int index) const {
    if (index < 0 || index >= ColumnCount()) ThrowListIndex(index);
    return columns_[static_cast<size_t>(index)].caption;
}

bool TListView::ColumnUtf8(int index) const {
    if (index < 0 || index >= ColumnCount()) ThrowListIndex(index);
    return columns_[static_cast<size_t>(index)].utf8;
}

int TListView::ColumnWidth(int index) const {
    if (index < 0 || index >= ColumnCount()) ThrowListIndex(index);
    if (HandleAllocated())
        return static_cast<int>(::SendMessageA(Hwnd(), LVM_GETCOLUMNWIDTH, index, 0));
    return columns_[static_cast<size_t>(index)].width;
}

void TListView::SetColumnWidth(int index, int width) {
    if (index < 0 || index >= ColumnCount()) ThrowListIndex(index);
    Column& c = columns_[static_cast<size_t>(index)];
    c.keep = false;
    if (width == ColumnTextWidth || width == ColumnHeaderWidth) {
        if (width == ColumnTextWidth && c.rule != ColumnTextWidth) c.measured = 0, c.widest = 0;
        c.rule = width;
        FitColumns();
        return;
    }
    c.rule = 0;
    c.designed = width;
    ShowColumnWidth(index, ScaleLength(width, Dpi()));
}

int TListView::AddItem(std::string_view caption, std::initializer_list<std::string_view> subItems) {
    BeginRow(caption);
    for (std::string_view s : subItems) AddField(s);
    return EndRow();
}

int TListView::AddItem(std::span<const std::string_view> fields) {
    BeginRow(fields.empty() ? std::string_view() : fields.front());
    for (std::size_t i = 1; i < fields.size(); ++i) AddField(fields[i]);
    return EndRow();
}

void TListView::DeleteItemsFrom(int first) {
    if (first < 0 || first >= ItemCount()) return;
    const int selected = Selected();
    // The pool keeps the dropped rows' copies until the rows are cleared.
    fields_.erase(fields_.begin() + rows_[static_cast<size_t>(first)], fields_.end());
    rows_.erase(rows_.begin() + first, rows_.end());
    if (shownAt_.size() > rows_.size()) shownAt_.erase(shownAt_.begin() + first, shownAt_.end());
    for (Column& c : columns_) c.measured = 0, c.widest = 0;
    if (!ShowChangedRows()) return;
    if (selected >= 0) SetSelected(selected < first ? selected : -1);
}

void TListView::BeginRow(std::string_view caption) {
    rows_.push_back(static_cast<std::uint32_t>(fields_.size()));
    AddField(caption);
}

void TListView::AddField(std::string_view text) {
    const std::string_view shared = shared_.Whole();
    const auto at = reinterpret_cast<std::uintptr_t>(text.data());
    const auto base = reinterpret_cast<std::uintptr_t>(shared.data());
    if (!shared.empty() && at >= base && text.size() <= shared.size() && at - base <= shared.size() - text.size()) {
        fields_.push_back({static_cast<std::uint32_t>(at - base) | kInShared, static_cast<std::uint32_t>(text.size())});
        return;
    }
    fields_.push_back({static_cast<std::uint32_t>(pool_.size()), static_cast<std::uint32_t>(text.size())});
    pool_.append(text);
}

int TListView::EndRow() {
    int index = ItemCount() - 1;
    // Content widths grow row by row while the row's text is at hand.
    for (int i = 0; i < ColumnCount(); ++i) {
        Column& c = columns_[static_cast<size_t>(i)];
        if (c.rule == ColumnTextWidth && c.measured == index)
            c.widest = std::max(c.widest, TextWidth(Field(index, i), c.utf8)), ++c.measured;
    }
    const bool resort = !updating_ && sortColumn_ >= 0;
    // The new row is not shown yet, so the selection is still an earlier one.
    const int selected = resort && index > 0 ? Selected() : -1;
    if (resort)
        ApplySort();
    else if (!updating_)
        ComposeShown();
    if (!updating_ && HandleAllocated()) {
        ::SendMessageA(Hwnd(), LVM_SETITEMCOUNT, static_cast<WPARAM>(ShownCount()),
                       resort ? LVSICF_NOSCROLL : LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        FitColumns();
        if (selected >= 0) SetSelected(selected);
    }
    return index;
}

void TListView::CheckItem(int item) const {
    if (item < 0 || item >= ItemCount()) ThrowListIndex(item);
}

std::string_view TListView::Field(int item, int column) const noexcept {
    size_t first = rows_[static_cast<size_t>(item)];
    size_t end = static_cast<size_t>(item) + 1 < rows_.size() ? rows_[static_cast<size_t>(item) + 1]
                                                              : fields_.size();
    if (column < 0 || first + static_cast<size_t>(column) >= end) return {};
    const FieldRef f = fields_[first + static_cast<size_t>(column)];
    if (f.at & kInShared) return shared_.Whole().substr(f.at & ~kInShared, f.size);
    return std::string_view(pool_).substr(f.at, f.size);
}

std::string_view TListView::ItemCaption(int item) const {
    CheckItem(item);
    return Field(item, 0);
}

std::string_view TListView::ItemField(int item, int column) const {
    CheckItem(item);
    return Field(item, column);
}

std::wstring TListView::ShownText(int item, int column) const {
    CheckItem(item);
    const std::string_view text = Field(item, column);
    const bool utf8 = column >= 0 && column < ColumnCount() && columns_[static_cast<size_t>(column)].utf8;
    return utf8 ? WideFromUtf8(text) : WideFromAnsi(text);
}

std::string TListView::SubItem(int item, int index) const {
    CheckItem(item);
    if (index < 0) return {};
    return std::string(Field(item, index + 1));
}

void TListView::Clear() {
    std::string().swap(pool_);
    std::vector<FieldRef>().swap(fields_);
    std::vector<std::uint32_t>().swap(rows_);
    shared_ = {};
    order_.clear();
    position_.clear();
    showingSome_ = false;
    std::vector<int>().swap(shown_);
    std::vector<int>().swap(shownAt_);
    // Content widths follow rows as they arrive; removing rows leaves them as they are.
    for (Column& c : columns_) c.measured = 0, c.widest = 0, c.keep = true;
    if (!HandleAllocated()) return;
    DrawingHold hold(*this);
    ::SendMessageA(Hwnd(), LVM_DELETEALLITEMS, 0, 0);
}

void TListView::ShareText(SharedText text) {
    // Rows still pointing into the old text keep their fields: copy them into the pool first.
    if (!fields_.empty() && !text.SameAs(shared_)) {
        for (FieldRef& f : fields_) {
            if (!(f.at & kInShared)) continue;
            const std::string_view chars = shared_.Whole().substr(f.at & ~kInShared, f.size);
            f.at = static_cast<std::uint32_t>(pool_.size());
            pool_.append(chars);
        }
    }
    shared_ = std::move(text);
}

void TListView::Reserve(int items, int fieldsPerItem) {
    if (items <= 0) return;
    rows_.reserve(rows_.size() + static_cast<size_t>(items));
    fields_.reserve(fields_.size() + static_cast<size_t>(items) * static_cast<size_t>(std::max(fieldsPerItem, 1)));
}

// Rows added while updating never reach the control: it learns of the whole batch at its end.
void TListView::BeginUpdate() {
    ++updating_;
}

void TListView::EndUpdate() {
    if (updating_ == 0 || --updating_ > 0) return;
    // Rows added in the batch take their places in the sort held.
    const int selected = sortColumn_ >= 0 ? Selected() : -1;
    if (!ShowChangedRows()) return;
    if (selected >= 0) SetSelected(selected);
}

bool TListView::ShowChangedRows() {
    if (sortColumn_ >= 0)
        ApplySort();
    else
        ComposeShown();
    if (!HandleAllocated()) return false;
    // Widths first, while the view is still short, then one count for the whole batch.
    DrawingHold hold(*this);
    FitColumns();
    ::SendMessageA(Hwnd(), LVM_SETITEMCOUNT, static_cast<WPARAM>(ShownCount()), LVSICF_NOSCROLL);
    return true;
}

void TListView::BeginReplace() {
    BeginUpdate();
    // Kept allocated: the new rows are mostly as many as the old ones.
    pool_.clear();
    fields_.clear();
    rows_.clear();
    shared_ = {};
    order_.clear();
    position_.clear();
    // Every new row is shown unless the owner names those to show before the replace ends.
    showingSome_ = false;
    shownAt_.clear();
    for (Column& c : columns_) c.measured = 0, c.widest = 0, c.keep = true;
}

void TListView::EndReplace(int selected, int top) {
    if (updating_ == 0 || --updating_ > 0) return;
    if (sortColumn_ >= 0)
        ApplySort();
    else
        ComposeShown();
    if (!HandleAllocated()) return;
    const HWND h = Hwnd();
    DrawingHold hold(*this);
    FitColumns();
    const int shown = static_cast<int>(::SendMessageA(h, LVM_GETTOPINDEX, 0, 0));
    ::SendMessageA(h, LVM_SETITEMCOUNT, static_cast<WPARAM>(ShownCount()), LVSICF_NOSCROLL);
    SetSelected(selected >= 0 && selected < ItemCount() ? selected : -1);
    // Without a top row to follow, or one not shown, the view stays where it was, wherever the
    // selection went.
    const int at = top >= 0 && top < ItemCount() ? PositionOfItem(top) : -1;
    const int wanted = at >= 0 ? at : shown;
    // Rows are all of one height: the top row's height times the rows between is the scroll.
    const int from = static_cast<int>(::SendMessageA(h, LVM_GETTOPINDEX, 0, 0));
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    if (wanted != from && ::SendMessageA(h, LVM_GETITEMRECT, static_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&row)))
        ::SendMessageA(h, LVM_SCROLL, 0, (wanted - from) * (row.bottom - row.top));
}

int TListView::Selected() const {
    if (!HandleAllocated()) return -1;
    const int position = static_cast<int>(::SendMessageA(Hwnd(), LVM_GETNEXTITEM,
                                                         static_cast<WPARAM>(-1), LVNI_SELECTED));
    return position < 0 || position >= ShownCount() ? -1 : ItemAtPosition(position);
}

void TListView::ClearSelection() {
    // Only the rows that have the marks: a change of every row's state notifies once per row.
    for (UINT mark : {LVNI_SELECTED, LVNI_FOCUSED}) {
        const LRESULT position = ::SendMessageA(Hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), mark);
        if (position < 0) continue;
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(Hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&state));
    }
}

void TListView::SetSelected(int item) {
    if (item >= 0) CheckItem(item);
    HWND h = Handle();
    ClearSelection();
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    const int position = item < 0 ? -1 : PositionOfItem(item);
    if (position < 0) return;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(h, LVM_SETITEMSTATE, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&state));
    ::SendMessageA(h, LVM_ENSUREVISIBLE, static_cast<WPARAM>(position), FALSE);
}

int TListView::TopItem() const {
    if (!HandleAllocated() || ItemCount() == 0) return -1;
    const int position = static_cast<int>(::SendMessageA(Hwnd(), LVM_GETTOPINDEX, 0, 0));
    return position < 0 || position >= ShownCount() ? -1 : ItemAtPosition(position);
}

int TListView::ItemAtPosition(int position) const {
    if (position < 0 || position >= ShownCount()) ThrowListIndex(position);
    if (showingSome_) return shown_[static_cast<size_t>(position)];
    return order_.empty() ? position : order_[static_cast<size_t>(position)];
}

int TListView::PositionOfItem(int item) const {
    CheckItem(item);
    // Rows of a batch still under way are not shown yet.
    if (showingSome_) return static_cast<size_t>(item) < shownAt_.size() ? shownAt_[static_cast<size_t>(item)] : -1;
    return position_.empty() ? item : position_[static_cast<size_t>(item)];
}

void TListView::ShowOnly(const std::vector<int>& items) {
    // Within an update the window still shows the rows before it; its end shows these.
    const int selected = updating_ ? -1 : Selected();
    std::vector<int> at(static_cast<size_t>(ItemCount()), -1);
    for (int item : items) {
        CheckItem(item);
        at[static_cast<size_t>(item)] = 0;
    }
    shownAt_ = std::move(at);
    showingSome_ = true;
    ComposeShown();
    ShowItems(selected);
}

void TListView::ShowAll() {
    if (!showingSome_) return;
    const int selected = updating_ ? -1 : Selected();
    showingSome_ = false;
    std::vector<int>().swap(shown_);
    std::vector<int>().swap(shownAt_);
    ShowItems(selected);
}

void TListView::ComposeShown() {
    if (!showingSome_) return;
    // The items marked shown, in the sort's order; rows added since they were marked are not.
    std::vector<int> shown(shownAt_.size());
    size_t count = 0;
    for (int p = 0; p < ItemCount(); ++p) {
        const size_t item = static_cast<size_t>(order_.empty() ? p : order_[static_cast<size_t>(p)]);
        if (item < shownAt_.size() && shownAt_[item] >= 0) {
            shownAt_[item] = static_cast<int>(count);
            shown[count++] = static_cast<int>(item);
        }
    }
    shown.erase(shown.begin() + static_cast<std::ptrdiff_t>(count), shown.end());
    shown_ = std::move(shown);
}

void TListView::ShowItems(int selected) {
    if (updating_ || !HandleAllocated()) return;
    // The marks sit on display positions, which now show other rows.
    ClearSelection();
    {
        DrawingHold hold(*this);
        ::SendMessageA(Hwnd(), LVM_SETITEMCOUNT, static_cast<WPARAM>(ShownCount()), LVSICF_NOSCROLL);
    }
    // A hidden row is no longer selected.
    if (selected >= 0 && PositionOfItem(selected) >= 0) SetSelected(selected);
}

void TListView::SetSort(int column, bool descending) {
    if (column < -1 || column >= ColumnCount()) ThrowListIndex(column);
    const int selected = Selected();
    sortColumn_ = column;
    sortDescending_ = column >= 0 && descending;
    if (column < 0) {
        order_.clear();
        position_.clear();
        ComposeShown();
    } else if (!updating_) {
        ApplySort();
    }
    if (!HandleAllocated()) return;
    ShowSortMark();
    FitColumns();
    if (selected >= 0) SetSelected(selected);
    Invalidate();
}

void TListView::ApplySort() {
    std::vector<int> order(static_cast<size_t>(ItemCount()));
    std::iota(order.begin(), order.end(), 0);
    if (OnSortRows.Assigned()) {
        OnSortRows(this, sortColumn_, sortDescending_, order);
    } else {
        const int column = sortColumn_;
        const bool descending = sortDescending_;
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            std::string_view x = Field(a, column), y = Field(b, column);
            return descending ? y < x : x < y;
        });
    }
    // A handler's order must name every item once, or the view would show a row twice.
    std::vector<int> position(order.size(), -1);
    for (size_t i = 0; i < order.size(); ++i) {
        const int item = order[i];
        if (item < 0 || item >= ItemCount() || position[static_cast<size_t>(item)] >= 0)
            throw ListError("Sort order is not a permutation of the items");
        position[static_cast<size_t>(item)] = static_cast<int>(i);
    }
    order_ = std::move(order);
    position_ = std::move(position);
    ComposeShown();
}

void TListView::ShowSortMark() {
    HWND header = reinterpret_cast<HWND>(::SendMessageA(Hwnd(), LVM_GETHEADER, 0, 0));
    if (!header) return;
    for (int i = 0; i < ColumnCount(); ++i) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        if (!::SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) continue;
        int format = item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == sortColumn_) format |= sortDescending_ ? HDF_SORTDOWN : HDF_SORTUP;
        if (format == item.fmt) continue;
        item.fmt = format;
        ::SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

void TListView::FillCreateParams(CreateParams& params) {
    TWinControl::FillCreateParams(params);
    params.systemClass = WC_LISTVIEWA;
    // The header is a child: without clipping, every repaint of the rows repaints it too.
    params.style |= LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHAREIMAGELISTS | WS_CLIPCHILDREN;
    params.exStyle |= WS_EX_CLIENTEDGE;
}

void TListView::InsertColumnWindow(int index) {
    const Column& c = columns_[static_cast<size_t>(index)];
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    if (c.rightAligned) col.mask |= LVCF_FMT, col.fmt = LVCFMT_RIGHT;
    col.pszText = const_cast<char*>(c.caption.c_str());
    col.cx = c.width;
    col.iSubItem = index;
    ::SendMessageA(Hwnd(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&col));
}

void TListView::InitWnd() {
    TWinControl::InitWnd();
    HWND h = Hwnd();
    DWORD ex = LVS_EX_LABELTIP;
    if (rowSelect_) ex |= LVS_EX_FULLROWSELECT;
    ::SendMessageA(h, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    // The parent could not know the view while it was being made: it is asked again now.
    ::SendMessageA(h, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(::GetParent(h)), NF_REQUERY);
    // Widths by rule are worked out first, so each column goes in once at its width.
    widthsOnly_ = true;
    FitColumns();
    widthsOnly_ = false;
    for (int i = 0; i < ColumnCount(); ++i) InsertColumnWindow(i);
    ::SendMessageA(h, LVM_SETITEMCOUNT, static_cast<WPARAM>(ShownCount()), LVSICF_NOSCROLL);
    FitColumns();
    if (sortColumn_ >= 0) ShowSortMark();
}

int TListView::TextWidth(std::string_view text, bool utf8) {
    HFONT font = Font().Handle();
    if (font != measuredFont_) {
        // One table per font: a row then measures by adding up, with no call into GDI.
        WindowDC dc(nullptr);
        SelectScope use(dc.Get(), font);
        if (!::GetCharWidth32A(dc.Get(), 0, 255, charWidths_)) std::fill(std::begin(charWidths_), std::end(charWidths_), 0);
        measuredFont_ = font;
    }
    int width = 0;
    for (unsigned char ch : text) {
        if (ch >= 0x80 && utf8 && HandleAllocated()) {
            // Rare beyond ASCII: the view measures the characters such a text stands for.
            const std::wstring wide = WideFromUtf8(text);
            return static_cast<int>(::SendMessageW(Hwnd(), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(wide.c_str())));
        }
        width += charWidths_[ch];
    }
    return width;
}

void TListView::FitColumns() {
    if (updating_ || !HandleAllocated() || fitting_ || columns_.empty()) return;
    fitting_ = true;
    const int dpi = Dpi();
    const int padding = ScaleLength(kCellPadding, dpi), sortMark = ScaleLength(kSortMarkWidth, dpi);
    int last = ColumnCount() - 1;
    for (int i = 0; i <= last; ++i) {
        Column& c = columns_[static_cast<size_t>(i)];
        auto header = [&] { return TextWidth(c.caption) + padding + (i == sortColumn_ ? sortMark : 0); };
        if (c.rule == ColumnTextWidth) {
            if (c.keep && ItemCount() == 0) continue;
            c.keep = false;
            for (; c.measured < ItemCount(); ++c.measured)
                c.widest = std::max(c.widest, TextWidth(Field(c.measured, i), c.utf8));
            // Its header stays readable, with no rows too.
            ShowColumnWidth(i, std::max(c.widest + padding + (i == imageColumn_ && images_ ? imageWidth_ : 0), header()));
        } else if (c.rule == ColumnHeaderWidth && i != last) {
            ShowColumnWidth(i, header());
        }
    }
    Column& end = columns_[static_cast<size_t>(last)];
    if (end.rule == ColumnHeaderWidth) {
        int used = 0;
        for (int i = 0; i < last; ++i) used += columns_[static_cast<size_t>(i)].width;
        ShowColumnWidth(last, std::max(ClientWidth() - used, TextWidth(end.caption) + padding));
    }
    fitting_ = false;
}

void TListView::SetCellImages(HIMAGELIST images, int column) {
    if (images == images_ && column == imageColumn_) return;
    images_ = images;
    imageColumn_ = column;
    int height = 0;
    imageWidth_ = 0;
    if (images) ::ImageList_GetIconSize(images, &imageWidth_, &height);
    if (!HandleAllocated()) return;
    FitColumns();
    ::InvalidateRect(Hwnd(), nullptr, TRUE);
}

void TListView::ShowColumnWidth(int index, int width) {
    Column& c = columns_[static_cast<size_t>(index)];
    if (!widthsOnly_ && HandleAllocated() && (c.width != width || ColumnWidth(index) != width)) {
        ::SendMessageA(Hwnd(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index), width);
        widthChangedFrom_ = std::min(widthChangedFrom_, index);
    }
    c.width = width;
}

void TListView::ChangeScale(int fromDpi, int toDpi) {
    TWinControl::ChangeScale(fromDpi, toDpi);
    // From the design, so that moves back and forth between monitors do not drift.
    for (int i = 0; i < ColumnCount(); ++i)
        if (const Column& c = columns_[static_cast<size_t>(i)]; c.rule == 0)
            ShowColumnWidth(i, ScaleLength(c.designed, toDpi));
    FitColumns();
}

void TListView::FontChanged() {
    TWinControl::FontChanged();
    // A new font may be given the handle of the one measured, freed just before.
    measuredFont_ = nullptr;
    for (Column& c : columns_) c.measured = 0, c.widest = 0;
    FitColumns();
}

LRESULT TListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CONTEXTMENU && lParam == -1 && reinterpret_cast<HWND>(wParam) == Hwnd()) {
        // From the keyboard: under the selected row when it is in sight, else at the corner
        // below the header.
        HWND h = Hwnd();
        RECT client{}, header{}, row{};
        ::GetClientRect(h, &client);
        if (HWND hdr = reinterpret_cast<HWND>(::SendMessageA(h, LVM_GETHEADER, 0, 0)); hdr && ::IsWindowVisible(hdr))
            ::GetWindowRect(hdr, &header);
        POINT pt{client.left, client.top + (header.bottom - header.top)};
        const int selected = Selected();
        row.left = LVIR_BOUNDS;
        if (selected >= 0 && ::SendMessageA(h, LVM_GETITEMRECT, static_cast<WPARAM>(PositionOfItem(selected)),
                                            reinterpret_cast<LPARAM>(&row))) {
            POINT below{client.left, row.bottom};
            if (below.y > pt.y && below.y <= client.bottom) pt = below;
        }
        ::ClientToScreen(h, &pt);
        return TWinControl::WndProc(msg, wParam, MAKELPARAM(pt.x, pt.y));
    }
    if (msg == WM_SIZE) {
        // The last column may fill the rest of the view.
        LRESULT r = TWinControl::WndProc(msg, wParam, lParam);
        FitColumns();
        return r;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

bool TListView::Notify(NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            std::wstring text;
            if (item.iItem >= 0 && item.iItem < ShownCount()) {
                text = ShownText(ItemAtPosition(item.iItem), item.iSubItem);
                // Spaces make room for the image, which is drawn over them after the row.
                if (item.iSubItem == imageColumn_ && CellImage(item.iItem) >= 0)
                    text.insert(0, static_cast<std::size_t>((imageWidth_ + 2) / std::max(TextWidth(" "), 1) + 1), L' ');
            }
            size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
            // A cut keeps whole characters: never the first half of a pair alone.
            if (n < text.size() && n > 0 && IS_HIGH_SURROGATE(text[n - 1])) --n;
            std::copy_n(text.data(), n, item.pszText);
            item.pszText[n] = L'\0';
        }
        return true;
    }
    case LVN_COLUMNCLICK:
        OnColumnClick(this, reinterpret_cast<NMLISTVIEW&>(header).iSubItem);
        return true;
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
        result = -1;
        return true;
    case LVN_DELETEALLITEMS:
        // The rows live here: no notice per row is needed when the control lets them go.
        result = TRUE;
        return true;
    case NM_CUSTOMDRAW:
        if (!OnItemColors.Assigned() && !images_) return false;
        result = CustomDraw(header);
        return true;
    case NM_DBLCLK:
        DblClick();
        return true;
    case NM_CLICK:
        Click();
        return true;
    }
    return false;
}

int TListView::CellImage(int position) {
    int image = -1;
    if (images_ && imageColumn_ < ColumnCount()) OnItemImage(this, ItemAtPosition(position), image);
    return image;
}

LRESULT TListView::CustomDraw(NMHDR& header) {
    auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    const int position = static_cast<int>(draw.nmcd.dwItemSpec);
    if (position < 0 || position >= ShownCount()) return CDRF_DODEFAULT;
    const HWND h = Hwnd();
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPOSTPAINT) {
        const int image = CellImage(position);
        RECT cell{};
        cell.top = imageColumn_;
        cell.left = LVIR_BOUNDS;
        if (image >= 0 && ::SendMessageA(h, LVM_GETSUBITEMRECT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&cell)))
            ::ImageList_Draw(images_, image, draw.nmcd.hdc, cell.left + 2,
                             (cell.top + cell.bottom - imageWidth_) / 2, ILD_TRANSPARENT);
        return CDRF_DODEFAULT;
    }
    if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    const LRESULT after = images_ ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
    // A selected row is drawn in the selection colours while the view has the focus.
    if (::GetFocus() == h && ::SendMessageA(h, LVM_GETITEMSTATE, static_cast<WPARAM>(position), LVIS_SELECTED))
        return after;
    const TColor ownText = Font().Color(), ownBackground = Color();
    TColor text = ownText, background = ownBackground;
    OnItemColors(this, ItemAtPosition(position), text, background);
    if (text == ownText && background == ownBackground) return after;
    draw.clrText = ColorToRGB(text);
    draw.clrTextBk = ColorToRGB(background);
    return CDRF_NEWFONT | after;
}

// ---------------------------------------------------------------------------------------------
// TStatusBar

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner) {
    EnsureCommonControls(ICC_BAR_CLASSES);
    SetAlign(alBottom);
}

void TStatusBar::ApplyProps(const Props& props) {
    sizeGrip_ = props.sizeGrip;
    for (const TStatusPanel& p : props.panels) AddPanel(p.text, p.width);
}

void TStatusBar::CheckPanel(int index) const {
    if (index < 0 || index >= PanelCount()) ThrowListIndex(index);
}

void TStatusBar::AddPanel(std::string text, int width) {
    // Room first, so that the two lists cannot part.
    designed_.reserve(panels_.size() + 1);
    panels_.push_back({std::move(text), ScaleLength(width, Dpi())});
    designed_.push_back(width);
    if (HandleAllocated()) {
        ShowParts();
        int i = PanelCount() - 1;
        ::SendMessageA(Hwnd(), SB_SETTEXTA, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(panels_.back().text.c_str()));
    }
}

const std::string& TStatusBar::PanelText(int index) const {
    CheckPanel(index);
    return panels_[static_cast<size_t>(index)].text;
}

void TStatusBar::SetPanelText(int index, std::string text) {
    CheckPanel(index);
    auto& panel = panels_[static_cast<size_t>(index)];
    if (panel.text == text) return;
    panel.text = std::move(text);
    if (HandleAllocated())
        ::SendMessageA(Hwnd(), SB_SETTEXTA, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(panel.text.c_str()));
}

void TStatusBar::ChangeScale(int fromDpi, int toDpi) {
    TWinControl::ChangeScale(fromDpi, toDpi);
    for (size_t i = 0; i < panels_.size(); ++i) panels_[i].width = ScaleLength(designed_[i], toDpi);
    if (HandleAllocated()) ShowParts();
}

void TStatusBar::ShowParts() {
    std::vector<int> edges;
    int right = 0;
    for (const TStatusPanel& p : panels_) edges.push_back(right += p.width);
    // The last panel reaches the right edge, as panels of a bar usually do.
    if (!edges.empty()) edges.back() = -1;
    ::SendMessageA(Hwnd(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void TStatusBar::FillCreateParams(CreateParams& params) {
    TWinControl::FillCreateParams(params);
    params.systemClass = STATUSCLASSNAMEA;
    // Our own alignment places the bar, at the height its description gives.
    params.style |= CCS_BOTTOM | CCS_NOPARENTALIGN | CCS_NORESIZE;
    if (sizeGrip_) params.style |= SBARS_SIZEGRIP;
}

void TStatusBar::InitWnd() {
    TWinControl::InitWnd();
    if (panels_.empty()) return;
    ShowParts();
    for (int i = 0; i < PanelCount(); ++i)
        ::SendMessageA(Hwnd(), SB_SETTEXTA, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(panels_[static_cast<size_t>(i)].text.c_str()));
}

// ---------------------------------------------------------------------------------------------
// TAnimate

TAnimate::TAnimate(TComponent* owner) : TWinControl(owner) {
    EnsureCommonControls(ICC_ANIMATE_CLASS);
}

void TAnimate::ApplyProps(const Props& props) {
    startFrame_ = props.startFrame;
    stopFrame_ = props.stopFrame;
    repetitions_ = props.repetitions;
    center_ = props.center;
    transparent_ = props.transparent;
    SetCommonAVI(props.commonAVI);
    SetActive(props.active);
}

void TAnimate::SetCommonAVI(TCommonAVI clip) {
    if (clip == commonAVI_) return;
    commonAVI_ = clip;
    if (HandleAllocated()) {
        OpenClip();
        ShowState();
    }
}

void TAnimate::SetActive(bool value) {
    active_ = value;
    if (HandleAllocated())
        ShowState();
    else if (value)
        UpdateHandle();
}

void TAnimate::FillCreateParams(CreateParams& params) {
    TWinControl::FillCreateParams(params);
    params.systemClass = ANIMATE_CLASSA;
    if (center_) params.style |= ACS_CENTER;
    if (transparent_) params.style |= ACS_TRANSPARENT;
}

void TAnimate::InitWnd() {
    TWinControl::InitWnd();
    OpenClip();
    ShowState();
}

void TAnimate::OpenClip() {
    HWND h = Hwnd();
    open_ = false;
    if (commonAVI_ == aviNone) {
        ::SendMessageA(h, ACM_OPENA, 0, 0);
        return;
    }
    HMODULE shell = Shell32();
    if (!shell) return;
    // A missing clip or codec just leaves the control blank.
    open_ = ::SendMessageA(h, ACM_OPENA, reinterpret_cast<WPARAM>(shell),
                           reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(commonAVI_))) != 0;
}

void TAnimate::ShowState() {
    if (!open_) return;
    HWND h = Hwnd();
    if (!active_) {
        ::SendMessageA(h, ACM_STOP, 0, 0);
        return;
    }
    WORD from = static_cast<WORD>(std::max(startFrame_ - 1, 0));
    WORD to = stopFrame_ > 0 ? static_cast<WORD>(stopFrame_ - 1) : 0xFFFF;
    WPARAM times = repetitions_ > 0 ? static_cast<WPARAM>(repetitions_) : static_cast<WPARAM>(-1);
    ::SendMessageA(h, ACM_PLAY, times, MAKELONG(from, to));
}

}  // namespace fw
