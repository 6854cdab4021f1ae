#pragma once
// Common controls: a report-style list view over rows kept in the object, a status bar with
// panels, and the animation control.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Controls.h"
#include "framework/SharedText.h"

namespace fw {

// Registers the common controls' window classes (ICC_ flags) before such a window is made.
void EnsureCommonControls(DWORD classes);

// Column widths that the list view works out itself.
inline constexpr int ColumnTextWidth = -1;    // the widest entry of the column
inline constexpr int ColumnHeaderWidth = -2;  // the header text; the rest of the view when last

struct TListColumn {
    std::string caption{};
    int width = 50;  // pixels at 96 DPI, ColumnTextWidth or ColumnHeaderWidth
    bool rightAligned = false;
    bool utf8 = false;  // the column's fields are UTF-8 rather than ANSI
};

// Sender and the index of the column whose header was clicked.
using TColumnClickEvent = Event<TObject*, int>;
// Sender, the sort column, whether descending, and the display order to fill: it arrives as
// the items in the order they were added and leaves as item indexes, first shown first.
using TSortRowsEvent = Event<TObject*, int, bool, std::vector<int>&>;
// Sender, an item, and its text and background colours, which arrive as the view's own.
using TItemColorsEvent = Event<TObject*, int, TColor&, TColor&>;
// Sender, an item, and the index of its image in the cell images, which arrives as -1: none.
using TItemImageEvent = Event<TObject*, int, int&>;

// A report-style list view, whole rows, single selection, labels not editable. The rows live
// in the object and the window is a virtual list view that asks for what it shows, so tens of
// thousands of rows cost little memory and no per-row window calls. A field is kept as a place
// in a text the view shares with its owner when it lies there, else copied into the view's
// pool. Content widths are measured as rows arrive; the window gets the widths by rule once per
// batch: at EndUpdate, or per row outside an update. Items keep the index they were added at;
// a sort only changes the order they are shown in, and holds for rows added later until it is
// set back to none. The view may show only some items: display positions then count those.
class TListView : public TWinControl {
public:
    struct Props {
        std::vector<TListColumn> columns{};
        bool rowSelect = false;
        TNotifyEvent onDblClick{};
        TColumnClickEvent onColumnClick{};
        TSortRowsEvent onSortRows{};
    };

    explicit TListView(TComponent* owner);
    const char* ClassName() const override { return "TListView"; }
    void ApplyProps(const Props& props);

    int ColumnCount() const noexcept { return static_cast<int>(columns_.size()); }
    // A width in pixels is given at 96 DPI and drawn at the view's; or one of the two rules.
    void AddColumn(std::string caption, int width, bool rightAligned = false, bool utf8 = false);
    // Removes a column and each row's field in it; a sort by that column ends.
    void DeleteColumn(int index);
    const std::string& ColumnCaption(int index) const;
    // The column's fields are UTF-8; the other columns' are in the ANSI code page.
    bool ColumnUtf8(int index) const;
    // The width in pixels as shown.
    int ColumnWidth(int index) const;
    // Pixels at 96 DPI, or one of the two rules, which then holds until another width is set.
    void SetColumnWidth(int index, int width);

    int ItemCount() const noexcept { return static_cast<int>(rows_.size()); }
    // Appends a row: its caption and its sub-items in order; returns its index.
    int AddItem(std::string_view caption, std::initializer_list<std::string_view> subItems = {});
    // Appends a row given as its caption followed by its sub-items; returns its index.
    int AddItem(std::span<const std::string_view> fields);
    // Drops the items from index first on, outside an update; the selection stays on an item
    // that is kept.
    void DeleteItemsFrom(int first);
    // Valid until the rows change.
    std::string_view ItemCaption(int item) const;
    // Sub-item index of item; empty when the row has fewer sub-items.
    std::string SubItem(int item, int index) const;
    // Column 0 is the caption, the sub-items follow; valid until the rows change.
    std::string_view ItemField(int item, int column) const;
    // The field as the view shows it: every character, whichever the column's encoding.
    std::wstring ShownText(int item, int column) const;
    // Drops every row and gives their memory back.
    void Clear();
    // Fields of rows added from now on that lie inside text are kept as places in it, not as
    // copies; the view holds the text until it is cleared or shares another.
    void ShareText(SharedText text);
    // Room for items more rows of fieldsPerItem fields each, so a large batch never moves them.
    void Reserve(int items, int fieldsPerItem);

    // Updates nest; the outermost EndUpdate shows the rows and fits the column widths.
    void BeginUpdate();
    void EndUpdate();

    // Replaces every row in one step: rows added from BeginReplace on take the place of the old
    // ones, which the window goes on showing until EndReplace tells it of the new ones at once,
    // so it never shows an empty table. Item indexes of the old rows are void from here on.
    void BeginReplace();
    // Sorts and fits the widths as EndUpdate does and redraws once, with selected (an item, or -1)
    // the only selected item and top shown at the top of the view as far as it scrolls; with
    // top -1 the view shows the same place as before.
    void EndReplace(int selected, int top);

    // The selected item, or -1.
    int Selected() const;
    void SetSelected(int item);
    // The item shown at the top of the view, or -1 when there is none.
    int TopItem() const;

    // The column the rows are shown sorted by, or -1 for the order they were added in.
    int SortColumn() const noexcept { return sortColumn_; }
    bool SortDescending() const noexcept { return sortDescending_; }
    // Sorts the display by column (OnSortRows decides the order; without it, by text) and
    // marks the column's header; the selected item stays selected.
    void SetSort(int column, bool descending);
    // The item shown at a display position, and the position an item is shown at (-1: hidden).
    int ItemAtPosition(int position) const;
    int PositionOfItem(int item) const;

    // Shows only these items, in the sort's order; the selected item stays selected while it
    // is among them. Rows added later stay hidden until items are given again; Clear,
    // BeginReplace and ShowAll show every item. Within an update the window shows them at its
    // end.
    void ShowOnly(const std::vector<int>& items);
    void ShowAll();
    // The items shown: ItemCount() unless only some are.
    int ShownCount() const noexcept { return showingSome_ ? static_cast<int>(shown_.size()) : ItemCount(); }

    TColumnClickEvent OnColumnClick;
    TSortRowsEvent OnSortRows;
    // Asked for each item as it is drawn, except a selected one shown in the selection colours.
    TItemColorsEvent OnItemColors;

    // Cells of one column start with an image of images, which the caller keeps alive while
    // it is set; null shows none. The column's automatic width makes room for it. Drawn by the
    // view itself: the control's own images would push every other column's text aside.
    void SetCellImages(HIMAGELIST images, int column);
    // Asked for the image of each cell of that column as it is drawn.
    TItemImageEvent OnItemImage;

    // Fixed widths scale; the automatic ones are worked out again in the new font.
    void ChangeScale(int fromDpi, int toDpi) override;

protected:
    void FillCreateParams(CreateParams& params) override;
    void InitWnd() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool Notify(NMHDR& header, LRESULT& result) override;
    void FontChanged() override;

private:
    struct Column {
        std::string caption;
        int width = 50;    // pixels as last set
        int designed = 50; // a fixed width at 96 DPI
        int rule = 0;      // 0, ColumnTextWidth or ColumnHeaderWidth
        int measured = 0;  // rows already measured for ColumnTextWidth
        int widest = 0;
        bool keep = false;  // cleared: the width stays until rows arrive or a width is set
        bool rightAligned = false;
        bool utf8 = false;
    };

    // Where a field's characters are: in shared_ when at has kInShared set, else in pool_.
    struct FieldRef {
        std::uint32_t at;
        std::uint32_t size;
    };
    static constexpr std::uint32_t kInShared = 0x80000000u;

    void BeginRow(std::string_view caption);
    void AddField(std::string_view text);
    int EndRow();
    std::string_view Field(int item, int column) const noexcept;
    void FitColumns();
    void ShowColumnWidth(int index, int width);
    int TextWidth(std::string_view text, bool utf8 = false);
    void InsertColumnWindow(int index);
    void CheckItem(int item) const;
    void ApplySort();
    // Puts the rows in their shown order and tells the window their count; false without a window.
    bool ShowChangedRows();
    void ShowSortMark();
    void ComposeShown();
    void ShowItems(int selected);
    void ClearSelection();
    LRESULT CustomDraw(NMHDR& header);
    // The image of the cell of the image column at a display position, or -1.
    int CellImage(int position);

    class DrawingHold;

    std::vector<Column> columns_;
    std::string pool_;                 // fields that are not in shared_, one after another
    SharedText shared_;
    std::vector<FieldRef> fields_;
    std::vector<std::uint32_t> rows_;  // each row's first field in fields_
    std::vector<int> order_;           // item at each display position; empty: as added
    std::vector<int> position_;        // display position of each item, when order_ is set
    bool showingSome_ = false;
    std::vector<int> shown_;    // while showing some: the item at each display position
    std::vector<int> shownAt_;  // while showing some: each item's display position, or -1
    int sortColumn_ = -1;
    bool sortDescending_ = false;
    int updating_ = 0;
    bool rowSelect_ = false;
    bool fitting_ = false;
    bool widthsOnly_ = false;  // fitting records the widths without the window
    int widthChangedFrom_ = 0;  // while drawing is held: the first column whose width changed
    HFONT measuredFont_ = nullptr;
    HIMAGELIST images_ = nullptr;
    int imageColumn_ = -1;
    int imageWidth_ = 0;
    int charWidths_[256] = {};
};

struct TStatusPanel {
    std::string text{};
    int width = 50;  // pixels at 96 DPI in a description; at the bar's DPI once added
};

// A status bar, aligned to the bottom by default, at its designed height.
class TStatusBar : public TWinControl {
public:
    struct Props {
        std::vector<TStatusPanel> panels{};
        bool sizeGrip = false;
    };

    explicit TStatusBar(TComponent* owner);
    const char* ClassName() const override { return "TStatusBar"; }
    void ApplyProps(const Props& props);

    int PanelCount() const noexcept { return static_cast<int>(panels_.size()); }
    // The width is given at 96 DPI and drawn at the bar's.
    void AddPanel(std::string text, int width);
    const std::string& PanelText(int index) const;
    // An unchanged text costs nothing.
    void SetPanelText(int index, std::string text);

    void ChangeScale(int fromDpi, int toDpi) override;

protected:
    void FillCreateParams(CreateParams& params) override;
    void InitWnd() override;

private:
    void CheckPanel(int index) const;
    void ShowParts();

    std::vector<TStatusPanel> panels_;
    std::vector<int> designed_;  // each panel's width at 96 DPI
    bool sizeGrip_ = false;
};

// Clips of the system that an animation control can play.
enum TCommonAVI { aviNone = 0, aviFindComputer = 152 };

// The animation control. A clip the system lacks (as under Wine) leaves it blank and silent.
// Until it first plays it shows nothing, so its window and clip are made only then.
class TAnimate : public TWinControl {
public:
    struct Props {
        TCommonAVI commonAVI = aviNone;
        bool active = false;
        int startFrame = 1;   // first frame played, counted from 1
        int stopFrame = 0;    // last frame played; 0 is the clip's last
        int repetitions = 0;  // 0 plays without end
        bool center = true;
        bool transparent = true;
    };

    explicit TAnimate(TComponent* owner);
    const char* ClassName() const override { return "TAnimate"; }
    void ApplyProps(const Props& props);

    void SetCommonAVI(TCommonAVI clip);
    bool Active() const noexcept { return active_; }
    void SetActive(bool value);

protected:
    void FillCreateParams(CreateParams& params) override;
    void InitWnd() override;
    bool NeedsWindow() const noexcept override { return active_; }

private:
    void OpenClip();
    void ShowState();

    TCommonAVI commonAVI_ = aviNone;
    bool active_ = false;
    bool open_ = false;
    int startFrame_ = 1;
    int stopFrame_ = 0;
    int repetitions_ = 0;
    bool center_ = true;
    bool transparent_ = true;
};

}  // namespace fw
