#include "ui/FilterBar.h"

#include "framework/WideText.h"
#include "ui/MainWindowRules.h"

namespace sockmere {

namespace {

// A control of the bar, made as a form's description makes one, owned by the bar's form.
template <class T>
T* MakePart(fw::TWinControl* bar, const typename T::Common& common, const typename T::Props& props = {}) {
    T* part = new T(bar->Owner());
    const bool alone = !part->Loading();
    if (alone) part->BeginLoading();
    part->ApplyProps(props);
    part->ApplyCommon(common, bar);
    if (alone) part->EndLoading();
    return part;
}

// The table's and the box's wide texts are UTF-16, which is what the filter reads.
std::u16string_view Utf16(const std::wstring& text) {
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

}  // namespace

TFilterBar::TFilterBar(fw::TComponent* owner) : fw::TWinControl(owner) {
    FilterLabel = MakePart<fw::TLabel>(this, {.name = "FilterLabel", .caption = "Filter:"}, {.autoSize = false});
    FilterEdit = MakePart<fw::TEdit>(
        this, {.name = "FilterEdit", .tabOrder = 0},
        {.unicode = true, .maxLength = 255, .onChange = fw::Bind<&TFilterBar::FilterEditChange>(this)});
    FilterCount = MakePart<fw::TLabel>(this, {.name = "FilterCount"}, {.autoSize = false});
}

void TFilterBar::ApplyProps(const Props& props) {
    table_ = props.table;
    onShowHide_ = props.onShowHide;
}

void TFilterBar::FillCreateParams(CreateParams& params) {
    fw::TWinControl::FillCreateParams(params);
    // Dialog keys reach the box inside.
    params.exStyle |= WS_EX_CONTROLPARENT;
}

void TFilterBar::SetBounds(int left, int top, int width, int) {
    const FilterBarLayout l = LayoutFilterBar(width, Dpi());
    fw::TWinControl::SetBounds(left, top, width, l.height);
    // Always, as a change of scale moves the parts after the bar.
    FilterLabel->SetBounds(l.label.left, l.label.top, l.label.width, l.label.height);
    FilterEdit->SetBounds(l.box.left, l.box.top, l.box.width, l.box.height);
    FilterCount->SetBounds(l.count.left, l.count.top, l.count.width, l.count.height);
}

void TFilterBar::Open() {
    if (!Visible()) {
        Show();
        onShowHide_(this);
        ShowMatches();
    }
    FilterEdit->SetFocus();
    FilterEdit->SelectAll();
}

void TFilterBar::Close() {
    // Before the box goes, so that the focus never falls to the form.
    if (table_->CanFocus()) table_->SetFocus();
    FilterEdit->SetText("");
    Hide();
    filter_.SetText({});
    filter_.ClearRows();
    indexed_ = false;
    ShowMatches();
    onShowHide_(this);
}

void TFilterBar::ApplyToRows() {
    indexed_ = false;
    ShowMatches();
}

bool TFilterBar::ShortCut(WORD key, fw::TShiftState mods, bool& handled) {
    if (key == 'F' && mods == fw::ssCtrl) {
        handled = true;
        Open();
        return true;
    }
    if (!FilterEdit->HandleAllocated() || ::GetFocus() != FilterEdit->Hwnd() || key == VK_F5) return false;
    handled = mods == 0 && (key == VK_ESCAPE || key == VK_RETURN);
    if (handled && key == VK_ESCAPE) Close();
    if (handled && key == VK_RETURN) {
        if (table_->Selected() < 0 && table_->ShownCount() > 0) table_->SetSelected(table_->ItemAtPosition(0));
        table_->SetFocus();
    }
    return true;
}

void TFilterBar::FilterEditChange(fw::TObject*) {
    filter_.SetText(Utf16(fw::WideFromUtf8(FilterEdit->Text())));
    ShowMatches();
}

void TFilterBar::ShowMatches() {
    if (Visible() && filter_.Active()) {
        // Rows changed without a word to the bar are taken in again too.
        if (!indexed_ || filter_.RowCount() != table_->ItemCount()) IndexRows();
        table_->ShowOnly(filter_.Matches());
    } else {
        table_->ShowAll();
    }
    FilterCount->SetCaption(ShownRowsText(table_->ShownCount(), table_->ItemCount()));
}

void TFilterBar::IndexRows() {
    filter_.ClearRows();
    for (int item = 0; item < table_->ItemCount(); ++item) {
        for (int column = RowFilter::kFirstSearchedColumn; column < table_->ColumnCount(); ++column)
            filter_.AddCell(column, Utf16(table_->ShownText(item, column)));
        filter_.EndRow();
    }
    indexed_ = true;
}

}  // namespace sockmere
