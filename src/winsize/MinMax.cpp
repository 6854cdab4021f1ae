#include "winsize/MinMax.h"

#include "framework/Application.h"
#include "framework/Controls.h"
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
    HWND window = parent_->Handle();
    auto hook = std::make_unique<Hook>();
    hook->owner = this;
    hook->window = window;
    hook->savedProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(window, GWLP_WNDPROC));
    hook->entry = std::make_unique<fw::WndProcEntry>(hook.get(), &TMinMax::EntryProc);
    savedProc_ = hook->savedProc;
    ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook->entry->Proc()));
    hook_ = std::move(hook);
}

void TMinMax::UnhookParent() {
    if (!hook_) {
        savedProc_ = nullptr;
        return;
    }
    HWND window = hook_->window;
    bool alive = ::IsWindow(window) != FALSE;
    auto current = reinterpret_cast<WNDPROC>(alive ? ::GetWindowLongPtrA(window, GWLP_WNDPROC) : 0);
    if (alive && current == hook_->entry->Proc()) {
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook_->savedProc));
    } else if (alive) {
        // Another procedure sits above the entry and still calls it: keep the entry alive,
        // passing messages straight on, rather than leave that procedure a dangling address.
        hook_->owner = nullptr;
        hook_.release();
    }
    hook_.reset();
    savedProc_ = nullptr;
}

LRESULT CALLBACK TMinMax::EntryProc(void* hookPtr, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* hook = static_cast<Hook*>(hookPtr);
    if (!hook->owner) return ::CallWindowProcA(hook->savedProc, hook->window, msg, wParam, lParam);
    fw::TMessage message{msg, wParam, lParam, 0};
    try {
        hook->owner->ParentWindowProc(message);
    } catch (...) {
        fw::Application().HandleException(hook->owner);
        return fw::NeutralResult(msg);
    }
    return message.Result;
}

void TMinMax::ParentWindowProc(fw::TMessage& m) {
    if (!parent_ || !hook_) return;
    const bool allowResize = Options.Has(TMinMaxOption::opAllowResize);
    HWND window = hook_->window;
    if (m.Msg == WM_GETMINMAXINFO) {
        auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
        if (Options.Has(TMinMaxOption::opMaxSize)) info->ptMaxSize = {maxSize_->X, maxSize_->Y};
        if (Options.Has(TMinMaxOption::opMaxPosition))
            info->ptMaxPosition = {maxPosition_->X, maxPosition_->Y};
        if (allowResize) {
            if (Options.Has(TMinMaxOption::opMinTrackSize))
                info->ptMinTrackSize = {minTrackSize_->X, minTrackSize_->Y};
            if (Options.Has(TMinMaxOption::opMaxTrackSize))
                info->ptMaxTrackSize = {maxTrackSize_->X, maxTrackSize_->Y};
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
    m.Result = ::CallWindowProcA(hook_->savedProc, window, m.Msg, m.WParam, m.LParam);
    if (m.Msg == WM_NCHITTEST && !allowResize && m.Result >= HTLEFT && m.Result <= HTBOTTOMRIGHT)
        m.Result = HTNOWHERE;
}

}  // namespace sockmere
