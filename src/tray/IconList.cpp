#include "tray/IconList.h"

#include <algorithm>
#include <utility>

#include "framework/Errors.h"
#include "tray/IconFiles.h"

namespace sockmere {

TIconList::~TIconList() {
    OnChange.Clear();
    for (auto& icon : items_)
        if (icon) icon->OnChange.Clear();
}

template <class F>
void TIconList::Batch(F&& change) {
    fw::Lock guard(*lock_);
    BeginUpdate();
    try {
        change();
    } catch (...) {
        // The bracket is closed either way; the first error is the one that counts.
        try {
            EndUpdate();
        } catch (...) {
        }
        throw;
    }
    EndUpdate();
}

void TIconList::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) NotifyChange();
}

void TIconList::NotifyChange() {
    if (updateCount_ == 0) OnChange(this);
}

void TIconList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) fw::ThrowListIndex(index);
}

const fw::TIcon* TIconList::Items(int index) const {
    CheckIndex(index);
    return items_[size_t(index)].get();
}

void TIconList::SetItems(int index, const fw::TIcon* icon) {
    Batch([&] {
        if (index == Count()) Add(nullptr);
        CheckIndex(index);
        auto& entry = items_[size_t(index)];
        if (!entry) entry = std::make_unique<fw::TIcon>();
        entry->OnChange = fw::TNotifyEvent::Of<&TIconList::PictureChanged>(this);
        entry->Assign(icon);
    });
}

std::unique_ptr<fw::TIcon> TIconList::CopyOf(const fw::TIcon* icon) const {
    auto copy = std::make_unique<fw::TIcon>();
    copy->Assign(icon);
    return copy;
}

std::unique_ptr<fw::TIcon> TIconList::LoadResource(HINSTANCE instance, const char* name) {
    // LoadIconA hands out a shared icon that must never be destroyed: the list keeps a copy.
    HICON shared = ::LoadIconA(instance, name);
    HICON own = shared ? ::CopyIcon(shared) : nullptr;
    if (!own) {
        throw fw::Error(IS_INTRESOURCE(name)
                            ? fw::Format("Cannot load icon resource #%u", unsigned(reinterpret_cast<UINT_PTR>(name)))
                            : fw::Format("Cannot load icon resource %s", name));
    }
    auto icon = std::make_unique<fw::TIcon>();
    icon->SetHandle(own);
    return icon;
}

void TIconList::Place(int index, std::unique_ptr<fw::TIcon> icon) {
    fw::Lock guard(*lock_);
    if (index < 0 || index > Count()) fw::ThrowListIndex(index);
    if (icon) icon->OnChange = fw::TNotifyEvent::Of<&TIconList::PictureChanged>(this);
    items_.insert(items_.begin() + index, std::move(icon));
    NotifyChange();
}

int TIconList::Add(const fw::TIcon* icon) {
    int index = Count();
    Place(index, CopyOf(icon));
    return index;
}

int TIconList::AddResource(HINSTANCE instance, const char* name) {
    int index = Count();
    Place(index, LoadResource(instance, name));
    return index;
}

void TIconList::Insert(int index, const fw::TIcon* icon) {
    if (index < 0 || index > Count()) fw::ThrowListIndex(index);
    Place(index, CopyOf(icon));
}

void TIconList::InsertResource(int index, HINSTANCE instance, const char* name) {
    if (index < 0 || index > Count()) fw::ThrowListIndex(index);
    Place(index, LoadResource(instance, name));
}

void TIconList::Delete(int index) {
    fw::Lock guard(*lock_);
    CheckIndex(index);
    std::unique_ptr<fw::TIcon> icon = std::move(items_[size_t(index)]);
    if (icon) icon->OnChange.Clear();
    items_.erase(items_.begin() + index);
    icon.reset();
    NotifyChange();
}

void TIconList::Clear() {
    Batch([&] {
        for (int i = Count() - 1; i >= 0; --i) Delete(i);
    });
}

void TIconList::Exchange(int index1, int index2) {
    fw::Lock guard(*lock_);
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(items_[size_t(index1)], items_[size_t(index2)]);
    NotifyChange();
}

void TIconList::Move(int from, int to) {
    fw::Lock guard(*lock_);
    CheckIndex(from);
    CheckIndex(to);
    std::unique_ptr<fw::TIcon> icon = std::move(items_[size_t(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(icon));
    NotifyChange();
}

int TIconList::IndexOf(const fw::TIcon* icon) const noexcept {
    auto it = std::find_if(items_.begin(), items_.end(), [icon](const auto& p) { return p.get() == icon; });
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TIconList::Assign(const fw::TPersistent* source) {
    if (!source) {
        Clear();
    } else if (auto* list = dynamic_cast<const TIconList*>(source)) {
        if (list == this) return;
        Batch([&] {
            Clear();
            for (const auto& icon : list->items_) Add(icon.get());
        });
    } else if (auto* icon = dynamic_cast<const fw::TIcon*>(source)) {
        Batch([&] {
            Clear();
            Add(icon);
        });
    } else {
        fw::TPersistent::Assign(source);
    }
}

void TIconList::ReadIcons(std::span<const std::uint8_t> stream) {
    Batch([&] {
        Clear();
        IconStreamReader reader(stream);
        for (int i = 0; i < reader.Count(); ++i) {
            std::span<const std::uint8_t> file = reader.Next();
            std::unique_ptr<fw::TIcon> icon;
            if (!file.empty()) {
                icon = std::make_unique<fw::TIcon>();
                icon->LoadFromStream(file);
            }
            Place(Count(), std::move(icon));
        }
    });
}

bool TIconList::StoresIcons(const TIconList* ancestor) const noexcept {
    if (Count() == 0) return false;
    if (!ancestor || ancestor->Count() != Count()) return true;
    for (int i = 0; i < Count(); ++i)
        if (items_[size_t(i)] != ancestor->items_[size_t(i)]) return true;
    return false;
}

}  // namespace sockmere
