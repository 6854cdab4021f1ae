#pragma once
// The filter bar above the connection table: a box whose words choose the rows the table shows,
// and the count of rows shown. Ctrl+F or the table's menu opens it, Esc closes it.
#include <windows.h>

#include "framework/ComCtrls.h"
#include "framework/StdCtrls.h"
#include "ui/RowFilter.h"

namespace sockmere {

class TFilterBar : public fw::TWinControl {
public:
    struct Props {
        fw::TListView* table = nullptr;
        // The bar opened or closed: the owner lays the table out again.
        fw::TNotifyEvent onShowHide{};
    };

    // The label, box and count are components of owner, the bar's form.
    explicit TFilterBar(fw::TComponent* owner);
    const char* ClassName() const override { return "TFilterBar"; }
    void ApplyProps(const Props& props);

    // Shows the bar, or selects the box's text when it shows, and puts the focus in the box.
    void Open();
    // Clears the filter, hides the bar and puts the focus in the table.
    void Close();
    // Shows the table's rows that match; whatever changes the table's rows calls it then.
    void ApplyToRows();
    // Ctrl+F anywhere on the form, and every key but F5 while the box has the focus: true when
    // the key is the bar's; handled then says whether it was used up or left to the box.
    bool ShortCut(WORD key, fw::TShiftState mods, bool& handled);

    // The bar keeps its own height and lays out its label, box and count.
    void SetBounds(int left, int top, int width, int height) override;

    fw::TLabel* FilterLabel = nullptr;
    fw::TEdit* FilterEdit = nullptr;
    fw::TLabel* FilterCount = nullptr;

protected:
    void FillCreateParams(CreateParams& params) override;

private:
    void FilterEditChange(fw::TObject* sender);
    void ShowMatches();
    void IndexRows();

    fw::TListView* table_ = nullptr;
    fw::TNotifyEvent onShowHide_;
    RowFilter filter_;
    bool indexed_ = false;  // the filter holds the table's rows as they are
};

}  // namespace sockmere
