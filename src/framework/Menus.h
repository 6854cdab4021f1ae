#pragma once
// Popup menus: a tree of items with captions ("-" makes a separator), default, enabled and
// checked flags and click events, shown at a screen point and tracked until the user closes them.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Handles.h"

namespace fw {


class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    // Frees the sub-items and leaves the parent item.
    ~TMenuItem() override;
    const char* ClassName() const override { return "TMenuItem"; }

    const std::string& Caption() const noexcept { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }
    bool IsSeparator() const noexcept { return caption_ == "-"; }
    bool Default() const noexcept { return default_; }
    void SetDefault(bool value) noexcept { default_ = value; }
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value) noexcept { enabled_ = value; }
    // Shown with a check mark.
    bool Checked() const noexcept { return checked_; }
    void SetChecked(bool value) noexcept { checked_ = value; }
    // Its check mark is a dot: one choice among its neighbours.
    bool RadioItem() const noexcept { return radioItem_; }
    void SetRadioItem(bool value) noexcept { radioItem_ = value; }

    // Raised by Click with the item as sender.
    TNotifyEvent OnClick;
    // Carries the item out: raises OnClick when the item is enabled.
    virtual void Click();

    // Sub-items, in menu order; the item frees them when it goes.
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const;
    void Add(TMenuItem* item);
    // Puts item before the sub-item at index (at the end for Count()).
    void Insert(int index, TMenuItem* item);
    // The sub-item's index, or -1.
    int IndexOf(const TMenuItem* item) const noexcept;
    // Takes item out of the sub-items without freeing it.
    void Remove(TMenuItem* item);
    // Frees every sub-item.
    void Clear();

private:
    std::string caption_;
    bool default_ = false;
    bool enabled_ = true;
    bool checked_ = false;
    bool radioItem_ = false;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;
    const char* ClassName() const override { return "TPopupMenu"; }

    // The root item; its sub-items are the menu's top-level items.
    TMenuItem* Items() const noexcept { return items_; }

    // Raised just before the menu opens; handlers may still change the items.
    TNotifyEvent OnPopup;

    // Shows the menu at a screen point, tracks it until it closes and then clicks the chosen
    // item. The owner window receives the menu's messages; by default the application's own.
    void Popup(int x, int y, HWND owner = nullptr);
    // The menu's handle while it is open, else null.
    HMENU Handle() const noexcept { return handle_.Get(); }

private:
    TMenuItem* items_;
    MenuOwner handle_;
};

}  // namespace fw
