#include "winsize/WindowHook.h"

#include <algorithm>
#include <utility>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Errors.h"
#include "framework/Forms.h"
#include "framework/Window.h"

namespace sockmere {

namespace {

constexpr const char* kHookListClass = "Sockmere.HookList";

THookList* g_hookList = nullptr;

// Frees the hook list among the static destructors, after WinMain has returned and on its thread.
// Being made before main, it runs after the application object is gone, which the list does not
// need: it only gives back procedures of windows that still exist, and a control hook that still
// has watchers has a live control, since freeing a control detaches its watchers.
struct HookListTeardown {
    ~HookListTeardown() { delete std::exchange(g_hookList, nullptr); }
} g_hookListTeardown;

}  // namespace

THookList* GlobalHookList() noexcept {
    return g_hookList;
}

THookList& ObtainGlobalHookList() {
    if (!g_hookList) g_hookList = new THookList();
    return *g_hookList;
}

// ---------------------------------------------------------------------------------------------
// TWindowHook

TWindowHook::TWindowHook(fw::TComponent* owner) : fw::TComponent(owner) {
    SetActive(true);
}

TWindowHook::~TWindowHook() {
    MarkDestroying();
    SetActive(false);
    SetWinControl(nullptr);
}

void TWindowHook::SetActive(bool value) {
    if (value == active_) return;
    if (value)
        AttachToControl();
    else
        DetachFromControl();
}

fw::TWinControl* TWindowHook::WinControl() const noexcept {
    return hook_ ? hook_->Control() : control_;
}

void TWindowHook::SetWinControl(fw::TWinControl* value) {
    if (value == WinControl()) return;
    bool wasActive = active_;
    TControlHook* left = DetachFromControl();
    if (control_) RemoveFreeNotification(control_);
    control_ = value;
    if (value) FreeNotification(value);
    // We may be inside that control hook's own window procedure: free it after this message.
    if (left && left->Watchers().empty()) {
        if (THookList* list = GlobalHookList())
            ::PostMessageA(list->Window(), CM_FREEHOOK, 0, reinterpret_cast<LPARAM>(left));
    }
    if (wasActive) AttachToControl();
}

bool TWindowHook::IsForm() const noexcept {
    fw::TWinControl* control = WinControl();
    return control && control == Owner() && dynamic_cast<fw::TForm*>(control) != nullptr;
}

void TWindowHook::SetIsForm(bool value) {
    if (!value) return;
    if (auto* form = dynamic_cast<fw::TForm*>(Owner())) SetWinControl(form);
}

void TWindowHook::AttachToControl() {
    if (control_ && !Destroying())
        ObtainGlobalHookList().ObtainControlHook(control_)->AddWatcher(this);
    active_ = true;
}

TControlHook* TWindowHook::DetachFromControl() {
    TControlHook* left = hook_;
    if (left) left->RemoveWatcher(this);
    active_ = false;
    return left;
}

void TWindowHook::NotifyAfter(fw::TMessage& message, bool& handled) {
    AfterMessage(this, message, handled);
}

void TWindowHook::NotifyBefore(fw::TMessage& message, bool& handled) {
    BeforeMessage(this, message, handled);
}

void TWindowHook::Notification(fw::TComponent* component, fw::Operation operation) {
    fw::TComponent::Notification(component, operation);
    if (operation != fw::Operation::Remove) return;
    if (component == control_ || component == Owner() || !Owner()) SetWinControl(nullptr);
}

// ---------------------------------------------------------------------------------------------
// TControlHook

TControlHook::~TControlHook() {
    destroying_ = true;
    if (THookList* list = GlobalHookList()) list->Remove(this);
    while (!watchers_.empty()) RemoveWatcher(watchers_.back());
    subclass_.reset();
    control_ = nullptr;
}

void TControlHook::AddWatcher(TWindowHook* watcher) {
    if (std::find(watchers_.begin(), watchers_.end(), watcher) == watchers_.end()) {
        watchers_.push_back(watcher);
        watcher->hook_ = this;
        ChangeControl(watcher->control_);
    }
    InstallEntry();
}

void TControlHook::RemoveWatcher(TWindowHook* watcher) {
    watcher->hook_ = nullptr;
    watchers_.erase(std::remove(watchers_.begin(), watchers_.end(), watcher), watchers_.end());
    if (watchers_.empty()) UninstallEntry();
}

void TControlHook::ChangeControl(fw::TWinControl* control) {
    if (control == control_) return;
    UninstallEntry();
    control_ = control;
    if (!watchers_.empty()) InstallEntry();
}

void TControlHook::InstallEntry() {
    // An emptied control hook may outlive its control, so it never touches the control.
    if (!control_ || watchers_.empty() || destroying_) return;
    if (control_->Designing() || control_->Destroying()) return;
    HWND window = control_->Handle();
    if (subclass_ && subclass_->Window() == window &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(window, GWLP_WNDPROC)) == subclass_->Proc())
        return;
    // A fresh entry over whatever is there now; an old one under another procedure stays behind,
    // passing messages on, so the chain never loops back into this control hook.
    subclass_.reset();
    subclass_ = fw::WindowSubclass::Install(window, this, &TControlHook::EntryProc, nullptr);
}

void TControlHook::UninstallEntry() {
    subclass_.reset();
}

void TControlHook::EntryProc(void* self, fw::TMessage& message) {
    static_cast<TControlHook*>(self)->HookWindowProc(message);
}

void TControlHook::HookWindowProc(fw::TMessage& m) {
    bool handled = false;
    // A watcher may let go of the window while this message is on its way.
    const WNDPROC previous = subclass_->Saved();
    const HWND window = subclass_->Window();
    if (!control_) {
        m.Result = ::CallWindowProcA(previous, window, m.Msg, m.WParam, m.LParam);
        return;
    }
    if (m.Msg != WM_QUIT) NotifyWatchers(Pass::Before, m, handled);
    if (!handled || m.Msg == WM_DESTROY) {
        try {
            m.Result = ::CallWindowProcA(previous, window, m.Msg, m.WParam, m.LParam);
        } catch (...) {
            NotifyWatchers(Pass::After, m, handled);
            throw;
        }
        NotifyWatchers(Pass::After, m, handled);
    }
    if (m.Msg == WM_DESTROY) {
        UninstallEntry();
        THookList* list = GlobalHookList();
        if (list && !destroying_ && control_ && !control_->Destroying())
            ::PostMessageA(list->Window(), CM_HOOKAGAIN, 0, reinterpret_cast<LPARAM>(this));
    }
}

void TControlHook::NotifyWatchers(Pass pass, fw::TMessage& message, bool& handled) {
    if (watchers_.empty() || !control_ || destroying_ || control_->Destroying()) return;
    // Later watchers first; a watcher may leave (or free another) from its handler.
    const std::vector<TWindowHook*> watchers = watchers_;
    for (auto it = watchers.rbegin(); it != watchers.rend(); ++it) {
        TWindowHook* watcher = *it;
        if (std::find(watchers_.begin(), watchers_.end(), watcher) == watchers_.end()) continue;
        try {
            if (pass == Pass::Before)
                watcher->NotifyBefore(message, handled);
            else
                watcher->NotifyAfter(message, handled);
        } catch (...) {
            fw::Application().HandleException(watcher);
        }
        if (handled) break;
    }
}

// ---------------------------------------------------------------------------------------------
// THookList

THookList::THookList() {
    fw::RegisterWindowClass(kHookListClass, HiddenProc);
    window_.Reset(::CreateWindowExA(0, kHookListClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr));
    if (!window_) throw fw::Error("Cannot create the hook list's window");
    ::SetWindowLongPtrA(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

THookList::~THookList() {
    while (!hooks_.empty()) {
        TControlHook* hook = hooks_.back();
        hooks_.pop_back();
        delete hook;
    }
    ::SetWindowLongPtrA(window_.Get(), GWLP_USERDATA, 0);
}

TControlHook* THookList::FindControlHook(const fw::TWinControl* control) const noexcept {
    if (!control) return nullptr;
    for (TControlHook* hook : hooks_)
        if (hook->Control() == control) return hook;
    return nullptr;
}

TControlHook* THookList::ObtainControlHook(fw::TWinControl* control) {
    if (TControlHook* found = FindControlHook(control)) return found;
    auto* hook = new TControlHook();
    hooks_.push_back(hook);
    try {
        hook->ChangeControl(control);
    } catch (...) {
        Remove(hook);
        delete hook;
        throw;
    }
    return hook;
}

bool THookList::Contains(const TControlHook* hook) const noexcept {
    return std::find(hooks_.begin(), hooks_.end(), hook) != hooks_.end();
}

void THookList::Remove(TControlHook* hook) noexcept {
    hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
}

LRESULT CALLBACK THookList::HiddenProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != CM_HOOKAGAIN && msg != CM_FREEHOOK) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    auto* list = reinterpret_cast<THookList*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    auto* hook = reinterpret_cast<TControlHook*>(lParam);
    try {
        if (list && list->Contains(hook)) {
            if (msg == CM_HOOKAGAIN) {
                hook->InstallEntry();
            } else {
                list->Remove(hook);
                delete hook;
            }
        }
    } catch (...) {
        fw::Application().HandleException(nullptr);
    }
    return 0;
}

}  // namespace sockmere
