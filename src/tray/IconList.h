#pragma once
// An owned, ordered list of icon pictures with a batched change notification, stored in a form
// description as one binary property, "Icons".
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Graphics.h"
#include "framework/Sync.h"

namespace sockmere {

class TIconList : public fw::TPersistent {
public:
    TIconList() = default;
    ~TIconList() override;
    const char* ClassName() const override { return "TIconList"; }

    // Changes between BeginUpdate and the matching EndUpdate raise one notification, at the end.
    void BeginUpdate() noexcept { ++updateCount_; }
    void EndUpdate();

    // Entries, empty ones included.
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    // The entry's picture, or null for an empty entry. Entries change only through the list.
    const fw::TIcon* Items(int index) const;
    // Copies icon into the entry; index Count appends one.
    void SetItems(int index, const fw::TIcon* icon);

    // Appends a copy of icon (an empty picture for null) and returns its index.
    int Add(const fw::TIcon* icon);
    // Appends the icon resource name of instance.
    int AddResource(HINSTANCE instance, const char* name);
    void Insert(int index, const fw::TIcon* icon);
    void InsertResource(int index, HINSTANCE instance, const char* name);
    void Delete(int index);
    void Clear();
    void Exchange(int index1, int index2);
    void Move(int from, int to);
    // The index of that very picture object, or -1; a copy is never found.
    int IndexOf(const fw::TIcon* icon) const noexcept;

    // Copies another list, or a single icon as a one-entry list; null clears.
    void Assign(const fw::TPersistent* source) override;

    // The "Icons" property: loads the list from its stream, with one change notification.
    void ReadIcons(std::span<const std::uint8_t> stream);
    // Appends the list's stream; empty entries and pictures without an image are stored empty.
    void WriteIcons(std::vector<std::uint8_t>& out) const;
    // Whether a form description stores the property, given the ancestor form's list if any.
    bool StoresIcons(const TIconList* ancestor) const noexcept;

    // Raised with the list as sender when the list or one of its pictures changes.
    fw::TNotifyEvent OnChange;

    // Every change runs inside lock (the list's own until set), so that a thread that reads the
    // list under the same lock never sees it half changed.
    void SetLock(fw::CriticalSection* lock) noexcept { lock_ = lock ? lock : &ownLock_; }

protected:
    virtual void NotifyChange();

private:
    template <class F>
    void Batch(F&& change);
    void Place(int index, std::unique_ptr<fw::TIcon> icon);
    std::unique_ptr<fw::TIcon> CopyOf(const fw::TIcon* icon) const;
    static std::unique_ptr<fw::TIcon> LoadResource(HINSTANCE instance, const char* name);
    void CheckIndex(int index) const;
    void PictureChanged(fw::TObject*) { NotifyChange(); }

    std::vector<std::unique_ptr<fw::TIcon>> items_;
    int updateCount_ = 0;
    fw::CriticalSection ownLock_;
    fw::CriticalSection* lock_ = &ownLock_;
};

}  // namespace sockmere
