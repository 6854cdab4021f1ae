#pragma once
// Keeps its parent window within size limits by subclassing the parent's window procedure and
// answering WM_GETMINMAXINFO before the window's own processing sees it.
#include <windows.h>

#include <initializer_list>
#include <memory>

#include "framework/Component.h"
#include "framework/EnumSet.h"
#include "framework/Messages.h"
#include "framework/ProcEntry.h"

namespace fw {
class TWinControl;
}

namespace sockmere {

enum class TMinMaxOption { opAllowResize, opMaxPosition, opMaxSize, opMaxTrackSize, opMinTrackSize };

using TMinMaxOptions = fw::EnumSet<TMinMaxOption>;
inline constexpr TMinMaxOptions AllMinMaxOptions{TMinMaxOption::opAllowResize, TMinMaxOption::opMaxPosition,
                                                 TMinMaxOption::opMaxSize, TMinMaxOption::opMaxTrackSize,
                                                 TMinMaxOption::opMinTrackSize};

class TMinMaxPoint : public fw::TPersistent {
public:
    const char* ClassName() const override { return "TMinMaxPoint"; }
    void Assign(const fw::TPersistent* source) override;
    const fw::TPropTable* PublishedProps() const override;
    int X = 0;
    int Y = 0;
};

class TMinMax : public fw::TComponent {
public:
    explicit TMinMax(fw::TComponent* owner);
    ~TMinMax() override;
    const char* ClassName() const override { return "TMinMax"; }
    const fw::TPropTable* PublishedProps() const override;

    TMinMaxPoint& MaxSize() { return *maxSize_; }
    TMinMaxPoint& MaxPosition() { return *maxPosition_; }
    TMinMaxPoint& MinTrackSize() { return *minTrackSize_; }
    TMinMaxPoint& MaxTrackSize() { return *maxTrackSize_; }
    TMinMaxOptions Options = AllMinMaxOptions;

    fw::TWinControl* Parent() const noexcept { return parent_; }
    // Unhooks the old parent, then hooks the new one (creating its window if need be).
    void SetParent(fw::TWinControl* parent);

    // Every message of the parent window passes through here.
    void ParentWindowProc(fw::TMessage& message);

    bool Hooked() const noexcept { return hook_ != nullptr; }

private:
    void HookParent();
    void UnhookParent();
    static void HookProc(void* self, fw::TMessage& message);

    std::unique_ptr<TMinMaxPoint> maxSize_, maxPosition_, minTrackSize_, maxTrackSize_;
    fw::TWinControl* parent_ = nullptr;
    fw::WindowSubclass::Ptr hook_;
};

}  // namespace sockmere
