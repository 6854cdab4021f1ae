#pragma once
// Keeps its parent window within size limits by subclassing the parent's window procedure and
// answering WM_GETMINMAXINFO before the window's own processing sees it.
#include <windows.h>

#include <initializer_list>
#include <memory>

#include "framework/Component.h"
#include "framework/Messages.h"
#include "framework/ProcEntry.h"

namespace fw {
class TWinControl;
}

namespace sockmere {

enum class TMinMaxOption { opAllowResize, opMaxPosition, opMaxSize, opMaxTrackSize, opMinTrackSize };

// One bit per option, lowest ordinal in the lowest bit.
class TMinMaxOptions {
public:
    constexpr TMinMaxOptions() = default;
    constexpr TMinMaxOptions(std::initializer_list<TMinMaxOption> options) {
        for (TMinMaxOption o : options) bits_ |= Bit(o);
    }
    constexpr bool Has(TMinMaxOption o) const { return (bits_ & Bit(o)) != 0; }
    constexpr unsigned Bits() const { return bits_; }
    static constexpr TMinMaxOptions All() {
        return {TMinMaxOption::opAllowResize, TMinMaxOption::opMaxPosition, TMinMaxOption::opMaxSize,
                TMinMaxOption::opMaxTrackSize, TMinMaxOption::opMinTrackSize};
    }

private:
    static constexpr unsigned Bit(TMinMaxOption o) { return 1u << static_cast<unsigned>(o); }
    unsigned bits_ = 0;
};

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
    TMinMaxOptions Options = TMinMaxOptions::All();

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
