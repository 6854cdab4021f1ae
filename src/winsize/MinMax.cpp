#include "winsize/MinMax.h"

#include "framework/Controls.h"
#include "framework/DpiScale.h"
#include "framework/Forms.h"
#include "framework/PropInfo.h"

namespace sockmere {

void TMinMaxPoint::Assign(const fw::TPersistent* source) {
    if (auto* point = dynamic_cast<const TMinMaxPoint*>(source)) {
        X = point->X;
        Y = point->Y;
        return;
    }
    fw::TPersistent::Assign(source);
}

const fw::TPropTable* TMinMaxPoint::PublishedProps() const {
    using P = fw::Publish<TMinMaxPoint>;
    static const fw::TPropInfo props[] = {
        P::Ordinal<&TMinMaxPoint::X>("X", fw::IntegerType),
        P::Ordinal<&TMinMaxPoint::Y>("Y", fw::IntegerType),
    };
    static const fw::TPropTable table{fw::TPersistent::PublishedProps(), props};
    return &table;
}

const fw::TPropTable* TMinMax::PublishedProps() const {
    using P = fw::Publish<TMinMax>;
    static const fw::TTypeInfo point{fw::TTypeKind::Class, "TMinMaxPoint"};
    static const fw::TPropInfo props[] = {
        P::Object<&TMinMax::MaxSize>("MaxSize", point),
        P::Object<&TMinMax::MaxPosition>("MaxPosition", point),
        P::Object<&TMinMax::MinTrackSize>("MinTrackSize", point),
        P::Object<&TMinMax::MaxTrackSize>("MaxTrackSize", point),
    };
    static const fw::TPropTable table{fw::TComponent::PublishedProps(), props};
    return &table;
}

TMinMax::TMinMax(fw::TComponent* owner)
    : fw::TComponent(owner),
      maxSize_(std::make_unique<TMinMaxPoint>()),
      maxPosition_(std::make_unique<TMinMaxPoint>()),
      minTrackSize_(std::make_unique<TMinMaxPoint>()),
      maxTrackSize_(std::make_unique<TMinMaxPoint>()) {}

TMinMax::~TMinMax() {
    UnhookParent();
}

void TMinMax::SetParent(fw::TWinControl* parent) {
    UnhookParent();
    parent_ = parent;
    if (parent_) HookParent();
}

void TMinMax::HookParent() {
    // Asking for the handle creates the parent's window now if it has none yet.
    hook_ = fw::WindowSubclass::Install(parent_->Handle(), this, &TMinMax::HookProc, this);
}

void TMinMax::UnhookParent() {
    hook_.reset();
}

void TMinMax::HookProc(void* self, fw::TMessage& message) {
    static_cast<TMinMax*>(self)->ParentWindowProc(message);
}

void TMinMax::ParentWindowProc(fw::TMessage& m) {
    if (!parent_ || !hook_) return;
    const bool allowResize = Options.Has(TMinMaxOption::opAllowResize);
    HWND window = hook_->Window();
    if (m.Msg == WM_GETMINMAXINFO) {
        auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
        // The points are given at 96 DPI, like the rest of the window's design; sizes are outer
        // sizes, drawn in the frame the window really has.
        const int dpi = parent_->Dpi();
        auto* form = dynamic_cast<fw::TForm*>(parent_);
        auto size = [&](const TMinMaxPoint& p) {
            if (!form) return POINT{fw::ScaleLength(p.X, dpi), fw::ScaleLength(p.Y, dpi)};
            const SIZE s = form->OuterSizeOfDesign({p.X, p.Y});
            return POINT{s.cx, s.cy};
        };
        if (Options.Has(TMinMaxOption::opMaxSize)) info->ptMaxSize = size(*maxSize_);
        if (Options.Has(TMinMaxOption::opMaxPosition))
            info->ptMaxPosition = {fw::ScaleLength(maxPosition_->X, dpi), fw::ScaleLength(maxPosition_->Y, dpi)};
        if (allowResize) {
            if (Options.Has(TMinMaxOption::opMinTrackSize)) info->ptMinTrackSize = size(*minTrackSize_);
            if (Options.Has(TMinMaxOption::opMaxTrackSize)) info->ptMaxTrackSize = size(*maxTrackSize_);
        } else {
            RECT r{};
            ::GetWindowRect(window, &r);
            POINT size{r.right - r.left, r.bottom - r.top};
            info->ptMinTrackSize = size;
            info->ptMaxTrackSize = size;
        }
    } else if (m.Msg == WM_INITMENUPOPUP && !allowResize && HIWORD(m.LParam) != 0) {
        ::EnableMenuItem(reinterpret_cast<HMENU>(m.WParam), SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
    }
    m.Result = hook_->CallSaved(m);
    if (m.Msg == WM_NCHITTEST && !allowResize && m.Result >= HTLEFT && m.Result <= HTBOTTOMRIGHT)
        m.Result = HTNOWHERE;
}

}  // namespace sockmere
