#include "framework/Menus.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/Errors.h"

namespace fw {

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    Clear();
    if (parent_) parent_->Remove(this);
}

void TMenuItem::Click() {
    if (enabled_) OnClick(this);
}

TMenuItem* TMenuItem::Items(int index) const {
    if (index < 0 || index >= Count()) ThrowListIndex(index);
    return items_[static_cast<size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item) return;
    if (index < 0 || index > Count()) ThrowListIndex(index);
    if (item->parent_) throw Error("Menu inserted twice");
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
}

int TMenuItem::IndexOf(const TMenuItem* item) const noexcept {
    const auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
}

void TMenuItem::Clear() {
    while (!items_.empty()) delete items_.back();  // each leaves the list in its destructor
}

namespace {

// Appends parent's sub-items to menu; the command of the n-th clickable item is n + 1.
void BuildMenu(HMENU menu, const TMenuItem& parent, std::vector<TMenuItem*>& commands) {
    for (int i = 0; i < parent.Count(); ++i) {
        TMenuItem* item = parent.Items(i);
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        if (item->IsSeparator()) {
            info.fMask = MIIM_FTYPE;
            info.fType = MFT_SEPARATOR;
        } else {
            info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_ID;
            info.fType = MFT_STRING | (item->RadioItem() ? MFT_RADIOCHECK : 0);
            info.fState = (item->Enabled() ? MFS_ENABLED : MFS_GRAYED) |
                          (item->Default() ? MFS_DEFAULT : 0) | (item->Checked() ? MFS_CHECKED : 0);
            info.dwTypeData = const_cast<char*>(item->Caption().c_str());
            if (item->Count() > 0) {
                MenuOwner sub(::CreatePopupMenu());
                if (!sub) throw Error("Cannot create a menu");
                BuildMenu(sub.Get(), *item, commands);
                info.fMask |= MIIM_SUBMENU;
                info.hSubMenu = sub.Get();
                if (!::InsertMenuItemA(menu, UINT(i), TRUE, &info)) throw Error("Cannot build the menu");
                sub.Release();  // the parent menu owns it now
                continue;
            }
            commands.push_back(item);
            info.wID = static_cast<UINT>(commands.size());
        }
        if (!::InsertMenuItemA(menu, UINT(i), TRUE, &info)) throw Error("Cannot build the menu");
    }
}

bool Contains(const TMenuItem& parent, const TMenuItem* item) {
    for (int i = 0; i < parent.Count(); ++i) {
        const TMenuItem* sub = parent.Items(i);
        if (sub == item || Contains(*sub, item)) return true;
    }
    return false;
}

}  // namespace

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) {}

TPopupMenu::~TPopupMenu() {
    delete items_;
}

void TPopupMenu::Popup(int x, int y, HWND owner) {
    OnPopup(this);
    MenuOwner menu(::CreatePopupMenu());
    if (!menu) throw Error("Cannot create a menu");
    std::vector<TMenuItem*> commands;
    BuildMenu(menu.Get(), *items_, commands);
    if (!owner) owner = Application().UtilityWindow();

    handle_ = std::move(menu);
    UINT command = ::TrackPopupMenu(handle_.Get(),
                                    TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD |
                                        TPM_NONOTIFY,
                                    x, y, 0, owner, nullptr);
    handle_.Reset();
    if (command == 0 || command > commands.size()) return;
    // Messages ran while the menu was open; the chosen item may be gone by now.
    TMenuItem* chosen = commands[command - 1];
    if (Contains(*items_, chosen)) chosen->Click();
}

}  // namespace fw
